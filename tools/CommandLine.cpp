#include "CommandLine.h"

#include <QCoreApplication>

#include <cstdio>

namespace qvtool {

int fail(const char* command, const QString& text, int code)
{
    std::fprintf(stderr, "quorvane %s: %s\n", command, qPrintable(text));
    return code;
}

OptionParser::OptionParser(const char* command, const QString& description) : m_command(command)
{
    setApplicationDescription(description);
    addHelpOption();
}

int OptionParser::parseArguments(const QStringList& args)
{
    if (!parse(QStringList{QStringLiteral("quorvane %1").arg(QLatin1String(m_command))} + args))
        return fail(errorText(), 2);
    if (isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    return -1;
}

QString OptionParser::usage() const
{
    // The parser names the running binary by its full path and leaves the command out.
    QString text = helpText();
    const QString program = QCoreApplication::arguments().value(0);
    const QString usageLine = QStringLiteral("Usage: %1").arg(program);
    if (!program.isEmpty() && text.startsWith(usageLine))
        text.replace(0, usageLine.size(), QStringLiteral("Usage: quorvane %1").arg(QLatin1String(m_command)));
    return text;
}

int usageExit(const QStringList& args, const char* usage)
{
    if (args.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    return -1;
}

} // namespace qvtool
