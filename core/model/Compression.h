// Compressed fields: the layout of qCompress (4-byte big-endian uncompressed length, then a zlib
// stream with its header). Decompression is bounded: the declared length is checked before anything
// is allocated, and output beyond the cap stops the inflater.
#pragma once

#include "Limits.h"

#include <QByteArray>

namespace quorvane {

// qCompress at the default level.
QByteArray compressField(const QByteArray& data);

// Inflates a compressed field. Returns false (and an empty `out`) when the field is shorter than its
// length word, declares more than `cap` bytes, is not a complete zlib stream, or inflates to another
// size than it declares.
bool uncompressField(const QByteArray& field, QByteArray* out, qint64 cap = kMaxEntryBytes);

// The length word of a compressed field, or -1 when the field is too short to hold one.
qint64 declaredUncompressedSize(const QByteArray& field);

} // namespace quorvane
