// Names taken from files of other people (side-file entries, archive records) become paths below a
// target folder. Only plain relative paths may: no "..", no absolute or drive-qualified names, no
// control characters. Callers turn "\" into "/" first, so a backslash is a folder separator and never
// a way out.
#pragma once

#include <QString>

namespace quorvane {

bool isSafeRelativePath(const QString& name);

// Makes the relative path `relative` ("/"-separated; names from files of other people are checked with
// isSafeRelativePath first) ready to be written below the folder `root` without ever writing through a
// link: a symbolic link on the way (a folder, or the file itself) is removed and a real folder made in its
// place; missing folders are made. Returns the path to write, or an empty string when a part is empty,
// "." or "..", or the way cannot be made (a file stands where a folder must).
QString prepareSafeWrite(const QString& root, const QString& relative);

} // namespace quorvane
