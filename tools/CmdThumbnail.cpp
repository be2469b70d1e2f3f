// quorvane thumbnail: the 256 x 256 picture of a model, rendered off screen as an import does.
#include "Commands.h"

#include "Thumbnail.h"

#include <QFileInfo>

#include <cstdio>

namespace qvtool {

int runThumbnail(const QStringList& args)
{
    OptionParser p(
        "thumbnail",
        QStringLiteral(
            "Renders a model file (any format the scene library reads) into a 256 x 256 picture on pure green.\n"
            "Needs an X display or a virtual one (xvfb-run)."));
    p.addPositionalArgument(QStringLiteral("MODEL"), QStringLiteral("Model file"));
    p.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Picture to write (PNG, JPEG, BMP)"));
    if (const int code = p.parseArguments(args); code >= 0)
        return code;
    const QStringList pos = p.positionalArguments();
    if (pos.size() != 2) {
        return p.fail(QStringLiteral("expected MODEL OUT.png"), 2);
    }
    if (!QFileInfo(pos[0]).isFile()) {
        return p.fail(QStringLiteral("%1: no such file").arg(pos[0]), 1);
    }
    if (!quorvane::renderModelThumbnail(QFile::encodeName(pos[0]).toStdString(),
                                        QFile::encodeName(pos[1]).toStdString()) ||
        !QFileInfo(pos[1]).isFile()) {
        return p.fail(QStringLiteral("%1: cannot render it (unreadable or empty model, or no display)").arg(pos[0]), 1);
    }
    return 0;
}

} // namespace qvtool
