// Source texts of the messages that the windows show for these files (warnings titled "Error").
// They are translated by the caller, in its own context; "%1" is the file name or path, appended
// directly as the texts have always done.
#pragma once

#include <QtGlobal>

namespace quorvane::messages {

inline constexpr char kCannotOpenForWriting[] =
    QT_TRANSLATE_NOOP("Quorvane", "No se pudo abrir en modo escritura el fichero%1");
inline constexpr char kCannotOpenForReading[] =
    QT_TRANSLATE_NOOP("Quorvane", "No se pudo abrir en modo lectura el fichero%1");
inline constexpr char kArchiveProcessingError[] = QT_TRANSLATE_NOOP("Quorvane", "Error procesando archivo%1");
inline constexpr char kSceneBuildError[] = QT_TRANSLATE_NOOP("Quorvane", "Error obteniendo escena.");
inline constexpr char kMobileOnlyObj[] =
    QT_TRANSLATE_NOOP("Quorvane", "Por ahora únicamente funcionan en móvil los modelos 3D importados de tipo "
                                  "OBJ.\n\nLos siguientes modelos de la escena NO son válidos:\n");
// Appended to kMobileOnlyObj once for each refused model file.
inline constexpr char kMobileRefusedItem[] = "\n %1";

// Import (context "Model"): files a model names that are not there or are not what they claim to be.
inline constexpr char kImportMissingExternal[] =
    QT_TRANSLATE_NOOP("Model", "No se encontraron los siguientes archivos externos referenciados en %1:\n\n%2\n");
inline constexpr char kImportMissingMaterial[] =
    QT_TRANSLATE_NOOP("Model", "Error importando %1\n\nNo se encontró el archivo de material referenciado %2");
inline constexpr char kImportMissingTexture[] =
    QT_TRANSLATE_NOOP("Model", "Error importando material %1\n\nNo se encontró el archivo de textura referenciado %2");

inline constexpr char kErrorTitle[] = QT_TRANSLATE_NOOP("Quorvane", "Error");

} // namespace quorvane::messages
