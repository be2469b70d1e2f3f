// quorvane scene: print a scene file and export it as an archive, headless (for batch work).
#include "Commands.h"

#include "Archive.h"
#include "Messages.h"
#include "Model.h"
#include "Scene.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: quorvane scene info FILE.qvs2\n"
    "       quorvane scene export FILE.qvs2 (--viewer OUT.qvx2 | --mobile OUT.qvm2) [--logo PICTURE | --no-logo]\n"
    "\n"
    "  info    print the model file, transform and labels of every marker in use\n"
    "  export  write the viewer archive or the mobile archive of the scene with its model files;\n"
    "          the logo is PICTURE fitted into 256 x 256, none with --no-logo, else the built-in logo\n";

int fail(const QString& message)
{
    return qvtool::fail("scene", message);
}

bool readScene(const QString& path, quorvane::Scene* scene, QString* error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    int whole = 0;
    switch (quorvane::readSceneFile(path, scene, &whole)) {
    case quorvane::SceneReadStatus::Ok:
        if (whole == quorvane::kMarkerCount)
            return true;
        // A file that is not a scene (empty, text, anything else) parses as no whole record at all.
        *error = whole == 0 ? QStringLiteral("%1: not a scene file").arg(path)
                            : QStringLiteral("%1: truncated scene file (%2 of %3 markers whole)")
                                  .arg(path)
                                  .arg(whole)
                                  .arg(quorvane::kMarkerCount);
        break;
    case quorvane::SceneReadStatus::CannotOpen:
        *error = QStringLiteral("%1: cannot open the file").arg(path);
        break;
    case quorvane::SceneReadStatus::UnsupportedVersion:
        *error = QStringLiteral("%1: not a scene file (no format version 1 at its start)").arg(path);
        break;
    }
    return false;
}

QString floats(const float* v, int n)
{
    QStringList parts;
    for (int i = 0; i < n; ++i)
        parts << QString::number(double(v[i]), 'g', 7);
    return parts.join(QLatin1Char(' '));
}

int info(const QString& path)
{
    quorvane::Scene scene;
    QString error;
    if (!readScene(path, &scene, &error))
        return fail(error);
    QTextStream out(stdout);
    out << "file: " << path << "\n";
    int used = 0;
    for (int i = 0; i < quorvane::kMarkerCount; ++i) {
        const quorvane::MarkerRecord& r = scene.markers[size_t(i)];
        if (r.modelFile.isEmpty() && r.labels.isEmpty())
            continue;
        ++used;
        out << "marker " << i << ": " << (r.modelFile.isEmpty() ? QStringLiteral("(no model)") : r.modelFile)
            << (r.modelFile.isEmpty() || QFileInfo::exists(r.modelFile) ? "" : " (missing)") << "\n";
        out << "  rotation " << floats(r.rotation.data(), 3) << "  translation " << floats(r.translation.data(), 3)
            << "  scale " << floats(&r.scale, 1) << "\n";
        for (const quorvane::Label& l : r.labels)
            out << "  label \"" << l.text << "\" at " << floats(l.anchor.data(), 3) << ", distance "
                << floats(&l.distance, 1) << ", angle " << floats(&l.angle, 1) << ", size "
                << floats(&l.characterSize, 1) << "\n";
    }
    out << used << " of " << quorvane::kMarkerCount << " markers in use\n";
    return 0;
}

int exportScene(const QStringList& args)
{
    QString viewerOut, mobileOut, logo;
    bool noLogo = false;
    const QString source = args.value(1);
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--viewer") && i + 1 < args.size())
            viewerOut = args.at(++i);
        else if (a == QLatin1String("--mobile") && i + 1 < args.size())
            mobileOut = args.at(++i);
        else if (a == QLatin1String("--logo") && i + 1 < args.size())
            logo = args.at(++i);
        else if (a == QLatin1String("--no-logo"))
            noLogo = true;
        else
            return fail(QStringLiteral("unexpected argument '%1' (try 'quorvane scene --help')").arg(a));
    }
    if (source.isEmpty() || viewerOut.isEmpty() == mobileOut.isEmpty())
        return fail(QStringLiteral("give a scene file and exactly one of --viewer OUT.qvx2 or --mobile OUT.qvm2"));
    if (noLogo && !logo.isEmpty())
        return fail(QStringLiteral("--logo and --no-logo exclude each other"));
    if (!logo.isEmpty()) {
        if (const QString problem = quorvane::logoFileProblem(logo); !problem.isEmpty())
            return fail(QStringLiteral("%1: %2").arg(logo, problem));
    }

    quorvane::Scene scene;
    QString error;
    if (!readScene(source, &scene, &error))
        return fail(error);
    // The archive must not replace the scene or a model file it is made from.
    const QString target = QFileInfo(viewerOut.isEmpty() ? mobileOut : viewerOut).canonicalFilePath();
    if (!target.isEmpty()) {
        QStringList inputs{source};
        for (const auto& r : scene.markers)
            inputs << r.modelFile;
        for (const QString& input : inputs) {
            if (!input.isEmpty() && QFileInfo(input).canonicalFilePath() == target)
                return fail(
                    QStringLiteral("%1: the archive would replace %2, which it is made from").arg(target, input));
        }
    }
    for (int i = 0; i < quorvane::kMarkerCount; ++i) {
        const QString& model = scene.markers[size_t(i)].modelFile;
        if (!model.isEmpty() && !QFileInfo(model).isFile())
            std::fprintf(stderr, "quorvane scene: warning: marker %d: %s not found, exported without content\n", i,
                         qPrintable(model));
    }

    QByteArray data;
    bool built = false;
    if (!mobileOut.isEmpty()) {
        // The program checks the unpacked content files; their suffix is the one stored in the model file.
        QStringList refused;
        for (const auto& r : scene.markers) {
            if (r.modelFile.isEmpty() || !QFileInfo(r.modelFile).isFile())
                continue;
            const quorvane::ModelFileInfo info = quorvane::inspectModelFile(r.modelFile);
            if (info.status == quorvane::ModelFileInfo::Status::Ok &&
                info.suffix.compare(QLatin1String("obj"), Qt::CaseInsensitive) != 0)
                refused << r.modelFile;
        }
        if (!refused.isEmpty())
            return fail(QStringLiteral("the mobile viewer takes only OBJ models; not valid: %1")
                            .arg(refused.join(QLatin1String(", "))));
        built = quorvane::buildMobileSceneData(scene, &data, quorvane::TempCleanup::Keep);
    } else {
        built = quorvane::buildViewerSceneData(scene, &data, quorvane::TempCleanup::Keep);
    }
    if (!built)
        return fail(QStringLiteral("cannot build the scene data (a model file cannot be read or is too large)"));

    quorvane::LogoChoice choice;
    choice.custom = !noLogo;
    choice.file = logo;
    const QByteArray png = quorvane::buildLogoPng(choice);
    const QString out = viewerOut.isEmpty() ? mobileOut : viewerOut;
    const bool written = viewerOut.isEmpty() ? quorvane::writeMobileArchive(out, data, png)
                                             : quorvane::writeViewerArchive(out, data, png);
    if (!written)
        return fail(QStringLiteral("%1: cannot write the archive").arg(out));
    QTextStream(stdout) << "wrote " << out << "\n";
    return 0;
}

} // namespace

int qvtool::runScene(const QStringList& args)
{
    if (const int code = usageExit(args, kUsage); code >= 0)
        return code;
    if (args.at(0) == QLatin1String("info") && args.size() == 2)
        return info(args.at(1));
    if (args.at(0) == QLatin1String("export") && args.size() >= 2)
        return exportScene(args);
    return qvtool::fail("scene", QStringLiteral("bad arguments (try 'quorvane scene --help')"));
}
