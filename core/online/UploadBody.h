// The upload request's multipart body, byte for byte, and its headers.
//
//   --PineTreeGlow CRLF
//   Content-Disposition: form-data; name="action" CRLF CRLF
//   form.php CRLF
//   --PineTreeGlow CRLF
//   Content-Disposition: form-data; name="id" CRLF CRLF
//   TOKEN CRLF
//   --PineTreeGlow CRLF
//   Content-Disposition: form-data; name="qqfile"; filename="FILE NAME" CRLF
//   Content-Type: application/octet-stream CRLF CRLF
//   FILE CONTENT CRLF
//   --PineTreeGlow-- CRLF
//
// Headers: Content-Type "multipart/form-data; boundary=PineTreeGlow", Content-Length the body size.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace quorvane {

inline constexpr char kUploadBoundary[] = "PineTreeGlow";

// Everything before the file content. `fileName` is the file's name without folder; it is written as
// UTF-8, with any double quote, carriage return or line feed replaced by "_" so that it cannot end
// the header early.
QByteArray uploadBodyHead(const QByteArray& token, const QString& fileName);
// Everything after the file content.
QByteArray uploadBodyTail();

QList<QPair<QByteArray, QByteArray>> uploadHeaders(qint64 bodySize);

} // namespace quorvane
