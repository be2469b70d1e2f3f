#include "LibraryEntry.h"

#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QStandardItem>
#include <QStringList>

namespace quorvane {

QStandardItem* libraryItem(const LibraryEntry& entry)
{
    // The picture is read now: another model of the same name unpacks its thumbnail to the same
    // temporary file later, and a lazily loaded icon would then show that one.
    QPixmap picture;
    if (QFileInfo(entry.thumbnailFile).isFile())
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

} // namespace quorvane
