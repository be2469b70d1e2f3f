// Time from the start of Quorvane Viewer to its first frame with content, for a scene of 20 models, cold
// and warm, measured side by side: each round starts the viewer once after emptying the page cache of its
// files (cold) and once right after (warm). Needs a display; under Xvfb it draws with Mesa's software
// OpenGL, as the tests do.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/viewer/bench_viewer_start [rounds]
//
// The scene: 20 models of Debian's assimp test models (OBJ, 3DS, COLLADA, STL), imported with
// `quorvane import` and exported with `quorvane scene export`; the camera: one synthesised picture showing
// markers 0, 1 and 2 (`quorvane synth frame`), through the file camera.
#include <QByteArray>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <unistd.h>
#include <vector>

namespace {

const QString kModels = QStringLiteral("/usr/share/assimp/models/");
const char* const kCandidates[] = {
    "OBJ/spider.obj",
    "OBJ/WusonOBJ.obj",
    "OBJ/regr01.obj",
    "3DS/fels.3ds",
    "3DS/test1.3ds",
    "3DS/cubes_with_alpha.3DS",
    "3DS/RotatingCube.3DS",
    "Collada/duck.dae",
    "Collada/sphere.dae",
    "Collada/Cinema4D.dae",
    "Collada/COLLADA.dae",
    "Collada/kwxport_test_vcolors.dae",
    "Collada/lights.dae",
    "Collada/box_nested_animation.dae",
    "Collada/library_animation_clips.dae",
    "Collada/cube_triangulate.dae",
    "STL/Spider_binary.stl",
    "STL/Wuson.stl",
    "STL/sphereWithHole.stl",
    "STL/Spider_ascii.stl",
    "Collada/cube_UTF8BOM.dae",
    "Collada/ConcavePolygon.dae",
    "PLY/Wuson.ply",
};

bool runTool(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(QUORVANE_TOOL), args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A ".qvs2" scene file naming one model file per marker, at the content's own size.
bool writeScene(const QString& path, const QStringList& models)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QDataStream s(&f);
    s.setVersion(12);
    s.setFloatingPointPrecision(QDataStream::DoublePrecision);
    s << qint32(1);
    for (int i = 0; i < 20; ++i) {
        s << models.value(i);
        for (int k = 0; k < 6; ++k)
            s << 0.0f;
        s << 1.0f << qint32(0);
    }
    return s.status() == QDataStream::Ok;
}

// Drops the cached pages of the files (those no running process maps stay out of memory).
int evict(const QStringList& files)
{
    int n = 0;
    for (const QString& file : files) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
        if (fd < 0)
            continue;
        if (::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0)
            ++n;
        ::close(fd);
    }
    return n;
}

QStringList filesBelow(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// What a cold start reads: the program and every shared library it loads, the scene graph's and Qt's
// plug-ins, the fonts, the scene.
QStringList viewerFiles(const QString& archive)
{
    QStringList files{QStringLiteral(VIEWER_CHILD), archive};
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(VIEWER_CHILD)});
    ldd.waitForFinished();
    for (const QByteArray& line : ldd.readAllStandardOutput().split('\n')) {
        const int arrow = line.indexOf("=> /");
        if (arrow >= 0)
            files << QString::fromLocal8Bit(line.mid(arrow + 3, line.indexOf(" (", arrow) - arrow - 3));
    }
    for (const QString& dir :
         {QStringLiteral("/usr/lib/x86_64-linux-gnu/osgPlugins-3.6.5"), QLibraryInfo::path(QLibraryInfo::PluginsPath),
          QStringLiteral("/usr/share/fonts"), QStringLiteral("/usr/lib/x86_64-linux-gnu/dri")})
        files << filesBelow(dir);
    return files;
}

struct Run
{
    std::map<std::string, double> ms; // window, started, content
    bool ok = false;
};

Run startViewer(const QString& archive, const QProcessEnvironment& env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    const qint64 t0 = qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    child.start(QStringLiteral(VIEWER_CHILD), {QString::number(t0), archive});
    Run run;
    if (!child.waitForFinished(180000))
        return run;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 2)
            run.ms[parts[0].toStdString()] = parts[1].toDouble();
    }
    run.ok = run.ms.count("content") == 1;
    return run;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir work;

    // The scene: the first 20 candidates that import.
    std::fprintf(stderr, "Importing models...\n");
    QStringList models, names;
    for (const char* candidate : kCandidates) {
        if (models.size() == 20)
            break;
        const QString source = kModels + QLatin1String(candidate);
        const QString model =
            work.filePath(QStringLiteral("library/%1.qmd").arg(QFileInfo(source).fileName().section('.', 0, 0)));
        if (QFileInfo::exists(source) && !QFileInfo::exists(model) &&
            runTool(
                {QStringLiteral("import"), QStringLiteral("--to"), work.filePath(QStringLiteral("library")), source}) &&
            QFileInfo::exists(model)) {
            models << model;
            names << QLatin1String(candidate);
        }
    }
    const QString scene = work.filePath(QStringLiteral("scene.qvs2"));
    const QString archive = work.filePath(QStringLiteral("feria.qvx2"));
    const QString camera = work.filePath(QStringLiteral("camera.png"));
    if (models.size() < 20 || !writeScene(scene, models) ||
        !runTool({QStringLiteral("scene"), QStringLiteral("export"), scene, QStringLiteral("--viewer"), archive}) ||
        !runTool({QStringLiteral("synth"), QStringLiteral("frame"), camera})) {
        std::fprintf(stderr, "could not prepare the scene (%lld models)\n", static_cast<long long>(models.size()));
        return 1;
    }

    // Each start as a first start on this machine: its own home, settings and temporary folders.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = work.filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("localappdata"), home + QStringLiteral("/localappdata"));
    env.insert(QStringLiteral("QUORVANE_CAMERA"), camera);
    env.insert(QStringLiteral("LIBGL_ALWAYS_SOFTWARE"), QStringLiteral("1"));

    const QStringList coldFiles = viewerFiles(archive);
    std::map<std::string, std::vector<double>> cold, warm;
    int failures = 0;
    startViewer(archive, env); // once, so that the first cold start is not also the first ever
    for (int r = 0; r < rounds; ++r) {
        evict(coldFiles);
        // Mesa's shader cache would make every start after the first a warm one.
        QDir(home + QStringLiteral("/cache")).removeRecursively();
        for (auto* which : {&cold, &warm}) {
            const Run run = startViewer(archive, env);
            if (!run.ok) {
                ++failures;
                continue;
            }
            for (const auto& [key, ms] : run.ms)
                (*which)[key].push_back(ms);
        }
    }

    std::printf("Quorvane Viewer, start to first frame with content: 20 models, %d rounds (median ms)\n\n", rounds);
    std::printf("| from the start to | cold | warm | cold / warm |\n|---|---|---|---|\n");
    const std::pair<const char*, const char*> rows[] = {{"main", "main() entered"},
                                                        {"dialog", "the start-up dialog shown"},
                                                        {"window", "the main window shown"},
                                                        {"started", "scene open and camera started"},
                                                        {"content", "first frame with content"}};
    for (const auto& [key, label] : rows) {
        const double c = median(cold[key]), w = median(warm[key]);
        std::printf("| %s | %.0f | %.0f | %.2f |\n", label, c, w, w > 0 ? c / w : 0.0);
    }
    std::printf("\nModels: %s\nFiles evicted before each cold start: %lld; failed starts: %d\n",
                qPrintable(names.join(QStringLiteral(", "))), static_cast<long long>(coldFiles.size()), failures);
    return failures == 0 ? 0 : 1;
}
