// Import time per kind of content: the whole of Model_v0_0::importFrom (copying, rewriting, the
// thumbnail, writing the model file) on real files, median of several runs. Model thumbnails
// render off screen, so run it under xvfb-run as the tests do:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/model/bench_import [runs]
#include "ImportReporter.h"
#include "Model.h"
#include "Thumbnail.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

namespace {} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir work;
    qputenv("localappdata", work.filePath(QStringLiteral("localappdata")).toLocal8Bit());

    // A picture and a video of our own, the models from Debian's test set.
    const QString picture = work.filePath(QStringLiteral("photo.jpg"));
    cv::imwrite(picture.toStdString(), cv::Mat(1080, 1920, CV_8UC3, cv::Scalar(40, 120, 200)));
    const QString video = work.filePath(QStringLiteral("clip.avi"));
    {
        cv::VideoWriter w(video.toStdString(), cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 30.0, cv::Size(640, 480));
        for (int i = 0; i < 90; ++i)
            w.write(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(i)));
    }
    const QString m = QStringLiteral("/usr/share/assimp/models/");
    const std::vector<std::pair<const char*, QString>> files = {
        {"picture (JPEG 1920 x 1080)", picture},
        {"video (MJPG 640 x 480, 3 s)", video},
        {"3DS with a texture", m + QStringLiteral("3DS/cube_with_diffuse_texture.3DS")},
        {"OBJ with MTL and 3 textures", m + QStringLiteral("OBJ/spider.obj")},
        {"COLLADA with a texture", m + QStringLiteral("Collada/duck.dae")},
        {"STL", m + QStringLiteral("STL/Spider_ascii.stl")},
        {"FBX (converted)", m + QStringLiteral("FBX/spider.fbx")},
        {"glTF with a texture (converted)", m + QStringLiteral("glTF2/BoxTextured-glTF/BoxTextured.gltf")},
    };

    std::printf("| content | median ms | runs |\n|---|---|---|\n");
    quorvane::SilentImportReporter quiet;
    std::streambuf* out = std::cout.rdbuf();
    std::ostringstream sink;
    for (const auto& [name, source] : files) {
        if (!QFileInfo::exists(source))
            continue;
        std::vector<double> t;
        for (int r = 0; r < runs; ++r) {
            const QString target =
                work.filePath(QStringLiteral("lib%1/%2.qmd").arg(r).arg(QFileInfo(source).baseName()));
            QDir().mkpath(QFileInfo(target).path());
            quorvane::Model_v0_0 model;
            model.reporter = &quiet;
            quorvane::attachImportServices(model);
            std::cout.rdbuf(sink.rdbuf()); // the thumbnail's capture lines
            QElapsedTimer timer;
            timer.start();
            const bool ok = model.importFrom(target, source);
            t.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            std::cout.rdbuf(out);
            if (!ok)
                std::fprintf(stderr, "%s: import failed: %s\n", name, qPrintable(model.lastError));
        }
        std::nth_element(t.begin(), t.begin() + t.size() / 2, t.end());
        std::printf("| %s | %.1f | %d |\n", name, t[t.size() / 2], runs);
    }
    return 0;
}
