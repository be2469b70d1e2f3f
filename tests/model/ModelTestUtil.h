// Helpers of the model-file, scene and archive tests. The zlib encoder here is independent of the code
// under test: it writes stored (uncompressed) deflate blocks by hand.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtEndian>

namespace testutil {

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', "").replace('\n', ""));
}

inline QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

// A compressed field: 4-byte big-endian size, zlib header, stored deflate blocks, Adler-32.
inline QByteArray storedField(const QByteArray& data)
{
    QByteArray out = be32(quint32(data.size()));
    out += QByteArray::fromHex("7801");
    qsizetype p = 0;
    do {
        const qsizetype n = qMin<qsizetype>(65535, data.size() - p);
        const bool last = p + n == data.size();
        out += char(last ? 1 : 0);
        out += char(n & 0xff);
        out += char(n >> 8);
        out += char(~n & 0xff);
        out += char((~n >> 8) & 0xff);
        out += data.mid(p, n);
        p += n;
    } while (p < data.size());
    quint32 a = 1, b = 0;
    for (char c : data) {
        a = (a + uchar(c)) % 65521;
        b = (b + a) % 65521;
    }
    out += be32(b << 16 | a);
    return out;
}

// A data-stream string: byte count and UTF-16 big-endian.
inline QByteArray qstr(const QString& s)
{
    QByteArray out = be32(quint32(s.size() * 2));
    for (QChar c : s) {
        out += char(c.unicode() >> 8);
        out += char(c.unicode() & 0xff);
    }
    return out;
}

inline QByteArray qbytes(const QByteArray& b)
{
    return be32(quint32(b.size())) + b;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below `root`, as paths relative to it, sorted.
inline QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// The model file header up to the kind: signatures "QVRN" "MODL" "FILE" and version 0.0.
inline QByteArray modelHeader()
{
    return hex("5156524E 4D4F444C 46494C45 00000000 00000000");
}

} // namespace testutil
