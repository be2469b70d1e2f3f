// What the tests of Quorvane Author share: model files made from pictures (no display needed), usage
// pages recorded instead of sent, the desktop's file opening caught, and a camera picture of markers.
#pragma once

#include "FrameSynth.h"
#include "ImportReporter.h"
#include "LibraryScanner.h"
#include "Model.h"
#include "ModelDragPayload.h"
#include "ModelImporter.h"
#include "OnlineHooks.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

#include <opencv2/imgcodecs.hpp>

#include <memory>

namespace testutil {

// A picture of one colour, imported as the model file DIR/NAME.qmd. Empty when it fails.
inline QString pictureModel(const QString& dir, const QString& name, const QColor& colour, int side = 64)
{
    QDir().mkpath(dir);
    const QString picture = QDir(dir).filePath(QStringLiteral("src_%1.png").arg(name));
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(colour);
    if (!img.save(picture))
        return {};
    const QString model = QDir(dir).filePath(name + QStringLiteral(".qmd"));
    quorvane::StderrImportReporter reporter;
    quorvane::ModelImporter importer(&reporter);
    const bool ok = importer.importFile(picture, model);
    QFile::remove(picture);
    return ok ? model : QString();
}

// The content of a model file, unpacked as a marker takes it; empty when it cannot be.
inline QString contentFile(const QString& modelFile)
{
    quorvane::Model_v0_0 model;
    return model.load(modelFile) ? model.mainFile : QString();
}

// Drops this data on a widget as the toolkit delivers a drop; true when the drop was accepted.
inline bool dropOn(QWidget* target, QMimeData* mime)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// The payload the library list writes for the entry of a model file.
inline QMimeData* entryPayload(const QString& modelFile, const QPixmap& picture = QPixmap(64, 64))
{
    quorvane::LibraryEntry e;
    quorvane::openLibraryEntry(modelFile, &e);
    return quorvane::mimeData(quorvane::dragPayload(e, picture));
}

// Drops a library model on a widget (a marker button).
inline bool dropModel(QWidget* target, const QString& modelFile)
{
    std::unique_ptr<QMimeData> mime(entryPayload(modelFile));
    return dropOn(target, mime.get());
}

// A camera picture (top row first) of these markers on a plain background, with its truth.
inline trk::SynthFrame markerPhoto(const QString& file, const std::vector<trk::SynthMarker>& markers, int width = 800,
                                   int height = 600)
{
    trk::SynthOptions o;
    o.width = width;
    o.height = height;
    trk::SynthFrame f = trk::SynthesizeFrame(markers, o);
    cv::imwrite(file.toStdString(), f.Picture());
    return f;
}

// Usage pages and version checks recorded instead of sent; installed for the life of the object.
class RecordingHooks : public quorvane::OnlineHooks
{
public:
    struct Log
    {
        QStringList pages;
        int versionChecks = 0;
        std::function<void()> newVersion;
    };
    static std::shared_ptr<Log> install()
    {
        auto log = std::make_shared<Log>();
        quorvane::setOnlineHooks(std::make_unique<RecordingHooks>(log));
        return log;
    }
    explicit RecordingHooks(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    void sendUsagePage(const QString& page) override { m_log->pages << page; }
    void startVersionCheck(QObject*, std::function<void()> newVersionAvailable) override
    {
        ++m_log->versionChecks;
        m_log->newVersion = std::move(newVersionAvailable);
    }
    QUrl downloadPage() const override { return QUrl(QStringLiteral("https://downloads.invalid/quorvane")); }

private:
    std::shared_ptr<Log> m_log;
};

} // namespace testutil
