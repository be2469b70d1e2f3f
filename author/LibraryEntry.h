// One entry of the model library: a model file and where its content and thumbnail were unpacked,
// and the list item that shows it.
#pragma once

#include <QString>

class QStandardItem;

namespace quorvane {

struct LibraryEntry
{
    QString name; // the model file's name up to its first dot
    QString modelFile;
    QString mainFile;
    QString thumbnailFile;
};

// The list item of an entry: its name, its thumbnail as icon (the program's picture when there is
// none), the model file as tooltip and [model file, content, thumbnail] as user data.
QStandardItem* libraryItem(const LibraryEntry& entry);
// The entry an item shows; empty paths when the item carries no entry.
LibraryEntry libraryEntry(const QStandardItem* item);

} // namespace quorvane
