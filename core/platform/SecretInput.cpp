#include "SecretInput.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace quorvane {

QString readSecret(const QString& file)
{
    QString text;
    if (!file.isEmpty()) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QString();
        text = QString::fromUtf8(f.readLine(4096));
    } else {
        const bool terminal = isatty(fileno(stdin));
        termios saved{};
        if (terminal) {
            std::fprintf(stderr, "Password: ");
            tcgetattr(fileno(stdin), &saved);
            termios quiet = saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            tcsetattr(fileno(stdin), TCSANOW, &quiet);
        }
        QTextStream in(stdin);
        text = in.readLine();
        if (terminal) {
            tcsetattr(fileno(stdin), TCSANOW, &saved);
            std::fprintf(stderr, "\n");
        }
    }
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

} // namespace quorvane
