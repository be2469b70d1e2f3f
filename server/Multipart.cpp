#include "Multipart.h"

namespace {

constexpr qsizetype kMaxHeaderBlock = 8192;

// The value of `key` (such as "name") in a Content-Disposition line: quoted or bare.
bool dispositionParameter(QByteArrayView line, QByteArrayView key, QByteArray* value)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = line.indexOf(key, from);
        if (at < 0)
            return false;
        from = at + 1;
        // Only a whole parameter name: after ";" or white space, followed by "=".
        const bool starts = at > 0 && (line.at(at - 1) == ';' || line.at(at - 1) == ' ' || line.at(at - 1) == '\t');
        qsizetype p = at + key.size();
        if (!starts || p >= line.size() || line.at(p) != '=')
            continue;
        ++p;
        if (p < line.size() && line.at(p) == '"') {
            const qsizetype end = line.indexOf('"', p + 1);
            if (end < 0)
                return false;
            *value = line.sliced(p + 1, end - p - 1).toByteArray();
        } else {
            qsizetype end = p;
            while (end < line.size() && line.at(end) != ';')
                ++end;
            *value = line.sliced(p, end - p).trimmed().toByteArray();
        }
        return true;
    }
}

} // namespace

QByteArray multipartBoundary(const QByteArray& contentType)
{
    const QByteArray lower = contentType.toLower();
    if (!lower.trimmed().startsWith("multipart/form-data"))
        return {};
    const qsizetype at = lower.indexOf("boundary=");
    if (at < 0)
        return {};
    QByteArray b = contentType.mid(at + 9);
    const qsizetype semi = b.indexOf(';');
    if (semi >= 0)
        b.truncate(semi);
    b = b.trimmed();
    if (b.size() >= 2 && b.startsWith('"') && b.endsWith('"'))
        b = b.mid(1, b.size() - 2);
    if (b.isEmpty() || b.size() > 70)
        return {};
    return b;
}

bool parseMultipart(const QByteArray& body, const QByteArray& boundary, QList<FormPart>* parts, int maxParts)
{
    parts->clear();
    const QByteArray first = "--" + boundary;
    const QByteArray delimiter = "\r\n--" + boundary;
    const QByteArrayView all(body);
    if (!all.startsWith(first))
        return false;
    qsizetype pos = first.size();
    while (true) {
        // After a delimiter: "--" ends the body, CRLF starts a part.
        if (all.sliced(pos).startsWith("--"))
            return true;
        if (!all.sliced(pos).startsWith("\r\n"))
            return false;
        pos += 2;
        if (parts->size() >= maxParts)
            return false;
        const qsizetype headersEnd = all.indexOf("\r\n\r\n", pos);
        if (headersEnd < 0 || headersEnd - pos > kMaxHeaderBlock)
            return false;
        FormPart part;
        const QByteArrayView headers = all.sliced(pos, headersEnd - pos);
        const QByteArrayList lines = headers.toByteArray().split('\n');
        for (const QByteArray& line : lines) {
            const QByteArray text = line.trimmed();
            if (!text.toLower().startsWith("content-disposition:"))
                continue;
            dispositionParameter(text, "name", &part.name);
            part.hasFileName = dispositionParameter(text, "filename", &part.fileName);
        }
        const qsizetype dataStart = headersEnd + 4;
        const qsizetype next = all.indexOf(delimiter, dataStart);
        if (next < 0)
            return false;
        part.data = all.sliced(dataStart, next - dataStart);
        parts->append(part);
        pos = next + delimiter.size();
    }
}
