// Reading of the data-stream layouts (big-endian Qt data streams) and the raw little-endian layouts,
// written for untrusted input: every length is checked against what is left before anything is
// allocated, and the first short or malformed field stops the reader. From then on every read yields
// zero, an empty string or an empty array, which is what the formats document for truncated files.
#pragma once

#include "Limits.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace quorvane {

class ByteReader
{
public:
    enum class Order { BigEndian, LittleEndian };

    explicit ByteReader(QIODevice* device, Order order = Order::BigEndian);

    bool ok() const { return m_ok; }
    // Bytes left on the device (0 once the reader has failed).
    qint64 remaining() const;

    quint32 u32();
    qint32 i32() { return qint32(u32()); }
    // A float written by a data stream in double precision (8 bytes).
    float floatAsDouble();
    // A float in 4 bytes (the raw little-endian layouts).
    float float32();
    // A data-stream string: byte count (0xFFFFFFFF for null) then UTF-16 code units.
    QString string();
    // A data-stream byte array: length (0xFFFFFFFF for null) then bytes; longer than `cap` fails.
    QByteArray byteArray(qint64 cap = kMaxEntryBytes);
    // Exactly `n` raw bytes, or fails.
    QByteArray raw(qint64 n);
    // Everything left on the device, up to `cap` (fails beyond).
    QByteArray rest(qint64 cap = kMaxArchiveBytes);

    void fail() { m_ok = false; }

private:
    bool take(char* dst, qint64 n);

    QIODevice* m_device;
    Order m_order;
    bool m_ok = true;
};

} // namespace quorvane
