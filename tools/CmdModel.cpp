// quorvane model: look into model files and unpack them, without a window.
#include "Commands.h"

#include "Model.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] = "Usage: quorvane model info FILE.qmd\n"
                      "       quorvane model unpack FILE.qmd [DIR]\n"
                      "\n"
                      "  info    print the kind, suffix, sizes and side entries of a model file\n"
                      "  unpack  unpack the content, thumbnail and side files into DIR (default: the current folder),\n"
                      "          exactly as the programs unpack it into their temporary folder\n";

int fail(const QString& message)
{
    return qvtool::fail("model", message);
}

const char* kindName(qint32 kind)
{
    switch (kind) {
    case quorvane::ResourceModel:
        return "ResourceModel";
    case quorvane::SelfContainedModel:
        return "SelfContainedModel";
    case quorvane::Picture:
        return "Picture";
    case quorvane::Video:
        return "Video";
    case quorvane::NestedResourceModel:
        return "NestedResourceModel";
    default:
        return "unknown";
    }
}

QString sizes(qint64 stored, qint64 declared)
{
    if (declared < 0)
        return QStringLiteral("%1 bytes stored").arg(stored);
    return QStringLiteral("%1 bytes stored, %2 bytes unpacked").arg(stored).arg(declared);
}

QString statusText(const quorvane::ModelFileInfo& info)
{
    using S = quorvane::ModelFileInfo::Status;
    switch (info.status) {
    case S::CannotOpen:
        return QStringLiteral("cannot open the file");
    case S::BadSignature:
        return QStringLiteral("not a model file (signature differs)");
    case S::BadVersion:
        return QStringLiteral("unsupported model file version %1.%2").arg(info.versionMajor).arg(info.versionMinor);
    case S::UnsafeSuffix:
        return QStringLiteral("refused: its stored suffix names a path outside the folder");
    case S::Ok:
        break;
    }
    return QString();
}

int info(const QString& path)
{
    const quorvane::ModelFileInfo info = quorvane::inspectModelFile(path);
    if (info.status != quorvane::ModelFileInfo::Status::Ok)
        return fail(QStringLiteral("%1: %2").arg(path, statusText(info)));
    QTextStream out(stdout);
    out << "file: " << path << "\n";
    out << "kind: " << info.kind << " (" << kindName(info.kind) << ")\n";
    out << "suffix: " << info.suffix << "\n";
    out << "thumbnail: " << sizes(info.thumbnailStored, info.thumbnailDeclared) << "\n";
    out << "content: " << sizes(info.contentStored, info.contentDeclared) << "\n";
    if (info.hasSideCount)
        out << "side entries: " << info.sideCount << "\n";
    for (const auto& e : info.entries) {
        out << "  " << e.name << ": ";
        if (e.isError)
            out << "unreadable at import, skipped\n";
        else if (e.isUnsafe)
            out << "refused, the name leaves the folder\n";
        else
            out << sizes(e.storedBytes, e.declaredBytes) << "\n";
    }
    if (info.truncated)
        out << "warning: the file ends early; the missing parts are left out when unpacking\n";
    return 0;
}

int unpack(const QString& path, const QString& dirArg)
{
    const quorvane::ModelFileInfo info = quorvane::inspectModelFile(path);
    if (info.status != quorvane::ModelFileInfo::Status::Ok)
        return fail(QStringLiteral("%1: %2").arg(path, statusText(info)));
    const QString dirPath = dirArg.isEmpty() ? QDir::currentPath() : dirArg;
    if (!QDir().mkpath(dirPath))
        return fail(QStringLiteral("cannot create the folder %1").arg(dirPath));
    quorvane::Model_v0_0 record;
    if (!record.loadInto(path, QDir(dirPath)))
        return fail(QStringLiteral("%1: cannot unpack").arg(path));
    QTextStream out(stdout);
    out << "content: " << record.mainFile << "\n";
    out << "thumbnail: " << record.thumbnailFile << "\n";
    out.flush();
    // Whatever the file holds that could not be written makes the unpack a failure.
    if (!record.unwritten.isEmpty())
        return fail(QStringLiteral("%1: not written: %2").arg(path, record.unwritten.join(QStringLiteral(", "))));
    return 0;
}

} // namespace

int qvtool::runModel(const QStringList& args)
{
    if (const int code = usageExit(args, kUsage); code >= 0)
        return code;
    const QString& action = args.at(0);
    if (action == QLatin1String("info") && args.size() == 2)
        return info(args.at(1));
    if (action == QLatin1String("unpack") && (args.size() == 2 || args.size() == 3))
        return unpack(args.at(1), args.value(2));
    return qvtool::fail("model", QStringLiteral("bad arguments (try 'quorvane model --help')"));
}
