#include "QrSvg.h"

#include <qrencode.h>

QByteArray qrCodeSvg(const QByteArray& text, int pixelsPerModule)
{
    QRcode* code =
        QRcode_encodeData(int(text.size()), reinterpret_cast<const unsigned char*>(text.constData()), 0, QR_ECLEVEL_M);
    if (!code)
        return {};
    const int quiet = 4;
    const int side = code->width + 2 * quiet;
    QByteArray path;
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (code->data[y * code->width + x] & 1)
                path += 'M' + QByteArray::number(x + quiet) + ',' + QByteArray::number(y + quiet) + "h1v1h-1z";
        }
    }
    QRcode_free(code);
    const QByteArray px = QByteArray::number(side * pixelsPerModule);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + px + "\" height=\"" + px + "\" viewBox=\"0 0 " +
           QByteArray::number(side) + ' ' + QByteArray::number(side) +
           "\" shape-rendering=\"crispEdges\"><rect width=\"100%\" height=\"100%\" fill=\"#fff\"/><path fill=\"#000\" "
           "d=\"" +
           path + "\"/></svg>";
}
