// quorvane thumbnail: the 256 x 256 picture of a model, rendered off screen as an import does. The model
// is read and drawn in quorvane-render under limits.
#include "Commands.h"

#include "GuardedProcess.h"

#include <QFileInfo>

namespace qvtool {

int runThumbnail(const QStringList& args)
{
    OptionParser p(
        "thumbnail",
        QStringLiteral("Renders a model file (any format the scene library reads) into a 256 x 256 picture on pure "
                       "green.\nNeeds an X display or a virtual one (xvfb-run)."));
    p.addPositionalArgument(QStringLiteral("MODEL"), QStringLiteral("Model file"));
    p.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Picture to write (PNG, JPEG, BMP)"));
    if (const int code = p.parseArguments(args); code >= 0)
        return code;
    const QStringList pos = p.positionalArguments();
    if (pos.size() != 2)
        return p.fail(QStringLiteral("expected MODEL OUT.png"), 2);
    if (!QFileInfo(pos[0]).isFile())
        return p.fail(QStringLiteral("%1: no such file").arg(pos[0]), 1);
    const quorvane::GuardedRun run =
        quorvane::runGuarded(quorvane::companionProgram(QStringLiteral("quorvane-render")),
                             {QStringLiteral("thumbnail"), pos[0], pos[1]}, {}, quorvane::ChildOutput::Forward);
    if (run.status == quorvane::GuardedRun::Status::Finished)
        return run.exitCode;
    return p.fail(QStringLiteral("%1: not a readable model (%2)").arg(pos[0], run.stopReason()), 1);
}

} // namespace qvtool
