// Names taken from files of other people (side-file entries, archive records) become paths below a
// target folder. Only plain relative paths may: no "..", no absolute or drive-qualified names, no
// control characters. Callers turn "\" into "/" first, so a backslash is a folder separator and never
// a way out.
#pragma once

#include <QString>

namespace quorvane {

bool isSafeRelativePath(const QString& name);

} // namespace quorvane
