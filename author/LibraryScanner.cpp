#include "LibraryScanner.h"

#include "Model.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <limits>

namespace quorvane {

QStringList libraryDirectories(const QStringList& scanDirs, const QString& importDir)
{
    QStringList dirs = scanDirs;
    if (!dirs.contains(importDir))
        dirs.append(importDir);
    return dirs;
}

QStringList libraryFiles(const QStringList& directories)
{
    QStringList files;
    for (const QString& dir : directories) {
        if (dir.isEmpty())
            continue;
        const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
        for (const QFileInfo& info : entries)
            if (info.suffix().toLower() == QLatin1String("qmd"))
                files.append(info.absoluteFilePath());
    }
    return files;
}

bool openLibraryEntry(const QString& modelFile, LibraryEntry* entry)
{
    QByteArray thumbnail;
    if (!readModelThumbnail(modelFile, &thumbnail))
        return false;
    *entry = LibraryEntry();
    entry->name = QFileInfo(modelFile).baseName();
    entry->modelFile = modelFile;
    // Decoded here, at the size it is shown, so that the scan's slices account for it.
    QBuffer buffer(&thumbnail);
    QImageReader reader(&buffer, "PNG");
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kEntryPictureSide || size.height() > kEntryPictureSide))
        reader.setScaledSize(size.scaled(kEntryPictureSide, kEntryPictureSide, Qt::KeepAspectRatio));
    entry->picture = reader.read();
    return true;
}

LibraryScanner::LibraryScanner(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { runSlice(kSliceMs); });
}

void LibraryScanner::start(const QStringList& directories)
{
    m_timer.stop();
    m_files = libraryFiles(directories);
    m_next = 0;
    m_longestSliceMs = 0;
    runSlice(kSliceMs);
}

void LibraryScanner::finish()
{
    if (isRunning()) {
        m_timer.stop();
        runSlice(std::numeric_limits<qint64>::max());
    }
}

void LibraryScanner::runSlice(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    QList<LibraryEntry> found;
    // At least one file per slice, so a slow file cannot stall the scan.
    do {
        if (m_next >= m_files.size())
            break;
        LibraryEntry entry;
        if (openLibraryEntry(m_files[m_next++], &entry))
            found.append(entry);
    } while (clock.elapsed() < budgetMs);
    m_longestSliceMs = std::max(m_longestSliceMs, clock.elapsed());
    if (!found.isEmpty())
        emit entriesFound(found);
    if (isRunning())
        m_timer.start(0);
    else
        emit finished();
}

} // namespace quorvane
