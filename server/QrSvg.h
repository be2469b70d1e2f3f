// A QR code as an SVG picture (black modules on white, with the four-module quiet zone).
#pragma once

#include <QByteArray>

// Empty when the text is too long for a QR code.
QByteArray qrCodeSvg(const QByteArray& text, int pixelsPerModule = 6);
