// Imports one content file (a model, picture or video) into one model file of the library. Every
// import of the window goes through here, one file per call. The work runs in quorvane-render under
// memory and time limits (GuardedProcess.h), which sends back what the import tells the user.
#pragma once

#include <QString>

namespace quorvane {

class ImportReporter;

class ModelImporter
{
public:
    // Files the import leaves out are told to `reporter` (not owned; standard error when null).
    explicit ModelImporter(ImportReporter* reporter = nullptr) : m_reporter(reporter) {}

    // True when `destination` was written from `source`; otherwise lastError() says why.
    bool importFile(const QString& source, const QString& destination);
    const QString& lastError() const { return m_lastError; }

private:
    // Where the reader process cannot be started at all.
    bool importInProcess(const QString& source, const QString& destination);

    ImportReporter* m_reporter;
    QString m_lastError;
};

} // namespace quorvane
