// quorvane thumbnail: the 256 x 256 picture of a model, rendered off screen as an import does.
#include "Commands.h"

#include "Thumbnail.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace qvtool {

int runThumbnail(const QStringList& args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Renders a model file (any format the scene library reads) into a 256 x 256 picture on pure green.\n"
        "Needs an X display or a virtual one (xvfb-run)."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("MODEL"), QStringLiteral("Model file"));
    p.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Picture to write (PNG, JPEG, BMP)"));
    if (!p.parse(QStringList{QStringLiteral("quorvane thumbnail")} + args)) {
        std::fprintf(stderr, "quorvane thumbnail: %s\n", qPrintable(p.errorText()));
        return 2;
    }
    if (p.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(p.helpText()), stdout);
        return 0;
    }
    const QStringList pos = p.positionalArguments();
    if (pos.size() != 2) {
        std::fprintf(stderr, "quorvane thumbnail: expected MODEL OUT.png\n");
        return 2;
    }
    if (!QFileInfo(pos[0]).isFile()) {
        std::fprintf(stderr, "quorvane thumbnail: %s: no such file\n", qPrintable(pos[0]));
        return 1;
    }
    if (!renderModelThumbnail(QFile::encodeName(pos[0]).toStdString(), QFile::encodeName(pos[1]).toStdString()) ||
        !QFileInfo(pos[1]).isFile()) {
        std::fprintf(stderr, "quorvane thumbnail: %s: cannot render it (unreadable or empty model, or no display)\n",
                     qPrintable(pos[0]));
        return 1;
    }
    return 0;
}

} // namespace qvtool
