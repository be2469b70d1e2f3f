// Where an import tells the user about files it could not find or would not take. The windows show
// each message as a warning box titled "Error"; the command-line tool prints it. Texts arrive
// translated (context "Model").
#pragma once

#include <QString>

namespace quorvane {

class ImportReporter
{
public:
    virtual ~ImportReporter() = default;
    // Something was left out; the import carries on.
    virtual void warning(const QString& title, const QString& text) = 0;
    // The import stops.
    virtual void error(const QString& title, const QString& text) = 0;
};

// Writes each message to standard error: the reporter of an import that has no window.
class StderrImportReporter : public ImportReporter
{
public:
    void warning(const QString& title, const QString& text) override;
    void error(const QString& title, const QString& text) override;
};

// Drops every message: for benchmarks and batch work that judge an import by its result alone.
class SilentImportReporter : public ImportReporter
{
public:
    void warning(const QString&, const QString&) override {}
    void error(const QString&, const QString&) override {}
};

} // namespace quorvane
