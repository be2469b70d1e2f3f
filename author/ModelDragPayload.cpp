#include "ModelDragPayload.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace quorvane {

QByteArray encodePayload(const ModelDragPayload& payload)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << payload.preview << payload.name << payload.mainFile << payload.modelFile << payload.thumbnailFile;
    return bytes;
}

bool decodePayload(const QByteArray& bytes, ModelDragPayload* payload)
{
    // Another program can offer this type too: the stream reads its strings in bounded steps and
    // reports data that ends early, so a forged payload is refused without harm.
    QDataStream in(bytes);
    ModelDragPayload read;
    in >> read.preview >> read.name >> read.mainFile >> read.modelFile >> read.thumbnailFile;
    if (in.status() != QDataStream::Ok)
        return false;
    *payload = read;
    return true;
}

QMimeData* mimeData(const ModelDragPayload& payload)
{
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kModelDataMime), encodePayload(payload));
    return mime;
}

bool payloadOf(const QMimeData* mime, ModelDragPayload* payload)
{
    const QString type = QString::fromLatin1(kModelDataMime);
    return mime && mime->hasFormat(type) && decodePayload(mime->data(type), payload);
}

} // namespace quorvane
