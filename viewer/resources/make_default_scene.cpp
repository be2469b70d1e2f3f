// Writes the default scene that comes with Quorvane Viewer ("scene.qvx2" beside the program, or in the
// install tree's data folder): the greeting picture on every marker, with the built-in logo, so that the
// viewer shows something on any printed marker before the user has a scene of their own.
// Usage: quorvane_make_default_scene PICTURE.png ROWS OUTPUT.qvx2 (the picture's top ROWS rows; 0: all)
#include "Archive.h"
#include "Compression.h"
#include "Model.h"
#include "Scene.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PICTURE.png ROWS OUTPUT.qvx2\n", argv[0]);
        return 2;
    }
    QImage picture(QString::fromLocal8Bit(argv[1]));
    const int rows = QByteArray(argv[2]).toInt();
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    if (rows > 0 && rows < picture.height())
        picture = picture.copy(0, 0, picture.width(), rows);
    QByteArray pictureBytes;
    QBuffer pictureBuffer(&pictureBytes);
    pictureBuffer.open(QIODevice::WriteOnly);
    picture.save(&pictureBuffer, "PNG");
    // A picture model as the import makes one: the picture as it is, a thumbnail of at most 256 pixels.
    QByteArray thumbnail;
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::WriteOnly);
    picture.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(&buffer, "PNG");
    QTemporaryDir work;
    const QString model = work.filePath(QStringLiteral("bienvenida.qmd"));
    if (!quorvane::writeModelFile(model, quorvane::Picture, QStringLiteral("png"), quorvane::compressField(thumbnail),
                                  quorvane::compressField(pictureBytes))) {
        std::fprintf(stderr, "cannot write the model file\n");
        return 1;
    }

    // A picture stands on its marker at one unit a pixel: scaled to the printed marker's width.
    quorvane::Scene scene;
    for (quorvane::MarkerRecord& r : scene.markers) {
        r.modelFile = model;
        r.scale = 135.0f / float(picture.width());
    }
    QByteArray data;
    if (!quorvane::buildViewerSceneData(scene, &data, quorvane::TempCleanup::Keep) ||
        !quorvane::writeViewerArchive(QString::fromLocal8Bit(argv[3]), data,
                                      quorvane::buildLogoPng({true, QString()}))) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
