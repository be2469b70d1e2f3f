#include "LibraryEntry.h"

#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QStandardItem>
#include <QStringList>

namespace quorvane {

QStandardItem* libraryItem(const LibraryEntry& entry)
{
    QPixmap picture;
    if (!entry.picture.isNull())
        picture = QPixmap::fromImage(entry.picture);
    else if (QFileInfo(entry.thumbnailFile).isFile())
        picture.load(entry.thumbnailFile);
    if (picture.isNull())
        picture.load(QStringLiteral(":/Quorvane/Quorvane.png"));
    auto* item = new QStandardItem(QIcon(picture), entry.name);
    item->setToolTip(entry.modelFile);
    item->setData(QStringList{entry.modelFile, entry.mainFile, entry.thumbnailFile}, Qt::UserRole);
    item->setEditable(false);
    return item;
}

LibraryEntry libraryEntry(const QStandardItem* item)
{
    LibraryEntry entry;
    if (!item)
        return entry;
    entry.name = item->text();
    const QStringList data = item->data(Qt::UserRole).toStringList();
    if (data.size() == 3) {
        entry.modelFile = data[0];
        entry.mainFile = data[1];
        entry.thumbnailFile = data[2];
    }
    return entry;
}

ModelDragPayload dragPayload(const LibraryEntry& entry, const QPixmap& picture)
{
    ModelDragPayload payload;
    payload.preview = picture;
    payload.name = entry.name;
    payload.mainFile = entry.mainFile;
    payload.modelFile = entry.modelFile;
    payload.thumbnailFile = entry.thumbnailFile;
    return payload;
}

} // namespace quorvane
