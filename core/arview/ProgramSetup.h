// What both programs do before their main window exists: look, settings identity, language,
// and the settings store they share.
#pragma once

#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QApplication;
class QCoreApplication;
class QTranslator;

namespace Vandrel {
class VideoCaptureOCV;
}

namespace quorvane {

struct ProgramIdentity
{
    const char* application;    // "Quorvane Author" or "Quorvane Viewer"
    const char* languagePrefix; // "quorvane_" or "quorvaneviewer_"
};

// Style, organisation, and the language value: the stored "language", or the prefix followed by
// the system locale's two letters; the value in force is written straight back.
// Returns the language value.
QString setupProgram(QApplication& app, const ProgramIdentity& id);

// The three translation files in the order they are installed: (file, folder) pairs.
std::vector<std::pair<QString, QString>> translationFiles(const ProgramIdentity& id, const QString& language);

// Installs the three translators in order (the toolkit's own messages, the English fallback,
// the chosen language); the last installed is consulted first. Missing files leave a
// translator empty. The translators must outlive the program's windows.
std::vector<std::unique_ptr<QTranslator>> installTranslators(QCoreApplication& app, const ProgramIdentity& id,
                                                             const QString& language);

// Opens camera `index` at 640 x 480 as both programs do; on failure warns the user ("Error" /
// "No se pudo inicializar la cámara.") and returns nothing.
std::unique_ptr<Vandrel::VideoCaptureOCV> openCameraOrWarn(int index);

// The camera start both programs share: opens camera `index` unless `source` is already open
// (warning when it cannot), then takes its frame size, allocates a new frame buffer of that size
// and grabs the first frame into it. False, with nothing changed, when no camera could be opened.
bool startCamera(std::unique_ptr<Vandrel::VideoCaptureOCV>& source, int index,
                 std::unique_ptr<unsigned char[]>& frameBuffer, int& frameWidth, int& frameHeight);

} // namespace quorvane
