// Caps for everything read from files that come from other people. They lie far above any real
// scene (a model is a few MiB, a video model tens of MiB) and far below what a desktop can allocate,
// so a hostile declared length fails cleanly instead of exhausting memory.
#pragma once

#include <QtGlobal>

namespace quorvane {

// Largest single entry, stored or decompressed (content, thumbnail, side file, archive model).
inline constexpr qint64 kMaxEntryBytes = qint64(512) * 1024 * 1024;
// Largest archive or model pack handled as a whole in memory.
inline constexpr qint64 kMaxArchiveBytes = qint64(1024) * 1024 * 1024;
// Longest entry or record name, in characters.
inline constexpr int kMaxNameLength = 4096;

} // namespace quorvane
