// quorvane-render: the commands of the tool that draw models (thumbnail, import). `quorvane` hands them
// over, so that its other commands link no rendering library.
#include "Commands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));

    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    if (command == QLatin1String("thumbnail"))
        return qvtool::runThumbnail(args.mid(2));
    if (command == QLatin1String("import"))
        return qvtool::runImport(args.mid(2));
    std::fprintf(stderr, "quorvane-render: runs 'thumbnail' and 'import' for quorvane (try 'quorvane --help')\n");
    return 2;
}
