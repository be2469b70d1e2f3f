// Importing one content file into a model file: each branch copies the content into the temporary
// folder, gathers the side files it names, renders a thumbnail, and the common end writes it all.
#include "AssimpConvert.h"
#include "Messages.h"
#include "Model.h"
#include "SafePath.h"

#include "Resources.h"
#include "Thumbnail.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/material.h>

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace quorvane {

void StderrImportReporter::warning(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

void StderrImportReporter::error(const QString& title, const QString& text)
{
    warning(title, text);
}

namespace {

constexpr int kThumbnailSize = 256;
constexpr char kFallbackThumbnail[] = ":/Quorvane/Quorvane.png";

QString tr(const char* text)
{
    return QCoreApplication::translate("Model", text);
}

// One side file as collected: its entry name, or a file that must not be read (missing or refused).
struct SideName
{
    QString name;
    bool refused = false;
};

// What a branch hands to the common end.
struct Prepared
{
    qint32 kind = SelfContainedModel;
    QString content;
    QList<SideName> sides;
};

// Copies src to dst, replacing dst; importing a file that already lies there keeps it.
bool copyReplacing(const QString& src, const QString& dst)
{
    const QString a = QFileInfo(src).canonicalFilePath();
    if (!a.isEmpty() && a == QFileInfo(dst).canonicalFilePath())
        return true;
    QFile::remove(dst);
    return QFile::copy(src, dst);
}

// The existing file at `path`, matching each name letter-case-insensitively where no exact one exists
// (names written on a system that ignores case). Empty when there is none.
QString findIgnoringCase(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(clean).isFile())
        return clean;
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    for (int i = 0; i < parts.size(); ++i) {
        QString next = QDir(current).filePath(parts[i]);
        if (!QFileInfo::exists(next)) {
            const QStringList names =
                QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            next.clear();
            for (const QString& n : names) {
                if (n.compare(parts[i], Qt::CaseInsensitive) == 0) {
                    next = QDir(current).filePath(n);
                    break;
                }
            }
            if (next.isEmpty())
                return QString();
        }
        current = next;
    }
    return QFileInfo(current).isFile() ? current : QString();
}

bool isDrivePath(const QString& name)
{
    return name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter();
}

// A file name from a model, resolved as on the machine that made it: "\" separates folders, relative
// names start at `folder`, letter case does not matter, and an absolute path of another machine falls
// back to its file name beside the model. Returns the found file, else the path as resolved (for
// messages), else empty.
QString resolveReference(const QDir& folder, QString name, bool* found)
{
    *found = false;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty())
        return QString();
    const bool foreign = isDrivePath(name) || QDir::isAbsolutePath(name);
    const QString path = QDir::cleanPath(foreign ? name : folder.absoluteFilePath(name));
    QString hit = isDrivePath(name) ? QString() : findIgnoringCase(path);
    if (hit.isEmpty() && foreign)
        hit = findIgnoringCase(folder.absoluteFilePath(name.mid(name.lastIndexOf(QLatin1Char('/')) + 1)));
    if (!hit.isEmpty()) {
        *found = true;
        return hit;
    }
    return path;
}

// Only real pictures become textures: a model must not smuggle arbitrary files (keys, documents) into
// a model file that is later shared.
bool isPicture(const QString& path)
{
    QImageReader reader(path);
    return reader.canRead() && !reader.read().isNull();
}

// A material library is text with at least one material in it (an empty one names nothing).
bool isMaterialFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxEntryBytes)
        return false;
    const QByteArray data = file.readAll();
    for (const char c : data) {
        const uchar u = uchar(c);
        if (u < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            return false;
    }
    static const QRegularExpression newmtl(QStringLiteral("^\\s*newmtl\\b"),
                                           QRegularExpression::MultilineOption |
                                               QRegularExpression::CaseInsensitiveOption);
    return data.trimmed().isEmpty() || newmtl.match(QString::fromLatin1(data)).hasMatch();
}

// Model texts come in UTF-8 or in a legacy 8-bit code page; lines are kept byte for byte unless rewritten.
QString decodeLine(const QByteArray& bytes, bool* utf8)
{
    QString text = QString::fromUtf8(bytes);
    *utf8 = !text.contains(QChar::ReplacementCharacter);
    return *utf8 ? text : QString::fromLatin1(bytes);
}

QByteArray encodeLine(const QString& text, bool utf8)
{
    return utf8 ? text.toUtf8() : text.toLatin1();
}

QByteArray chompLine(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

bool savePictureThumbnail(const QImage& picture, const QString& png)
{
    if (picture.isNull())
        return false;
    return picture.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .save(png, "PNG");
}

// Renders the model on pure green and keys the green out; the built-in picture when it cannot render.
bool saveModelThumbnail(const QString& model, const QString& t, const QString& cbn)
{
    const QString bmp = QStringLiteral("%1/%2.bmp").arg(t, cbn);
    const QString png = QStringLiteral("%1/%2.png").arg(t, cbn);
    if (renderModelThumbnail(QFile::encodeName(model).toStdString(), QFile::encodeName(bmp).toStdString())) {
        QImage image(bmp);
        QFile::remove(bmp);
        if (!image.isNull()) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    if (qRed(row[x]) == 0 && qGreen(row[x]) == 255 && qBlue(row[x]) == 0)
                        row[x] = qRgba(0, 0, 0, 0);
                }
            }
            if (image.save(png, "PNG"))
                return true;
        }
    }
    initResources();
    return QImage(QString::fromLatin1(kFallbackThumbnail)).save(png, "PNG");
}

// --- 3DS: texture names through lib3ds -------------------------------------------------------------

Lib3dsBool io3dsError(void* self)
{
    return std::ferror(static_cast<FILE*>(self)) != 0;
}

long io3dsSeek(void* self, long offset, Lib3dsIoSeek origin)
{
    const int whence = origin == LIB3DS_SEEK_CUR ? SEEK_CUR : origin == LIB3DS_SEEK_END ? SEEK_END : SEEK_SET;
    return std::fseek(static_cast<FILE*>(self), offset, whence);
}

long io3dsTell(void* self)
{
    return std::ftell(static_cast<FILE*>(self));
}

size_t io3dsRead(void* self, void* buffer, size_t size)
{
    return std::fread(buffer, 1, size, static_cast<FILE*>(self));
}

size_t io3dsWrite(void* self, const void* buffer, size_t size)
{
    return std::fwrite(buffer, 1, size, static_cast<FILE*>(self));
}

// lib3ds 1.3, opened privately: OSG's 3DS plug-in carries its own lib3ds with the same function names
// but other structures, and whichever is linked first would capture the other's calls.
struct Lib3ds13
{
    decltype(&lib3ds_file_new) fileNew = nullptr;
    decltype(&lib3ds_file_free) fileFree = nullptr;
    decltype(&lib3ds_file_read) fileRead = nullptr;
    decltype(&lib3ds_io_new) ioNew = nullptr;
    decltype(&lib3ds_io_free) ioFree = nullptr;

    static const Lib3ds13* instance()
    {
        static const Lib3ds13 lib = [] {
            Lib3ds13 l;
            void* h = nullptr;
            for (const char* name : {"lib3ds-1.so.3", "lib3ds.so"}) {
                if ((h = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND)))
                    break;
            }
            if (h) {
                l.fileNew = reinterpret_cast<decltype(l.fileNew)>(dlsym(h, "lib3ds_file_new"));
                l.fileFree = reinterpret_cast<decltype(l.fileFree)>(dlsym(h, "lib3ds_file_free"));
                l.fileRead = reinterpret_cast<decltype(l.fileRead)>(dlsym(h, "lib3ds_file_read"));
                l.ioNew = reinterpret_cast<decltype(l.ioNew)>(dlsym(h, "lib3ds_io_new"));
                l.ioFree = reinterpret_cast<decltype(l.ioFree)>(dlsym(h, "lib3ds_io_free"));
            }
            return l;
        }();
        return lib.fileNew && lib.fileFree && lib.fileRead && lib.ioNew && lib.ioFree ? &lib : nullptr;
    }
};

// Every material's sixteen maps in the library's order; repeated names stay. lib3ds 1.3 has no log
// callback (its only output is a chunk dump for debugging), so nothing is printed.
bool collect3dsTextures(const QString& path, QStringList* names)
{
    const Lib3ds13* lib = Lib3ds13::instance();
    if (!lib)
        return false;
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!f)
        return false;
    Lib3dsFile* file = lib->fileNew();
    Lib3dsIo* io = lib->ioNew(f, io3dsError, io3dsSeek, io3dsTell, io3dsRead, io3dsWrite);
    const bool ok = file && io && lib->fileRead(file, io);
    if (io)
        lib->ioFree(io);
    std::fclose(f);
    if (ok) {
        for (Lib3dsMaterial* m = file->materials; m; m = m->next) {
            const Lib3dsTextureMap* maps[] = {
                &m->texture1_map,   &m->texture1_mask,   &m->texture2_map,   &m->texture2_mask,
                &m->opacity_map,    &m->opacity_mask,    &m->bump_map,       &m->bump_mask,
                &m->specular_map,   &m->specular_mask,   &m->shininess_map,  &m->shininess_mask,
                &m->self_illum_map, &m->self_illum_mask, &m->reflection_map, &m->reflection_mask,
            };
            for (const Lib3dsTextureMap* map : maps) {
                const size_t n = strnlen(map->name, sizeof map->name);
                if (n > 0)
                    names->append(QString::fromLatin1(map->name, int(n)));
            }
        }
    }
    if (file)
        lib->fileFree(file);
    return ok;
}

// The file-name part of a name written in a model (either separator).
QString fileNamePart(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

// An entry "DIR\FILE" whose file part could leave DIR (or is no file name at all) is refused.
bool isSafeEntry(const QString& entry)
{
    const QString slashed = QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return isSafeRelativePath(slashed) && !slashed.endsWith(QLatin1Char('/'));
}

QString diskPath(const QString& t, const QString& entry)
{
    return QStringLiteral("%1/%2").arg(t, QString(entry).replace(QLatin1Char('\\'), QLatin1Char('/')));
}

// --- COLLADA: the image references in document order -------------------------------------------------

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

class Importer
{
public:
    Importer(const QString& source, ImportReporter* reporter, QString* error)
        : m_source(source), m_info(source), m_folder(m_info.absoluteDir()), m_reporter(reporter), m_error(error)
    {
        m_t = tempDirectory().path();
        m_cbn = m_info.completeBaseName();
        m_base = m_info.baseName();
        // A PNG picture is copied to the very name its thumbnail would take; the thumbnail steps aside
        // so that the picture itself is stored, not its reduced copy.
        m_thumbnail = QStringLiteral("%1/%2.png").arg(m_t, m_cbn);
        if (m_thumbnail == copyPath())
            m_thumbnail = QStringLiteral("%1/%2_thumbnail.png").arg(m_t, m_cbn);
    }

    bool run(const QString& destination)
    {
        if (!m_info.isFile())
            return fail(QStringLiteral("no such file"));
        QFile::remove(thumbnailPath()); // never store the thumbnail of an earlier import
        const QString s = m_info.suffix().toUpper();
        Prepared p;
        bool ok;
        if (s == QLatin1String("MPG") || s == QLatin1String("AVI") || s == QLatin1String("MP4"))
            ok = video(&p);
        else if (s == QLatin1String("BMP") || s == QLatin1String("JPG") || s == QLatin1String("JPEG") ||
                 s == QLatin1String("PNG"))
            ok = picture(&p);
        else if (s == QLatin1String("3DS"))
            ok = model3ds(&p);
        else if (s == QLatin1String("OBJ"))
            ok = obj(&p);
        else if (s == QLatin1String("DAE"))
            ok = collada(&p);
        else if (s == QLatin1String("DXF") || s == QLatin1String("STL") || s == QLatin1String("SVG"))
            ok = plain(&p);
        else
            ok = convert(&p);
        return ok && write(destination, p);
    }

private:
    QString thumbnailPath() const { return m_thumbnail; }
    QString copyPath() const { return QStringLiteral("%1/%2").arg(m_t, m_info.fileName()); }

    bool fail(const QString& why)
    {
        if (m_error)
            *m_error = why;
        return false;
    }

    void warn(const QString& text) { m_reporter->warning(tr(messages::kErrorTitle), text); }

    bool video(Prepared* p)
    {
        const QString c = copyPath();
        if (!copyReplacing(m_source, c))
            return fail(QStringLiteral("cannot copy the video"));
        QImage frame;
        // FFmpeg only: the image-sequence reader would take a "%" in the name as a pattern.
        cv::VideoCapture capture(QFile::encodeName(c).toStdString(), cv::CAP_FFMPEG);
        if (capture.isOpened()) {
            cv::Mat bgr, rgb;
            if (capture.read(bgr) && !bgr.empty() && bgr.type() == CV_8UC3) {
                cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
                frame = QImage(rgb.data, rgb.cols, rgb.rows, int(rgb.step), QImage::Format_RGB888).copy();
            }
            capture.release();
        }
        if (!savePictureThumbnail(frame, thumbnailPath()))
            return fail(QStringLiteral("cannot read a frame of the video"));
        p->kind = Video;
        p->content = c;
        return true;
    }

    bool picture(Prepared* p)
    {
        const QString c = copyPath();
        if (!copyReplacing(m_source, c))
            return fail(QStringLiteral("cannot copy the picture"));
        if (!savePictureThumbnail(QImage(c), thumbnailPath()))
            return fail(QStringLiteral("not a readable picture"));
        p->kind = Picture;
        p->content = c;
        return true;
    }

    bool model3ds(Prepared* p)
    {
        QFile::remove(QStringLiteral("%1/%2.3ds").arg(m_t, m_cbn));
        QStringList textures;
        if (!collect3dsTextures(m_source, &textures))
            return fail(QStringLiteral("not a readable 3DS file"));
        QString missing;
        QList<QPair<QString, QString>> copies; // texture file -> entry name
        for (const QString& t : textures) {
            bool found = false;
            const QString file = resolveReference(m_folder, t, &found);
            // The copy keeps the name the model uses, so the model finds it where names are case-sensitive.
            const QString entry = QStringLiteral("%1_resdir\\%2").arg(m_cbn, fileNamePart(t));
            if (!found || !isPicture(file) || !isSafeEntry(entry)) {
                missing += QLatin1Char('\n') + t;
                p->sides.append({t, true});
                continue;
            }
            copies.append({file, entry});
            p->sides.append({entry, false});
        }
        if (!missing.isEmpty())
            warn(tr(messages::kImportMissingExternal).arg(m_source, missing));
        const QString resdir = QStringLiteral("%1/%2_resdir").arg(m_t, m_cbn);
        QDir().mkpath(resdir);
        for (const auto& c : copies)
            copyReplacing(c.first, diskPath(m_t, c.second));
        p->content = QStringLiteral("%1/%2_resdir/%3.3ds").arg(m_t, m_cbn, m_cbn);
        if (!copyReplacing(m_source, p->content))
            return fail(QStringLiteral("cannot copy the model"));
        p->kind = NestedResourceModel;
        return saveModelThumbnail(p->content, m_t, m_cbn) || fail(QStringLiteral("cannot write the thumbnail"));
    }

    bool obj(Prepared* p)
    {
        const QString o = QStringLiteral("%1/%2.obj").arg(m_t, m_cbn);
        if (QFileInfo(m_source).canonicalFilePath() == QFileInfo(o).canonicalFilePath())
            return fail(QStringLiteral("the model lies in the working folder"));
        QFile::remove(o);
        QFile in(m_source);
        QFile out(o);
        if (!in.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot open the model"));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(QStringLiteral("cannot write %1").arg(o));
        QList<QPair<QString, QString>> materials; // name in the model -> new name
        while (!in.atEnd()) {
            const QByteArray raw = chompLine(in.readLine());
            bool utf8 = true;
            const QString l = decodeLine(raw, &utf8).trimmed().toLower();
            if (!l.startsWith(QLatin1String("mtllib"))) {
                out.write(raw + '\n');
                continue;
            }
            const QString m = l.mid(6).trimmed();
            bool found = false;
            const QString resolved = resolveReference(m_folder, QUrl::fromPercentEncoding(m.toUtf8()), &found);
            if (!found)
                warn(tr(messages::kImportMissingMaterial).arg(m_source, resolved.isEmpty() ? m : resolved));
            const QString newName =
                QStringLiteral("%1_resdir/mat%2.mtl").arg(m_cbn).arg(materials.size(), 4, 10, QLatin1Char('0'));
            out.write(encodeLine(QStringLiteral("mtllib %1\n").arg(newName), utf8));
            materials.append({m, newName});
        }
        out.close();
        if (out.error() != QFileDevice::NoError)
            return fail(QStringLiteral("cannot write %1").arg(o));
        if (!materials.isEmpty())
            QDir().mkpath(QStringLiteral("%1/%2_resdir").arg(m_t, m_cbn));

        const QDir outDir = QFileInfo(o).absoluteDir();
        QStringList textureNames;
        for (const auto& [m, newName] : materials) {
            bool found = false;
            const QString lib = resolveReference(m_folder, QUrl::fromPercentEncoding(m.toUtf8()), &found);
            if (!found)
                return fail(QStringLiteral("material library %1 not found").arg(m));
            if (!isMaterialFile(lib)) {
                warn(tr(messages::kImportMissingMaterial).arg(m_source, lib));
                return fail(QStringLiteral("%1 is not a material library").arg(lib));
            }
            QFile mtlIn(lib);
            QFile mtlOut(outDir.filePath(newName));
            if (!mtlIn.open(QIODevice::ReadOnly))
                return fail(QStringLiteral("cannot open %1").arg(lib));
            if (!mtlOut.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return fail(QStringLiteral("cannot write %1").arg(mtlOut.fileName()));
            while (!mtlIn.atEnd()) {
                const QByteArray raw = chompLine(mtlIn.readLine());
                bool utf8 = true;
                const QString line = decodeLine(raw, &utf8);
                const QString l = line.trimmed().toLower();
                const int blank = int(l.indexOf(QRegularExpression(QStringLiteral("\\s"))));
                if (!l.startsWith(QLatin1String("map_")) || blank < 0) {
                    mtlOut.write(raw + '\n');
                    continue;
                }
                const QString x = l.mid(blank).trimmed();
                bool texFound = false;
                const QString texture = resolveReference(m_folder, x, &texFound);
                QString suffix = QFileInfo(fileNamePart(x)).suffix();
                suffix.remove(QRegularExpression(QStringLiteral("[^a-z0-9]")));
                const QString texName = QStringLiteral("%1_resdir/tex%2_%3.jpg")
                                            .arg(m_cbn)
                                            .arg(m_textureCounter++, 4, 10, QLatin1Char('0'))
                                            .arg(suffix);
                QString rewritten = line;
                rewritten.replace(x, texName, Qt::CaseInsensitive);
                mtlOut.write(encodeLine(rewritten, utf8) + '\n');
                textureNames.append(texName);
                const QImage image = texFound ? QImage(texture) : QImage();
                if (image.isNull() || !image.save(outDir.filePath(texName), "JPG")) {
                    QFile::remove(outDir.filePath(texName));
                    warn(tr(messages::kImportMissingTexture).arg(lib, texture.isEmpty() ? x : texture));
                }
            }
            mtlOut.close();
            if (mtlOut.error() != QFileDevice::NoError)
                return fail(QStringLiteral("cannot write %1").arg(mtlOut.fileName()));
        }
        for (const auto& mat : materials)
            p->sides.append({mat.second, false});
        for (const QString& t : textureNames)
            p->sides.append({t, false});
        p->kind = ResourceModel;
        p->content = o;
        return saveModelThumbnail(o, m_t, m_cbn) || fail(QStringLiteral("cannot write the thumbnail"));
    }

    bool collada(Prepared* p)
    {
        const QString d = QStringLiteral("%1/%2.dae").arg(m_t, m_cbn);
        if (!copyReplacing(m_source, d))
            return fail(QStringLiteral("cannot copy the model"));
        QFile src(m_source);
        if (!src.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot open the model"));
        const QStringList refs = colladaImageReferences(&src);
        src.close();
        const QString dFolder = QFileInfo(d).absolutePath();
        for (const QString& r : refs) {
            const QString decoded = QUrl::fromPercentEncoding(r.toUtf8());
            if (decoded.trimmed().isEmpty())
                continue;
            bool found = false;
            const QString texture = resolveReference(m_folder, stripFileUrl(decoded), &found);
            const QString name = fileNamePart(texture.isEmpty() ? decoded : texture);
            const QString entry = QStringLiteral("%1_resdir\\%2").arg(m_base, name);
            const QString newRef = QStringLiteral("./%1_resdir/%2").arg(m_base, name);
            QFile doc(d);
            if (doc.open(QIODevice::ReadOnly)) {
                QByteArray bytes = doc.readAll();
                doc.close();
                const QByteArray to = newRef.toHtmlEscaped().toUtf8();
                if (replaceElementText(&bytes, r.toLatin1(), to) == 0 && r.toUtf8() != r.toLatin1())
                    replaceElementText(&bytes, r.toUtf8(), to);
                if (doc.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    doc.write(bytes);
            }
            const bool take = found && isSafeEntry(entry) && isPicture(texture);
            if (take) {
                const QString target = diskPath(dFolder, entry);
                QDir().mkpath(QFileInfo(target).absolutePath());
                copyReplacing(texture, target);
            }
            p->sides.append({entry, !take});
        }
        p->kind = ResourceModel;
        p->content = d;
        return saveModelThumbnail(d, m_t, m_cbn) || fail(QStringLiteral("cannot write the thumbnail"));
    }

    bool plain(Prepared* p)
    {
        const QString c = copyPath();
        if (!copyReplacing(m_source, c))
            return fail(QStringLiteral("cannot copy the model"));
        p->kind = SelfContainedModel;
        p->content = c;
        return saveModelThumbnail(c, m_t, m_cbn) || fail(QStringLiteral("cannot write the thumbnail"));
    }

    bool convert(Prepared* p)
    {
        const QString f = QStringLiteral("%1/%2.fbx").arg(m_t, m_cbn);
        QString why;
        if (!convertToFbx(m_source, f, &why))
            return fail(why.isEmpty() ? QStringLiteral("cannot convert the model") : why);
        p->kind = SelfContainedModel;
        p->content = f;
        return saveModelThumbnail(f, m_t, m_cbn) || fail(QStringLiteral("cannot write the thumbnail"));
    }

    bool write(const QString& destination, const Prepared& p)
    {
        QByteArray thumbnail, content;
        if (!readCompressed(p.content, content))
            return fail(QStringLiteral("cannot read back %1").arg(p.content));
        if (!readCompressed(thumbnailPath(), thumbnail))
            return fail(QStringLiteral("cannot read back the thumbnail"));
        QList<ModelSideEntry> entries;
        for (const SideName& s : p.sides) {
            ModelSideEntry e{s.name, QByteArray()};
            if (s.refused || !isSafeEntry(s.name) || !readCompressed(diskPath(m_t, s.name), e.data))
                e = ModelSideEntry{QLatin1String(kErrorEntry), QByteArray(kErrorEntry)};
            entries.append(e);
        }
        if (!writeModelFile(destination, p.kind, m_info.suffix(), thumbnail, content, entries))
            return fail(QStringLiteral("cannot write %1").arg(destination));
        return true;
    }

    QString m_source;
    QFileInfo m_info;
    QDir m_folder;
    ImportReporter* m_reporter;
    QString* m_error;
    QString m_t, m_cbn, m_base, m_thumbnail;
    int m_textureCounter = 0;
};

} // namespace

bool Model_v0_0::importFrom(const QString& destination, const QString& source)
{
    lastError.clear();
    StderrImportReporter fallback;
    Importer importer(source, reporter ? reporter : &fallback, &lastError);
    return importer.run(destination);
}

} // namespace quorvane
