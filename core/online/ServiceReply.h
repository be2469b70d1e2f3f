// The sharing service's XML replies: a root element whose attribute "status" says how it went
// ("OK" success; compared in upper case) and one child element with the payload ("id" after a login,
// "message" after an upload).
#pragma once

#include <QByteArray>
#include <QString>

namespace quorvane {

struct ServiceReply
{
    QString status; // upper case; empty when the reply is not well-formed XML or has no status
    QString child;  // text of the named child element of the root; empty when absent
};

// Parses `reply` (UTF-8, surrounding white space ignored). Anything that is not a well-formed XML
// document gives an empty status and child.
ServiceReply parseServiceReply(const QByteArray& reply, const QString& childName);

} // namespace quorvane
