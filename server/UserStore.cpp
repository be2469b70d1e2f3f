#include "UserStore.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr char kUsersFile[] = "users";
constexpr char kSessionsFile[] = "sessions";
// Files of other people's making are read line by line up to this size; anything longer is garbage.
constexpr qint64 kMaxFileBytes = qint64(16) * 1024 * 1024;

QByteArray randomBytes(int n)
{
    QByteArray out(n, Qt::Uninitialized);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(out.data()),
                                         reinterpret_cast<quint32*>(out.data() + n));
    return out;
}

QByteArray tokenHash(const QByteArray& token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex();
}

// Compares without stopping at the first difference, so the time taken says nothing about the hash.
bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0;
}

QList<QByteArrayList> readTable(const QString& path, int columns)
{
    QList<QByteArrayList> rows;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFileBytes)
        return rows;
    const QByteArrayList lines = f.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QByteArrayList fields = line.split('\t');
        if (fields.size() == columns)
            rows.append(fields);
    }
    return rows;
}

bool writePrivately(const QString& path, const QByteArray& data)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(data);
    return f.commit();
}

} // namespace

UserStore::UserStore(const QDir& dataDir) : m_dir(dataDir)
{
    loadUsers();
    loadSessions();
}

bool UserStore::isValidName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

void UserStore::reloadUsersIfChanged()
{
    if (QFileInfo(m_dir.filePath(QLatin1String(kUsersFile))).lastModified() != m_usersStamp)
        loadUsers();
}

void UserStore::loadUsers()
{
    m_users.clear();
    m_usersStamp = QFileInfo(m_dir.filePath(QLatin1String(kUsersFile))).lastModified();
    for (const QByteArrayList& row : readTable(m_dir.filePath(QLatin1String(kUsersFile)), 4)) {
        Account a;
        a.salt = QByteArray::fromHex(row.at(1));
        a.iterations = row.at(2).toInt();
        a.hash = QByteArray::fromHex(row.at(3));
        const QString name = QString::fromUtf8(row.at(0));
        if (isValidName(name) && a.iterations > 0 && !a.hash.isEmpty())
            m_users.insert(name, a);
    }
}

void UserStore::loadSessions()
{
    m_sessions.clear();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QByteArrayList& row : readTable(m_dir.filePath(QLatin1String(kSessionsFile)), 4)) {
        const Session s{QString::fromUtf8(row.at(1)), row.at(2).toLongLong(), QByteArray::fromHex(row.at(3))};
        if (now - s.issued < kSessionLifetimeSeconds)
            m_sessions.insert(row.at(0), s);
    }
}

bool UserStore::saveUsers() const
{
    QByteArray out;
    QStringList names = m_users.keys();
    names.sort();
    for (const QString& name : names) {
        const Account& a = m_users.value(name);
        out += name.toUtf8() + '\t' + a.salt.toHex() + '\t' + QByteArray::number(a.iterations) + '\t' + a.hash.toHex() +
               '\n';
    }
    return writePrivately(m_dir.filePath(QLatin1String(kUsersFile)), out);
}

bool UserStore::saveSessions() const
{
    QByteArray out;
    for (auto it = m_sessions.cbegin(); it != m_sessions.cend(); ++it)
        out += it.key() + '\t' + it->user.toUtf8() + '\t' + QByteArray::number(it->issued) + '\t' + it->salt.toHex() +
               '\n';
    return writePrivately(m_dir.filePath(QLatin1String(kSessionsFile)), out);
}

bool UserStore::setPassword(const QString& name, const QByteArray& password, QString* error)
{
    if (!isValidName(name)) {
        *error = QStringLiteral("a user name is 1 to %1 characters without tabs or line breaks").arg(kMaxNameLength);
        return false;
    }
    if (password.isEmpty()) {
        *error = QStringLiteral("the password is empty");
        return false;
    }
    Account a;
    a.salt = randomBytes(16);
    a.hash = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password, a.salt, a.iterations, 32);
    reloadUsersIfChanged();
    m_users.insert(name, a);
    if (!saveUsers()) {
        *error = QStringLiteral("cannot write the users file in %1").arg(m_dir.absolutePath());
        return false;
    }
    return true;
}

bool UserStore::removeUser(const QString& name)
{
    reloadUsersIfChanged();
    if (!m_users.remove(name))
        return false;
    return saveUsers();
}

QStringList UserStore::userNames() const
{
    QStringList names = m_users.keys();
    names.sort();
    return names;
}

bool UserStore::verify(const QString& name, const QByteArray& password) const
{
    const auto it = m_users.constFind(name);
    if (it == m_users.cend())
        return false;
    const QByteArray hash =
        QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password, it->salt, it->iterations, 32);
    return sameBytes(hash, it->hash);
}

QByteArray UserStore::login(const QByteArray& body)
{
    static const QByteArray kName = QByteArrayLiteral("name=");
    static const QByteArray kPass = QByteArrayLiteral("&pass=");
    if (!body.startsWith(kName))
        return {};
    reloadUsersIfChanged();
    QString user;
    // A handful of splits at most: a body with many "&pass=" is not worth hashing for.
    int tries = 0;
    for (qsizetype at = body.indexOf(kPass); at >= 0 && tries < 4; at = body.indexOf(kPass, at + 1)) {
        const QString name = QString::fromUtf8(body.mid(kName.size(), at - kName.size()));
        if (!m_users.contains(name))
            continue;
        ++tries;
        if (verify(name, body.mid(at + kPass.size()))) {
            user = name;
            break;
        }
    }
    if (user.isEmpty())
        return {};

    const qint64 now = QDateTime::currentSecsSinceEpoch();
    // Drop expired sessions and the user's oldest beyond the limit.
    QList<QPair<qint64, QByteArray>> own;
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (now - it->issued >= kSessionLifetimeSeconds) {
            it = m_sessions.erase(it);
            continue;
        }
        if (it->user == user)
            own.append({it->issued, it.key()});
        ++it;
    }
    std::sort(own.begin(), own.end());
    for (qsizetype i = 0; i + kMaxSessionsPerUser - 1 < own.size(); ++i)
        m_sessions.remove(own.at(i).second);

    const QByteArray token = randomBytes(32).toHex();
    m_sessions.insert(tokenHash(token), Session{user, now, m_users.value(user).salt});
    if (!saveSessions())
        return {};
    return token;
}

QString UserStore::userForToken(const QByteArray& token)
{
    if (token.isEmpty())
        return {};
    reloadUsersIfChanged();
    const auto it = m_sessions.constFind(tokenHash(token));
    if (it == m_sessions.cend() || QDateTime::currentSecsSinceEpoch() - it->issued >= kSessionLifetimeSeconds)
        return {};
    // The user must still exist with the password the session was opened with.
    const auto account = m_users.constFind(it->user);
    if (account == m_users.cend() || account->salt != it->salt)
        return {};
    return it->user;
}
