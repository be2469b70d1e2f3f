// quorvane archive: look into export archives and take them apart, without a window.
#include "Commands.h"

#include "Archive.h"
#include "Limits.h"
#include "SafePath.h"
#include "Scene.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] = "Usage: quorvane archive info FILE\n"
                      "       quorvane archive extract FILE DIR\n"
                      "\n"
                      "FILE is a viewer archive (.qvx2, .qvx, or without magic) or a mobile archive (.qvm2).\n"
                      "  info     print the layout, the markers with their models and labels, and the logo size\n"
                      "  extract  write the model files, the logo (logo.png) and, for viewer archives, a scene file\n"
                      "           (scene.qvs2) naming the extracted models into DIR\n";

int fail(const QString& message)
{
    return qvtool::fail("archive", message);
}

bool isMobile(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("qvm2"), Qt::CaseInsensitive) == 0;
}

bool readFile(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot open the file").arg(path);
        return false;
    }
    if (file.size() > quorvane::kMaxArchiveBytes) {
        *error = QStringLiteral("%1: too large for an archive").arg(path);
        return false;
    }
    *bytes = file.readAll();
    return true;
}

const char* layoutName(quorvane::ArchiveLayout layout)
{
    switch (layout) {
    case quorvane::ArchiveLayout::ViewerFormat2:
        return "viewer archive, format 2";
    case quorvane::ArchiveLayout::ViewerFormat1:
        return "viewer archive, format 1";
    case quorvane::ArchiveLayout::PlainRecords:
        return "records without magic";
    }
    return "";
}

bool parseViewer(const QString& path, const QByteArray& bytes, quorvane::ViewerArchiveContents* c, QString* error)
{
    const bool format2 = QFileInfo(path).suffix().compare(QLatin1String("qvx"), Qt::CaseInsensitive) != 0;
    if (quorvane::parseViewerArchive(bytes, format2, c) != quorvane::ArchiveParseStatus::Ok) {
        *error = QStringLiteral("%1: the archive holds nothing after its magic").arg(path);
        return false;
    }
    // Without the magic only twenty whole records make an archive; anything else is some other file.
    if (c->layout == quorvane::ArchiveLayout::PlainRecords && !c->complete) {
        *error = QStringLiteral("%1: not an archive").arg(path);
        return false;
    }
    // The scrambling depends on the length, so a file cut short unscrambles into a wrong version word.
    if (!c->versionOk || !c->complete) {
        *error = QStringLiteral("%1: truncated or damaged archive").arg(path);
        return false;
    }
    return true;
}

void printLabels(QTextStream& out, const QList<quorvane::Label>& labels)
{
    for (const quorvane::Label& l : labels)
        out << "  label \"" << l.text << "\"\n";
}

int info(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!readFile(path, &bytes, &error))
        return fail(error);
    QTextStream out(stdout);
    if (isMobile(path)) {
        quorvane::MobileArchiveContents c;
        const bool complete = quorvane::parseMobileArchive(bytes, &c);
        if (c.version != 1)
            return fail(QStringLiteral("%1: not a mobile archive of a supported version").arg(path));
        out << "file: " << path << "\nlayout: mobile archive\nrecords: " << c.declaredCount << "\n";
        for (const quorvane::MobileMarker& m : c.markers) {
            out << "marker " << m.index << ": " << m.pack.size() << " packed entries\n";
            for (const quorvane::MobilePackEntry& e : m.pack)
                out << "  " << e.name << ": " << e.data.size() << " bytes\n";
            printLabels(out, m.record.labels);
        }
        if (!complete)
            return fail(QStringLiteral("%1: the archive ends early").arg(path));
        out << "logo: " << c.logoPng.size() << " bytes\n";
        return 0;
    }
    quorvane::ViewerArchiveContents c;
    if (!parseViewer(path, bytes, &c, &error))
        return fail(error);
    out << "file: " << path << "\nlayout: " << layoutName(c.layout) << "\n";
    for (int i = 0; i < quorvane::kMarkerCount; ++i) {
        const quorvane::MarkerRecord& r = c.scene.markers[size_t(i)];
        if (c.models[size_t(i)].isEmpty() && r.labels.isEmpty())
            continue;
        out << "marker " << i << ": " << (r.modelFile.isEmpty() ? QStringLiteral("(no model)") : r.modelFile) << ", "
            << c.models[size_t(i)].size() << " bytes\n";
        printLabels(out, r.labels);
    }
    if (c.hasLogo)
        out << "logo: " << c.logoPng.size() << " bytes\n";
    return 0;
}

// Writes `relative` below `dir`, never through a link found there. The written path, or empty.
QString writeInside(const QDir& dir, const QString& relative, const QByteArray& data)
{
    const QString path = quorvane::prepareSafeWrite(dir.absolutePath(), relative);
    if (path.isEmpty())
        return QString();
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    return ok ? path : QString();
}

// A packed entry name is a path in the exporting machine's temporary folder; keep the part below it.
QString packedRelativeName(const QString& stored)
{
    QString name = QString(stored).replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString marker = QStringLiteral("/QuorvaneTemp/");
    const int at = name.lastIndexOf(marker);
    if (at >= 0)
        name = name.mid(at + marker.size());
    else if (name.contains(QLatin1Char(':')) || name.startsWith(QLatin1Char('/')))
        name = QFileInfo(name).fileName();
    return name;
}

int extract(const QString& path, const QString& dirPath)
{
    QByteArray bytes;
    QString error;
    if (!readFile(path, &bytes, &error))
        return fail(error);
    if (!QDir().mkpath(dirPath))
        return fail(QStringLiteral("cannot create the folder %1").arg(dirPath));
    const QDir dir(QFileInfo(dirPath).absoluteFilePath());
    QTextStream out(stdout);
    int written = 0;
    QByteArray logo;
    if (isMobile(path)) {
        quorvane::MobileArchiveContents c;
        if (!quorvane::parseMobileArchive(bytes, &c))
            return fail(QStringLiteral("%1: not a complete mobile archive").arg(path));
        for (const quorvane::MobileMarker& m : c.markers) {
            const QString folder = QStringLiteral("marker%1").arg(m.index, 2, 10, QLatin1Char('0'));
            for (const quorvane::MobilePackEntry& e : m.pack) {
                const QString rel = packedRelativeName(e.name);
                if (e.name == QLatin1String("Error") || !quorvane::isSafeRelativePath(rel) || m.index < 0 ||
                    m.index >= quorvane::kMarkerCount) {
                    std::fprintf(stderr, "quorvane archive: skipped entry '%s'\n", qPrintable(e.name));
                    continue;
                }
                const QString target = writeInside(dir, folder + QLatin1Char('/') + rel, e.data);
                if (target.isEmpty())
                    return fail(QStringLiteral("%1: cannot write").arg(dir.filePath(folder + QLatin1Char('/') + rel)));
                out << target << "\n";
                ++written;
            }
        }
        logo = c.logoPng;
    } else {
        quorvane::ViewerArchiveContents c;
        if (!parseViewer(path, bytes, &c, &error))
            return fail(error);
        quorvane::Scene scene = c.scene;
        for (int i = 0; i < quorvane::kMarkerCount; ++i) {
            quorvane::MarkerRecord& r = scene.markers[size_t(i)];
            const QString name = r.modelFile;
            r.modelFile.clear();
            if (c.models[size_t(i)].isEmpty())
                continue;
            if (!name.startsWith(QLatin1Char('/')) || !quorvane::isSafeRelativePath(name.mid(1)) ||
                name.mid(1).contains(QLatin1Char('/'))) {
                std::fprintf(stderr, "quorvane archive: skipped record %d with the name '%s'\n", i, qPrintable(name));
                continue;
            }
            const QString target = writeInside(dir, name.mid(1), c.models[size_t(i)]);
            if (target.isEmpty())
                return fail(QStringLiteral("%1: cannot write").arg(dir.filePath(name.mid(1))));
            r.modelFile = target;
            out << target << "\n";
            ++written;
        }
        const QString sceneFile = quorvane::prepareSafeWrite(dir.absolutePath(), QStringLiteral("scene.qvs2"));
        if (sceneFile.isEmpty() || !quorvane::writeSceneFile(scene, sceneFile))
            return fail(QStringLiteral("%1: cannot write").arg(sceneFile));
        out << sceneFile << "\n";
        if (c.hasLogo)
            logo = c.logoPng;
    }
    if (!logo.isEmpty()) {
        const QString logoFile = writeInside(dir, QStringLiteral("logo.png"), logo);
        if (logoFile.isEmpty())
            return fail(QStringLiteral("%1: cannot write").arg(dir.filePath(QStringLiteral("logo.png"))));
        out << logoFile << "\n";
    }
    return 0;
}

} // namespace

int qvtool::runArchive(const QStringList& args)
{
    if (const int code = usageExit(args, kUsage); code >= 0)
        return code;
    if (args.at(0) == QLatin1String("info") && args.size() == 2)
        return info(args.at(1));
    if (args.at(0) == QLatin1String("extract") && args.size() == 3)
        return extract(args.at(1), args.at(2));
    return qvtool::fail("archive", QStringLiteral("bad arguments (try 'quorvane archive --help')"));
}
