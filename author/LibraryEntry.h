// One entry of the model library: a model file and its thumbnail, and the list item that shows it.
// Listing a model unpacks nothing: its content is unpacked when it is put on a marker.
#pragma once

#include "ModelDragPayload.h"

#include <QImage>
#include <QString>

class QStandardItem;

namespace quorvane {

struct LibraryEntry
{
    QString name; // the model file's name up to its first dot
    QString modelFile;
    QString mainFile;      // where the content was unpacked; empty until it is
    QString thumbnailFile; // likewise for the thumbnail
    QImage picture;        // the stored thumbnail at the size a drag shows (64 pixels), when there is one
};

// The largest side of an entry's picture: what a drag shows.
inline constexpr int kEntryPictureSide = 64;

// The list item of an entry: its name, its thumbnail as icon (the program's picture when there is
// none), the model file as tooltip and [model file, content, thumbnail] as user data.
QStandardItem* libraryItem(const LibraryEntry& entry);
// The entry an item shows; empty paths when the item carries no entry.
LibraryEntry libraryEntry(const QStandardItem* item);

// What dragging the entry carries to a marker button, with this picture.
ModelDragPayload dragPayload(const LibraryEntry& entry, const QPixmap& picture);

} // namespace quorvane
