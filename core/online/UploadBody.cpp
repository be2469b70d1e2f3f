#include "UploadBody.h"

namespace quorvane {

namespace {

QByteArray delimiter()
{
    return QByteArrayLiteral("--") + kUploadBoundary + QByteArrayLiteral("\r\n");
}

} // namespace

QByteArray uploadBodyHead(const QByteArray& token, const QString& fileName)
{
    QByteArray name = fileName.toUtf8();
    for (char& c : name) {
        if (c == '"' || c == '\r' || c == '\n')
            c = '_';
    }
    QByteArray head;
    head += delimiter();
    head += "Content-Disposition: form-data; name=\"action\"\r\n\r\n";
    head += "form.php\r\n";
    head += delimiter();
    head += "Content-Disposition: form-data; name=\"id\"\r\n\r\n";
    head += token + "\r\n";
    head += delimiter();
    head += "Content-Disposition: form-data; name=\"qqfile\"; filename=\"" + name + "\"\r\n";
    head += "Content-Type: application/octet-stream\r\n\r\n";
    return head;
}

QByteArray uploadBodyTail()
{
    return QByteArrayLiteral("\r\n--") + kUploadBoundary + QByteArrayLiteral("--\r\n");
}

QList<QPair<QByteArray, QByteArray>> uploadHeaders(qint64 bodySize)
{
    return {{QByteArrayLiteral("Content-Type"), QByteArrayLiteral("multipart/form-data; boundary=") + kUploadBoundary},
            {QByteArrayLiteral("Content-Length"), QByteArray::number(bodySize)}};
}

} // namespace quorvane
