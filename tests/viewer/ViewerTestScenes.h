// Scenes for Quorvane Viewer's tests, made the way users make them: content files imported into model files
// with `quorvane import`, a scene file, and the viewer archive exported with `quorvane scene export`. Also
// the content itself: a cube of one colour, a picture, a short video.
#pragma once

#include "TestFiles.h"
#include "ToolRun.h"

#include "Archive.h"
#include "Scene.h"

#include <QColor>
#include <QFileInfo>
#include <QImage>

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

namespace testutil {

// Imports one content file into `library`; the model file, or an empty string.
inline QString importContent(const QString& file, const QString& library)
{
    if (runTool({QStringLiteral("import"), QStringLiteral("--to"), library, QStringLiteral("--force"), file})
            .exitCode != 0)
        return QString();
    const QString model = library + QLatin1Char('/') + QFileInfo(file).fileName().section(QLatin1Char('.'), 0, 0) +
                          QStringLiteral(".qmd");
    return QFileInfo::exists(model) ? model : QString();
}

// Writes the scene file and exports it as a viewer archive; `logo` is a picture, "none" for no logo (a
// transparent one), or empty for the built-in logo.
inline bool exportViewerArchive(const quorvane::Scene& scene, const QString& archive, const QString& logo = {})
{
    const QString sceneFile = archive + QStringLiteral(".qvs2");
    if (!quorvane::writeSceneFile(scene, sceneFile))
        return false;
    QStringList args{QStringLiteral("scene"), QStringLiteral("export"), sceneFile, QStringLiteral("--viewer"), archive};
    if (logo == QLatin1String("none"))
        args << QStringLiteral("--no-logo");
    else if (!logo.isEmpty())
        args << QStringLiteral("--logo") << logo;
    return runTool(args).exitCode == 0;
}

// A cube of `side` units in one colour: OBJ with its material library.
inline bool writeCube(const QString& objFile, const QColor& colour, float side = 100.0f)
{
    const QString base = QFileInfo(objFile).completeBaseName();
    const float h = side / 2;
    QByteArray obj = "mtllib " + base.toUtf8() + ".mtl\nusemtl paint\n";
    for (int i = 0; i < 8; ++i)
        obj += QStringLiteral("v %1 %2 %3\n").arg(i & 1 ? h : -h).arg(i & 2 ? h : -h).arg(i & 4 ? h : -h).toUtf8();
    obj += "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
    const QByteArray rgb =
        QStringLiteral("%1 %2 %3").arg(colour.redF()).arg(colour.greenF()).arg(colour.blueF()).toUtf8();
    const QByteArray mtl = "newmtl paint\nKa " + rgb + "\nKd " + rgb + "\nKs 0 0 0\n";
    return writeFile(objFile, obj) &&
           writeFile(QFileInfo(objFile).absolutePath() + QLatin1Char('/') + base + QStringLiteral(".mtl"), mtl);
}

inline bool writePicture(const QString& file, const QColor& colour, int width = 160, int height = 120)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(file);
}

// A Motion JPEG clip of one colour with a band that moves, so that its frames differ.
inline bool writeVideo(const QString& file, const QColor& colour, int frames = 30)
{
    cv::VideoWriter writer(file.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 15.0, cv::Size(160, 120));
    if (!writer.isOpened())
        return false;
    for (int i = 0; i < frames; ++i) {
        cv::Mat frame(120, 160, CV_8UC3, cv::Scalar(colour.blue(), colour.green(), colour.red()));
        cv::rectangle(frame, cv::Rect((i * 5) % 160, 0, 20, 120), cv::Scalar(255, 255, 255), cv::FILLED);
        writer.write(frame);
    }
    return true;
}

} // namespace testutil
