// The share server's HTTP side. The three service endpoints answer exactly what the programs read:
//
//   POST /ws/login.php    body "name=USER&pass=PASSWORD" as typed  ->  <response status="OK"><id>TOKEN</id>
//                                                                     (status "FAIL" for wrong credentials)
//   POST /ws/form.php     multipart: action, id (the token), qqfile ->  <response status="OK"><message>PAGE
//                                                                     ADDRESS</message> (status "FAIL" and
//                                                                     the reason in message otherwise)
//   POST /ws/version.php  (empty)                                   ->  the release number, plain text
//
// and the pages: "/" lists the scenes, "/s/ID" is a scene's page, "/s/ID/download" its file,
// "/?q=es/user/password" says how to get a new password, "/download" leads to the newest release.
#pragma once

#include "SceneStore.h"
#include "UserStore.h"

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QDir>
#include <QHostAddress>
#include <QString>

struct ShareServerSettings
{
    QDir dataDir;
    int release = 3;
    qint64 maxUploadBytes = qint64(50) * 1024 * 1024;
    // Where users reach the server ("http://aula.example:8080"); empty: the address each request used.
    QString publicUrl;
    // Where "/download" leads; empty: a notice with the release number.
    QString downloadUrl;
};

class ShareServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit ShareServer(const ShareServerSettings& settings, QObject* parent = nullptr);

    // Listens on `address`, `port` (0: any free port). The port, or 0 with *error set.
    quint16 start(const QHostAddress& address, quint16 port, QString* error);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void login(const QHttpServerRequest& request, QHttpServerResponder& responder);
    void upload(const QHttpServerRequest& request, QHttpServerResponder& responder);
    void scene(const QHttpServerRequest& request, QHttpServerResponder& responder, const QString& id, bool download);
    static void notFound(QHttpServerResponder& responder);
    QString baseUrl(const QHttpServerRequest& request) const;

    ShareServerSettings m_settings;
    UserStore m_users;
    SceneStore m_scenes;
    QHostAddress m_address;
    quint16 m_port = 0;
};
