#include "ServiceReply.h"

#include <QXmlStreamReader>

namespace quorvane {

ServiceReply parseServiceReply(const QByteArray& reply, const QString& childName)
{
    QXmlStreamReader xml(reply.trimmed());
    ServiceReply out;
    if (!xml.readNextStartElement())
        return {};
    out.status = xml.attributes().value(QLatin1String("status")).toString().toUpper();
    bool found = false;
    while (xml.readNextStartElement()) {
        if (!found && xml.name() == childName) {
            out.child = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            found = true;
        } else {
            xml.skipCurrentElement();
        }
    }
    // Read to the end: a document that breaks off or carries garbage after the root is not a reply.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return {};
    return out;
}

} // namespace quorvane
