// COLLADA: the document is copied with the text of every image's init_from element pointing at a copy of
// the picture in NAME_resdir/ (NAME up to the first dot).
#include "ImportSupport.h"

#include <QFile>
#include <QUrl>
#include <QXmlStreamReader>

namespace quorvane::import {

namespace {

// The direct text of every init_from element that is a child of an image element.
QStringList colladaImageReferences(QIODevice* device)
{
    QStringList refs;
    QXmlStreamReader xml(device);
    QList<QString> stack;
    int collectDepth = -1;
    QString text;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == QLatin1String("init_from") && !stack.isEmpty() &&
                stack.last() == QLatin1String("image") && collectDepth < 0) {
                collectDepth = int(stack.size());
                text.clear();
            }
            stack.append(xml.name().toString());
            break;
        case QXmlStreamReader::Characters:
            if (collectDepth >= 0 && int(stack.size()) == collectDepth + 1)
                text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            stack.removeLast();
            if (collectDepth >= 0 && int(stack.size()) == collectDepth) {
                refs.append(text);
                collectDepth = -1;
            }
            break;
        default:
            break;
        }
    }
    return refs;
}

// Replaces `from` by `to` only where it is the whole text of an init_from element, so that a short
// reference cannot corrupt other parts of the document.
int replaceElementText(QByteArray* doc, const QByteArray& from, const QByteArray& to)
{
    if (from.isEmpty())
        return 0;
    int count = 0;
    qsizetype pos = 0;
    while ((pos = doc->indexOf(from, pos)) >= 0) {
        qsizetype before = pos - 1;
        while (before >= 0 && QChar::isSpace(uchar(doc->at(before))))
            --before;
        qsizetype after = pos + from.size();
        while (after < doc->size() && QChar::isSpace(uchar(doc->at(after))))
            ++after;
        const qsizetype open = before >= 0 ? doc->lastIndexOf('<', before) : -1;
        const QByteArray tag = open >= 0 ? doc->mid(open + 1, before - open - 1).trimmed() : QByteArray();
        const QByteArray tagName = tag.left(tag.indexOf(' ') < 0 ? tag.size() : tag.indexOf(' '));
        const bool inInitFrom =
            before >= 0 && doc->at(before) == '>' && (tagName == "init_from" || tagName.endsWith(":init_from"));
        if (inInitFrom && after < doc->size() && doc->at(after) == '<') {
            doc->replace(pos, from.size(), to);
            pos += to.size();
            ++count;
        } else {
            pos += from.size();
        }
    }
    return count;
}

// A file URL of any machine as a path: "file:///C:/x" is C:/x, "file:///home/x" stays absolute.
QString stripFileUrl(QString ref)
{
    for (const QLatin1String prefix : {QLatin1String("file:///"), QLatin1String("file://")}) {
        if (ref.startsWith(prefix, Qt::CaseInsensitive)) {
            ref = ref.mid(prefix.size());
            if (!isDrivePath(ref) && prefix.size() == 8)
                ref.prepend(QLatin1Char('/'));
            break;
        }
    }
    return ref;
}

} // namespace

bool importCollada(ImportJob& job, PreparedContent* out)
{
    const QString document = QStringLiteral("%1/%2.dae").arg(job.workFolder, job.completeBaseName);
    if (!copyReplacing(job.source, document))
        return job.fail(QStringLiteral("cannot copy the model"));
    QFile source(job.source);
    if (!source.open(QIODevice::ReadOnly))
        return job.fail(QStringLiteral("cannot open the model"));
    const QStringList references = colladaImageReferences(&source);
    source.close();
    const QString documentFolder = QFileInfo(document).absolutePath();
    for (const QString& reference : references) {
        const QString decoded = QUrl::fromPercentEncoding(reference.toUtf8());
        if (decoded.trimmed().isEmpty())
            continue;
        bool found = false;
        const QString texture = resolveReference(job.sourceFolder, stripFileUrl(decoded), &found);
        const QString name = fileNamePart(texture.isEmpty() ? decoded : texture);
        const QString entry = QStringLiteral("%1_resdir\\%2").arg(job.baseName, name);
        const QString newReference = QStringLiteral("./%1_resdir/%2").arg(job.baseName, name);
        QFile file(document);
        if (file.open(QIODevice::ReadOnly)) {
            QByteArray bytes = file.readAll();
            file.close();
            const QByteArray to = newReference.toHtmlEscaped().toUtf8();
            if (replaceElementText(&bytes, reference.toLatin1(), to) == 0 && reference.toUtf8() != reference.toLatin1())
                replaceElementText(&bytes, reference.toUtf8(), to);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(bytes);
        }
        const bool take = found && isSafeEntry(entry) && isPicture(texture);
        if (take) {
            const QString target = entryPath(documentFolder, entry);
            QDir().mkpath(QFileInfo(target).absolutePath());
            copyReplacing(texture, target);
        }
        out->sideFiles.append({entry, !take});
    }
    out->kind = ResourceModel;
    out->contentFile = document;
    return job.saveModelThumbnail(document);
}

} // namespace quorvane::import
