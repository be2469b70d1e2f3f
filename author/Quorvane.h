// The main window of Quorvane Author.
#pragma once

#include "WindowScene.h"

#include <QMainWindow>
#include <QStringList>

#include <opencv2/core.hpp>

#include <array>
#include <functional>
#include <memory>

class MarcaPushButton;
class myListWidget;
class QSettings;
class QTimer;

namespace quorvane {
class LibraryScanner;
class MarkerContent;
class ViewerWidget;
} // namespace quorvane
namespace Vandrel {
class VideoCaptureOCV;
}
namespace Ui {
class QuorvaneClass;
}

class Quorvane : public QMainWindow
{
    Q_OBJECT
public:
    enum TrackingMode { None = 0, Video = 1, Photo = 2 };

    // `arguments` is the program's command line: a second element names a scene to open.
    explicit Quorvane(QWidget* parent = nullptr, Qt::WindowFlags flags = {}, const QStringList& arguments = {});
    ~Quorvane() override;

    // Read access for the program's tests.
    TrackingMode trackingMode() const { return m_trackingMode; }
    int cameraIndex() const { return cameraIndex_; }
    quorvane::ViewerWidget* viewWidget() const { return view; }
    const unsigned char* frameBufferData() const { return frameBuffer.get(); }
    int frameWidthPx() const { return frameWidth; }
    int frameHeightPx() const { return frameHeight; }
    bool hasVideoSource() const { return videoSource != nullptr; }
    const Vandrel::VideoCaptureOCV* videoSourcePtr() const { return videoSource.get(); }
    QTimer* timer() const { return frameTimer; }
    Ui::QuorvaneClass* form() const { return ui; }
    float focal() const { return focalLength; }

    // Shows a still photograph from a file, as choosing it in the photo dialog does. False when
    // the file is missing, not a picture or too large a picture; nothing changes then, and `problem`
    // (when given) says why in words for the user.
    bool showPhoto(const QString& file, QString* problem = nullptr);

    // The marker panel: the button of marker n (none outside 0..19), the selected marker (-1 when
    // none) and its button.
    MarcaPushButton* markerButton(int n) const;
    int selectedMarker() const;
    MarcaPushButton* selectedButton() const;
    const quorvane::MarkerButtons& markerButtons() const { return markerButtons_; }

    // The model library.
    myListWidget* libraryWidget() const { return libraryList; }
    const QStringList& scanDirectories() const { return scanDirs; }
    const QString& importDirectory() const { return importDir; }
    // Rebuilds the list from the library folders; it fills in slices while the window runs.
    void rescanLibrary();
    // New library folders, as an accepted folders dialog gives them; the list is scanned again.
    void setLibraryDirectories(const QStringList& scanDirectories, const QString& importDirectory);
    bool libraryScanRunning() const;
    // The import of files already chosen, as "Importar..." does after its file dialog.
    void importChosenFiles(const QStringList& files);

    // Scenes, as the save and open commands do after their file dialogs. False when nothing was
    // written or read (the user was told why).
    bool saveSceneFile(const QString& path);
    bool openSceneFile(const QString& path);

signals:
    void NuevaVersionDisponible();

public slots:
    void updateDistanciaFocal(int value);
    void borrarMarcaSeleccionada();
    void borrarMarcaTodas();
    void borrarMarcaIndice(int n);
    void photoTrackingButtonClicked();
    void videoTrackingButtonClicked();
    void InvertirCamaraToggle(bool checked);
    void camaraSeleccionarSLOT();
    void newFrame();
    void nuevaAsociacionMarcaModeloSLOT(MarcaPushButton* button);
    void updateControlesMarcaSeleccionada();
    void escalaModelo(int value);
    void escalaModelo(double value);
    void rotaModelo1(int value);
    void rotaModelo2(int value);
    void rotaModelo3(int value);
    void posicionModelo1_up();
    void posicionModelo1_down();
    void posicionModelo1_front();
    void posicionModelo1_back();
    void posicionModelo1_left();
    void posicionModelo1_right();
    void resetPosicion();
    void autoTrasladarModeloSeleccionado();
    void resetEscala();
    void autoEscalarModeloSeleccionado();
    void resetRotacion();
    void guardarEscenaSLOT();
    void cargarEscena();
    void exportarEscena();
    void exportarEscenaMovil();
    void about();
    void bibliotecaDeModelos();
    void importarModelo();
    void eliminarModelo();
    void imprimirMarcaSeleccionada();
    void ocultarPaneles(bool hide);
    void goFullscreen();
    void salirAplicacion();
    void onCompartirEscena();
    void idiomaEspanol();
    void idiomaIngles();
    void idiomaChino();
    void onManualDeReferencia();
    void onAnimacionPlay();
    void onAnimacionStop();
    void onNuevaVersionDisponible();
    void onMostrarEtiquetasInfoDlg();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void selectCameraDevice(bool forceDialog);
    bool initCamera();
    void setupViewBackground(unsigned char* pixels, int width, int height);
    void replacePlaceholder(class QLayout* layout, QWidget* widget);
    void setupMarkerPanel();
    void connectMarkerPanel();
    void setupLibraryList();
    // The content slot of the selected marker; none without a selection.
    quorvane::MarkerContent* selectedContent() const;
    // Moves the selected marker's content by one step along an axis (content units).
    void moveSelected(float dx, float dy, float dz);
    // Shows the controls' values without applying them back to the content.
    void showControls(const std::array<float, 3>& angles, float scale);
    // Asks for a scene file and saves it there; false when no file was chosen or writing failed.
    bool guardarEscena();
    void setLanguage(const QString& value, const QString& title, const QString& text);
    void showLabelsInfo(bool forced);
    // Runs work with the frame loop paused; when the loop was not running, redraws once 100 ms
    // later if redrawLater (a still picture at a new size).
    void paused(const std::function<void()>& work, bool redrawLater = false);
    void holdCommandsWithoutDialogs();
    // A warning box titled "Error" over the active window.
    static void warn(const QString& text);
    static constexpr int kFramePeriodMs = 33;

    Ui::QuorvaneClass* ui;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<QSettings> machineSettings;
    quorvane::ViewerWidget* view = nullptr;
    std::unique_ptr<Vandrel::VideoCaptureOCV> videoSource;
    int cameraIndex_ = -1;
    std::unique_ptr<unsigned char[]> frameBuffer;
    int frameWidth = 0;
    int frameHeight = 0;
    cv::Mat photoImage;
    TrackingMode m_trackingMode = None;
    float focalLength = 500.0f;
    QTimer* frameTimer = nullptr;
    int lastViewWidth = 0;
    int lastViewHeight = 0;

    quorvane::MarkerButtons markerButtons_{};
    myListWidget* libraryList = nullptr;
    quorvane::LibraryScanner* libraryScanner = nullptr;
    QStringList scanDirs;
    QString importDir;
};
