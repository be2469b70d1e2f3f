// The web account and the scene upload: one process-wide instance, created on first use (safe
// against a first use from two threads at once) and kept until the program ends.
//
// Account state lives in the shared machine settings file (quorvane::machineSettings(), readable by
// the user alone): "dotcom/token" (byte array, the login token; empty when not logged in),
// "dotcom/alwaysLogin" (bool, default true, kept as it is) and "dotcom/user" (string, the user of the
// last successful login). They are read when the instance is created and written after each login,
// successful or not. The service's address (OnlineConfig.h) is read for every request, so a
// change of the setting counts at once.
//
// Every request waits in a local event loop on the calling thread (the GUI keeps processing events, so
// callers disable what could start a second request) and has a time limit: 15 s for the login and the
// version check; for an upload 30 s plus one second for every 32 KiB of the body.
#pragma once

#include "UploadProgress.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QUrl>

#include <functional>

class QuorvaneDotCom
{
public:
    // Result codes of login() and versionCheck().
    enum ResultCode {
        WrongCredentials = 3, // the service answered status "FAIL"
        NoReply = 4,          // no reply, an empty one, an unexpected status, or the time limit passed
        RequestError = 5,     // versionCheck(): the request failed (refused, unreachable, timed out)
        NotConfigured = 6,    // no sharing service is configured: nothing was sent
    };

    static constexpr int kRequestTimeoutMs = 15000;

    static QuorvaneDotCom& instance();

    QuorvaneDotCom(const QuorvaneDotCom&) = delete;
    QuorvaneDotCom& operator=(const QuorvaneDotCom&) = delete;

    // Whether a sharing service address is configured (OnlineConfig.h).
    bool isConfigured() const;
    // The configured service address (empty when none): for links to the service's own pages.
    QUrl serviceUrl() const;
    // The service's own pages (empty without a service): where a user gets a new password
    // ("/?q=es/user/password"), and where the newest release is offered ("/download").
    QUrl passwordRecoveryUrl() const;
    QUrl downloadPageUrl() const;
    // One sentence for the user: no sharing service is set up, and how to set one.
    static QString notConfiguredMessage();

    // POSTs "name=USER&pass=PASSWORD" (as typed, not percent-encoded, UTF-8) to "/ws/login.php".
    // True on status "OK" (any case): the token and user are stored. Otherwise the token is cleared and
    // *code (when given) is WrongCredentials, NoReply or NotConfigured.
    bool login(const QString& user, const QString& password, int* code);

    // Uploads the file at `path` to "/ws/form.php" with the stored token (multipart body: UploadBody.h).
    // True when the service answers status "OK"; *message then holds the shared scene's address. On a
    // refusal *message is the service's error text; on no reply, a time-out, a cancel or a file that
    // cannot be read it is empty (nothing is sent for an unreadable file). `progress` may be null.
    bool upload(const QString& path, QString* message, quorvane::UploadProgress* progress);

    // The user name of the last successful login.
    QString user() const;
    // The stored login token (empty when not logged in).
    QByteArray token() const;

    // The newest release number from "/ws/version.php" (empty POST): the reply as a decimal integer
    // (white space around it ignored), 0 when it is not one, -1 when it is empty or no reply came.
    // *code (when given) becomes NoReply for an empty reply, RequestError when the request failed and
    // NotConfigured without a service; it is left alone otherwise. Safe on any thread.
    int versionCheck(int* code);
    // The same, giving up as soon as `cancelled` returns true (polled about ten times a second).
    int versionCheck(int* code, const std::function<bool()>& cancelled);

    // POSTs `body` to `url` and returns the reply decoded as UTF-8; empty on no reply.
    QString post(const QUrl& url, const QByteArray& body, int timeoutMs = kRequestTimeoutMs);

private:
    QuorvaneDotCom();
    ~QuorvaneDotCom();
    void save();

    mutable QMutex m_mutex;
    bool m_unsaved = false;
    QByteArray m_token;
    bool m_alwaysLogin = true;
    QString m_user;
};
