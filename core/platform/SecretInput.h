// Passwords given to the command-line programs: the first line of a file, or a line typed at the
// terminal without echo.
#pragma once

#include <QString>

namespace quorvane {

// The first line of `file` without its line end; a null string when the file cannot be read. With an
// empty `file`, asks on standard error ("Password: ") and reads a line from standard input, without echo
// when that is a terminal.
QString readSecret(const QString& file);

} // namespace quorvane
