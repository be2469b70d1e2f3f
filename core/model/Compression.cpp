#include "Compression.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>

namespace quorvane {

QByteArray compressField(const QByteArray& data)
{
    return qCompress(data);
}

qint64 declaredUncompressedSize(const QByteArray& field)
{
    if (field.size() < 4)
        return -1;
    return qFromBigEndian<quint32>(field.constData());
}

bool uncompressField(const QByteArray& field, QByteArray* out, qint64 cap)
{
    out->clear();
    const qint64 declared = declaredUncompressedSize(field);
    if (declared < 0 || declared > cap)
        return false;
    // qCompress writes only the length word for empty input.
    if (field.size() == 4)
        return declared == 0;

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return false;
    // Writers always declare the exact size, so output beyond it is refused at once (a small declared
    // size cannot hide a bomb); the buffer grows with the output, so a forged large size allocates only
    // what the stream really yields.
    const qint64 limit = declared + 1;
    QByteArray result;
    result.resize(std::max<qint64>(1, std::min<qint64>(limit, qint64(16) * 1024 * 1024)));
    const auto* input = reinterpret_cast<const Bytef*>(field.constData() + 4);
    qint64 inputLeft = field.size() - 4;
    qint64 produced = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (produced == result.size()) {
            if (result.size() >= limit)
                break;
            result.resize(std::min<qint64>(limit, result.size() * 2));
        }
        const uInt inChunk = uInt(std::min<qint64>(inputLeft, 1 << 30));
        const uInt outChunk = uInt(std::min<qint64>(result.size() - produced, 1 << 30));
        zs.next_in = const_cast<Bytef*>(input);
        zs.avail_in = inChunk;
        zs.next_out = reinterpret_cast<Bytef*>(result.data() + produced);
        zs.avail_out = outChunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        input += inChunk - zs.avail_in;
        inputLeft -= inChunk - zs.avail_in;
        produced += outChunk - zs.avail_out;
        if (rc == Z_BUF_ERROR && zs.avail_out == 0)
            rc = Z_OK; // output full: grow and go on
        else if (rc == Z_OK && inChunk == zs.avail_in && outChunk == zs.avail_out)
            break; // no progress: input exhausted before the end of the stream
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END || produced != declared)
        return false;
    result.truncate(produced);
    *out = result;
    return true;
}

} // namespace quorvane
