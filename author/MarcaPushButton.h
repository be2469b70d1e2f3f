// One marker's button in the marker panel: shows the printed marker, takes library entries dropped
// on it, and remembers which model file is on its marker (what a saved scene stores).
#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QString>

class MarcaPushButton : public QPushButton
{
    Q_OBJECT
public:
    enum class Shown { Normal, Loaded, Preview };

    explicit MarcaPushButton(QWidget* parent = nullptr);

    // The marker's own picture and its picture with content on it, from resource or file paths.
    void setMarkerIcons(const QString& normalPicture, const QString& loadedPicture);
    // Remembers the marker's printable sheet when the file exists; false otherwise.
    bool setSheetFile(const QString& path);
    // Content restored from a scene: its unpacked file, thumbnail and library model file.
    void setAssociation(const QString& mainFile, const QString& thumbnailFile, const QString& modelFile);
    void clearAssociation();
    // Where the associated content was unpacked again; the association and pictures stay.
    void setContentFiles(const QString& mainFile, const QString& thumbnailFile);
    // A scene's model file that could not be opened: the marker stays empty, but saving the scene
    // again keeps the reference, so a scene opened on another machine loses nothing.
    void keepModelFile(const QString& modelFile);

    const QString& mainFile() const { return m_mainFile; }
    const QString& thumbnailFile() const { return m_thumbnailFile; }
    const QString& modelFile() const { return m_modelFile; }
    const QString& sheetPath() const { return m_sheetPath; }
    bool loaded() const { return m_loaded; }
    Shown shown() const { return m_shown; }
    const QPixmap& previewPicture() const { return m_iconPreview; }

public slots:
    // Opens the marker's sheet in the desktop's PDF viewer, when the sheet exists.
    void imprimirMarca();

signals:
    void dropAccepted(MarcaPushButton* button);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showPicture(Shown which);

    QPixmap m_iconNormal;
    QPixmap m_iconLoaded;
    QPixmap m_iconPreview;
    QString m_mainFile;
    QString m_thumbnailFile;
    QString m_modelFile;
    QString m_sheetPath;
    bool m_loaded = false;
    Shown m_shown = Shown::Normal;
};
