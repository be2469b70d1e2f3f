#include "MarcaPushButton.h"

#include "ModelDragPayload.h"

#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEnterEvent>
#include <QFileInfo>
#include <QIcon>
#include <QMimeData>
#include <QUrl>

MarcaPushButton::MarcaPushButton(QWidget* parent) : QPushButton(parent)
{
    setFixedSize(40, 40);
    setIconSize(QSize(32, 32));
    setCheckable(true);
    setAutoExclusive(true);
    setFlat(false);
    setMouseTracking(true);
    setAcceptDrops(true);
    setText(QString());
}

void MarcaPushButton::setMarkerIcons(const QString& normalPicture, const QString& loadedPicture)
{
    m_iconNormal = QPixmap(normalPicture);
    m_iconLoaded = QPixmap(loadedPicture);
    showPicture(Shown::Normal);
}

bool MarcaPushButton::setSheetFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    m_sheetPath = path;
    return true;
}

void MarcaPushButton::setAssociation(const QString& mainFile, const QString& thumbnailFile, const QString& modelFile)
{
    m_mainFile = mainFile;
    m_thumbnailFile = thumbnailFile;
    m_modelFile = modelFile;
    m_iconPreview = QPixmap(thumbnailFile);
    m_loaded = true;
    setToolTip(modelFile);
    showPicture(Shown::Loaded);
}

void MarcaPushButton::clearAssociation()
{
    m_loaded = false;
    m_mainFile.clear();
    m_thumbnailFile.clear();
    m_modelFile.clear();
    m_iconPreview = QPixmap();
    setToolTip(QString());
    showPicture(Shown::Normal);
}

void MarcaPushButton::setContentFiles(const QString& mainFile, const QString& thumbnailFile)
{
    m_mainFile = mainFile;
    m_thumbnailFile = thumbnailFile;
}

void MarcaPushButton::keepModelFile(const QString& modelFile)
{
    clearAssociation();
    m_modelFile = modelFile;
}

void MarcaPushButton::imprimirMarca()
{
    if (!m_sheetPath.isEmpty() && QFileInfo(m_sheetPath).isFile())
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_sheetPath));
}

void MarcaPushButton::showPicture(Shown which)
{
    m_shown = which;
    const QPixmap& picture =
        which == Shown::Preview ? m_iconPreview : (which == Shown::Loaded ? m_iconLoaded : m_iconNormal);
    QIcon icon;
    icon.addPixmap(picture, QIcon::Normal, QIcon::On);
    // The same picture while unchecked, so the button looks alike in both states.
    icon.addPixmap(picture, QIcon::Normal, QIcon::Off);
    setIcon(icon);
}

void MarcaPushButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    showPicture(m_loaded ? Shown::Preview : Shown::Normal);
}

void MarcaPushButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    showPicture(m_loaded ? Shown::Loaded : Shown::Normal);
}

void MarcaPushButton::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasFormat(QString::fromLatin1(quorvane::kModelDataMime))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void MarcaPushButton::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasFormat(QString::fromLatin1(quorvane::kModelDataMime)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void MarcaPushButton::dropEvent(QDropEvent* event)
{
    quorvane::ModelDragPayload payload;
    if (!quorvane::payloadOf(event->mimeData(), &payload)) {
        event->ignore();
        return;
    }
    m_loaded = true;
    m_iconPreview = payload.preview;
    m_mainFile = payload.mainFile;
    m_modelFile = payload.modelFile;
    m_thumbnailFile = payload.thumbnailFile;
    showPicture(Shown::Loaded);
    setToolTip(m_modelFile);
    event->acceptProposedAction();
    emit dropAccepted(this);
}
