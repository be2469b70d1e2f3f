// A multipart/form-data body taken apart without copying: every part is a view into the body, which
// must outlive the result.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

struct FormPart
{
    QByteArray name;     // the "name" of its Content-Disposition
    QByteArray fileName; // the "filename", as sent (never a path to use)
    bool hasFileName = false;
    QByteArrayView data;
};

// The boundary of a Content-Type header value ("multipart/form-data; boundary=..."), quoted or not;
// empty when it is not multipart/form-data or the boundary is missing or longer than 70 characters.
QByteArray multipartBoundary(const QByteArray& contentType);

// The parts of `body`. False when the body is not well formed: no opening delimiter, a part without
// its blank line or its closing delimiter, more than `maxParts` parts, or a header block over 8 KiB.
bool parseMultipart(const QByteArray& body, const QByteArray& boundary, QList<FormPart>* parts, int maxParts = 16);
