// What a library entry carries when it is dragged onto a marker button: MIME type
// "application/modeldata", a Qt data stream (default version, big-endian) holding the entry's picture
// at 64 pixels, its name, the content path, the model file path and the thumbnail path, in that order.
#pragma once

#include <QByteArray>
#include <QPixmap>
#include <QString>

class QMimeData;

namespace quorvane {

inline constexpr char kModelDataMime[] = "application/modeldata";

struct ModelDragPayload
{
    QPixmap preview;
    QString name; // carried for other readers; the marker buttons do not use it
    QString mainFile;
    QString modelFile;
    QString thumbnailFile;
};

QByteArray encodePayload(const ModelDragPayload& payload);
// False when the bytes end early or hold something else; `payload` is then left as it was.
bool decodePayload(const QByteArray& bytes, ModelDragPayload* payload);
// The data of a drag that carries the payload.
QMimeData* mimeData(const ModelDragPayload& payload);
// The payload of a drop, when it offers one.
bool payloadOf(const QMimeData* mime, ModelDragPayload* payload);

} // namespace quorvane
