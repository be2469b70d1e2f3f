// Catches what the program hands to the desktop to open (documents, pages) instead of opening it.
#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace testutil {

class OpenedUrls : public QObject
{
    Q_OBJECT
public:
    OpenedUrls()
    {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~OpenedUrls() override
    {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace testutil
