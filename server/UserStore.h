// The share server's accounts and login sessions, in two small files of its data folder:
//
//   users     one line per user: NAME TAB SALT(hex) TAB ITERATIONS TAB PBKDF2-HMAC-SHA256(hex)
//   sessions  one line per login: SHA-256 OF THE TOKEN(hex) TAB NAME TAB ISSUED(seconds since 1970)
//             TAB THE SALT(hex) THE PASSWORD HAD THEN
//
// Only hashes are kept: neither file can be turned back into a password or a token. Both are written
// whole through a temporary file and readable by the server's user alone. The users file is read again
// when it changes, so users added or removed while the server runs count at once; a new password has
// a new salt, which ends the sessions of the old one.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QString>

class UserStore
{
public:
    static constexpr int kIterations = 50000;
    static constexpr int kMaxNameLength = 64;
    static constexpr qint64 kSessionLifetimeSeconds = qint64(90) * 24 * 3600;
    static constexpr int kMaxSessionsPerUser = 20;

    explicit UserStore(const QDir& dataDir);

    // A name is 1 to 64 characters with no control characters (tabs and line breaks included).
    static bool isValidName(const QString& name);

    // Adds the user or replaces the password. False (with *error) for an invalid name or empty
    // password, or when the file cannot be written.
    bool setPassword(const QString& name, const QByteArray& password, QString* error);
    bool removeUser(const QString& name);
    QStringList userNames() const;

    // The body of a login request, "name=NAME&pass=PASSWORD" as typed (not percent-encoded): since a
    // name or password may hold "&pass=", every split is tried. A new session token on success, else
    // empty.
    QByteArray login(const QByteArray& body);

    // The user a token belongs to; empty when it is unknown or has expired.
    QString userForToken(const QByteArray& token);

private:
    struct Account
    {
        QByteArray salt;
        int iterations = kIterations;
        QByteArray hash;
    };
    struct Session
    {
        QString user;
        qint64 issued = 0;
        QByteArray salt;
    };

    bool verify(const QString& name, const QByteArray& password) const;
    void reloadUsersIfChanged();
    void loadUsers();
    void loadSessions();
    bool saveUsers() const;
    bool saveSessions() const;

    QDir m_dir;
    QDateTime m_usersStamp;
    QHash<QString, Account> m_users;
    QHash<QByteArray, Session> m_sessions; // by the token's hash
};
