// Fuzz target: importing content files, through the guarded reader process the tool and the programs use.
// The first byte picks the kind (OBJ beside a material library and a texture, COLLADA, 3DS, STL, glTF,
// FBX); whatever the readers make of the rest, the import answers with a model file or a clean failure,
// this process lives on, and nothing is written outside the library and the temporary folder.
#include "FuzzSupport.h"

#include "Archive.h"
#include "GuardedProcess.h"
#include "Model.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const char* const kinds[] = {"obj", "dae", "3ds", "stl", "gltf", "fbx"};
    const QString suffix = QString::fromLatin1(kinds[data[0] % 6]);
    const QTemporaryDir& root = fuzzsupport::scratch();
    const QString source = root.filePath(QStringLiteral("src"));
    const QString library = root.filePath(QStringLiteral("lib"));
    QDir().mkpath(source);
    QDir().mkpath(library);
    QFile mtl(source + QStringLiteral("/a.mtl"));
    if (mtl.open(QIODevice::WriteOnly))
        mtl.write("newmtl skin\nmap_Kd t.png\n");
    mtl.close();
    QImage texture(4, 4, QImage::Format_RGB32);
    texture.fill(Qt::green);
    texture.save(source + QStringLiteral("/t.png"));
    QFile input(source + QStringLiteral("/model.") + suffix);
    if (input.open(QIODevice::WriteOnly | QIODevice::Truncate))
        input.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    input.close();

    const QString target = library + QStringLiteral("/model.qmd");
    quorvane::GuardLimits limits;
    limits.addressSpaceBytes = qint64(2) << 30;
    limits.cpuSeconds = 10;
    limits.wallSeconds = 20;
    const quorvane::GuardedRun run = quorvane::runGuarded(QStringLiteral(QUORVANE_RENDER),
                                                          {QStringLiteral("import"), input.fileName(), target}, limits);
    fuzzsupport::check(run.status != quorvane::GuardedRun::Status::FailedToStart);
    if (run.succeeded())
        fuzzsupport::check(quorvane::inspectModelFile(target).status == quorvane::ModelFileInfo::Status::Ok);
    else if (run.status == quorvane::GuardedRun::Status::Finished)
        fuzzsupport::check(!QFileInfo::exists(target) && run.exitCode == 1);

    const QStringList top = QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    for (const QString& entry : top)
        fuzzsupport::check(entry == QLatin1String("src") || entry == QLatin1String("lib") ||
                           entry == QLatin1String("QuorvaneTemp"));
    quorvane::emptyDirectory(QDir(library));
    quorvane::emptyDirectory(quorvane::tempDirectory());
    return 0;
}
