// The scan of the model library: every ".qmd" file of the scan folders and the import folder that the
// model record would open becomes an entry with its thumbnail; the others are left out. Only the
// thumbnail is read: unpacking every model (tens of milliseconds each, most of it writing files)
// would keep a large library from showing for minutes. The work runs in short slices on the GUI
// thread, so a folder of thousands of models fills the list while the window keeps repainting.
#pragma once

#include "LibraryEntry.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace quorvane {

// The folders a scan visits: the scan folders, then the import folder unless it is one of them
// (compared exactly).
QStringList libraryDirectories(const QStringList& scanDirs, const QString& importDir);

// The model files of the folders, in folder order and each folder's own order, not recursive.
QStringList libraryFiles(const QStringList& directories);

// Reads one model file as the library lists it; false when the model record would not open it.
bool openLibraryEntry(const QString& modelFile, LibraryEntry* entry);

class LibraryScanner : public QObject
{
    Q_OBJECT
public:
    explicit LibraryScanner(QObject* parent = nullptr);

    // Starts a scan of these folders, abandoning one still running. The first slice runs before
    // this returns, so a small library is complete at once.
    void start(const QStringList& directories);
    bool isRunning() const { return m_next < m_files.size(); }
    // Runs what is left of the scan now.
    void finish();

    // Longest slice of the last scan, in milliseconds (what the window waited for at most).
    qint64 longestSliceMs() const { return m_longestSliceMs; }
    static constexpr int kSliceMs = 25;

signals:
    // Entries in scan order, a slice at a time.
    void entriesFound(const QList<quorvane::LibraryEntry>& entries);
    void finished();

private:
    void runSlice(qint64 budgetMs);

    QStringList m_files;
    qsizetype m_next = 0;
    QTimer m_timer;
    qint64 m_longestSliceMs = 0;
};

} // namespace quorvane
