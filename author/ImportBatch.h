// The import of the files a user chose, one after the other into the import folder, with the
// questions and messages of the library: an existing model file is overwritten only when the user
// says so, and a refusal or a failure ends the batch. Several files show their progress and can be
// stopped between files; the window repaints between files.
#pragma once

#include <QStringList>

class QWidget;

namespace quorvane {

class ModelImporter;

enum class ImportBatchEnd {
    Completed, // every chosen file was handled
    Refused,   // the user kept an existing model file
    Failed,    // an import failed or wrote nothing (the user was told)
    Stopped,   // the user stopped the batch between files
};

struct ImportBatchOutcome
{
    ImportBatchEnd end = ImportBatchEnd::Completed;
    int imported = 0;
};

// The model file an import of `source` writes: "IMPORTDIR/NAME.qmd", NAME being the file name up to
// its first dot.
QString importTarget(const QString& importDir, const QString& source);

ImportBatchOutcome importFiles(QWidget* parent, const QStringList& files, const QString& importDir,
                               ModelImporter& importer);

} // namespace quorvane
