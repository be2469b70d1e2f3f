#include "ByteReader.h"

#include <QtEndian>

#include <cstring>

namespace quorvane {

ByteReader::ByteReader(QIODevice* device, Order order) : m_device(device), m_order(order)
{
    m_ok = device != nullptr && device->isReadable();
}

qint64 ByteReader::remaining() const
{
    if (!m_ok)
        return 0;
    if (m_device->isSequential())
        return m_device->bytesAvailable();
    return qMax<qint64>(0, m_device->size() - m_device->pos());
}

bool ByteReader::take(char* dst, qint64 n)
{
    if (!m_ok)
        return false;
    if (n == 0)
        return true;
    if (n < 0 || n > remaining() || m_device->read(dst, n) != n) {
        m_ok = false;
        return false;
    }
    return true;
}

quint32 ByteReader::u32()
{
    char b[4];
    if (!take(b, 4))
        return 0;
    return m_order == Order::BigEndian ? qFromBigEndian<quint32>(b) : qFromLittleEndian<quint32>(b);
}

float ByteReader::floatAsDouble()
{
    char b[8];
    if (!take(b, 8))
        return 0.0f;
    const quint64 bits = m_order == Order::BigEndian ? qFromBigEndian<quint64>(b) : qFromLittleEndian<quint64>(b);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return float(d);
}

float ByteReader::float32()
{
    const quint32 bits = u32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return m_ok ? f : 0.0f;
}

QString ByteReader::string()
{
    const quint32 bytes = u32();
    if (!m_ok || bytes == 0xFFFFFFFFu)
        return QString();
    if (bytes == 0)
        return QString(QLatin1String(""));
    if ((bytes & 1u) || qint64(bytes) > remaining() || qint64(bytes) / 2 > kMaxEntryBytes / 2) {
        m_ok = false;
        return QString();
    }
    QByteArray data(qsizetype(bytes), Qt::Uninitialized);
    if (!take(data.data(), bytes))
        return QString();
    QString s(qsizetype(bytes / 2), Qt::Uninitialized);
    const auto* src = reinterpret_cast<const uchar*>(data.constData());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const ushort unit = m_order == Order::BigEndian ? ushort(src[2 * i] << 8 | src[2 * i + 1])
                                                        : ushort(src[2 * i + 1] << 8 | src[2 * i]);
        s[i] = QChar(unit);
    }
    return s;
}

QByteArray ByteReader::byteArray(qint64 cap)
{
    const quint32 length = u32();
    if (!m_ok || length == 0xFFFFFFFFu)
        return QByteArray();
    if (qint64(length) > cap) {
        m_ok = false;
        return QByteArray();
    }
    return length == 0 ? QByteArray("") : raw(length);
}

QByteArray ByteReader::raw(qint64 n)
{
    if (!m_ok || n < 0 || n > remaining() || n > kMaxArchiveBytes) {
        m_ok = false;
        return QByteArray();
    }
    QByteArray data(qsizetype(n), Qt::Uninitialized);
    if (!take(data.data(), n))
        return QByteArray();
    return data;
}

QByteArray ByteReader::rest(qint64 cap)
{
    const qint64 n = remaining();
    if (n > cap) {
        m_ok = false;
        return QByteArray();
    }
    return raw(n);
}

} // namespace quorvane
