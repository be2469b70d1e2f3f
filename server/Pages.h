// The share server's web pages (Spanish, like the programs): one per shared scene, the list of
// scenes, and short notices. Every text that came from a user is escaped.
#pragma once

#include "SceneStore.h"

#include <QByteArray>
#include <QList>
#include <QString>

QString formattedSize(qint64 bytes);
QString formattedDate(const QDateTime& when);

// `downloadUrl` is absolute (it is what the QR code holds); `qrSvg` is the code's picture.
QByteArray scenePage(const SharedScene& scene, const QString& downloadUrl, const QByteArray& qrSvg);
QByteArray listPage(const QList<SharedScene>& scenes);
QByteArray noticePage(const QString& title, const QString& text);
