#include "AssimpConvert.h"

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {
namespace {

constexpr qint64 kMaxModelFileBytes = qint64(1024) * 1024 * 1024;
constexpr qint64 kMaxTextureBytes = qint64(256) * 1024 * 1024;
constexpr qint64 kMaxEmbeddedTotal = qint64(1024) * 1024 * 1024;

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// ---------------------------------------------------------------- textures

// Which picture format the bytes hold ("" when they are no picture we know).
// Content decides, so a key or a document that a model names is never embedded.
QByteArray pictureFormat(const QByteArray& bytes, const QString& suffix)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QByteArray format = reader.format();
    if (format == "jpeg")
        format = "jpg";
    if (!format.isEmpty() && format != "svg" && format != "svgz")
        return format;
    if (bytes.startsWith("DDS "))
        return "dds";
    if (suffix.compare("tga", Qt::CaseInsensitive) == 0 && bytes.size() > 18) {
        const auto type = static_cast<unsigned char>(bytes[2]);
        const auto bpp = static_cast<unsigned char>(bytes[16]);
        if ((type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11) &&
            (bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32))
            return "tga";
    }
    return {};
}

// Walks the components below `dir`, matching each case-insensitively when the exact
// name does not exist: models made on Windows name their files loosely.
std::optional<QString> findLoosely(QString dir, const QStringList& comps)
{
    for (const QString& comp : comps) {
        if (comp.isEmpty() || comp == ".")
            continue;
        if (comp == "..") {
            dir = QFileInfo(dir).absolutePath();
            continue;
        }
        const QString exact = dir + "/" + comp;
        if (QFileInfo::exists(exact)) {
            dir = exact;
            continue;
        }
        const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        auto it = std::find_if(entries.begin(), entries.end(),
                               [&comp](const QString& e) { return e.compare(comp, Qt::CaseInsensitive) == 0; });
        if (it == entries.end())
            return std::nullopt;
        dir += "/" + *it;
    }
    return dir;
}

// A texture named by a model: where the name points (relative to the model's
// folder, "\" as separator), else its file name in the model's folder. Only files
// inside the model's folder or its parent's tree qualify: the output is shared with
// other people and must not carry pictures from elsewhere on this machine.
std::optional<QString> resolveTexture(const QString& modelDir, QString name)
{
    name.replace('\\', '/');
    if (name.startsWith("file://", Qt::CaseInsensitive))
        name = name.mid(7);
    const QStringList comps = name.split('/');
    if (name.isEmpty() || comps.isEmpty() || comps.last().isEmpty())
        return std::nullopt;
    const bool absolute = name.startsWith('/') || (name.size() > 1 && name[1] == ':');
    QDir parent(modelDir);
    const QString root = parent.cdUp() && !parent.isRoot() ? parent.absolutePath() : modelDir;

    std::vector<QStringList> candidates;
    if (!absolute)
        candidates.push_back(comps);
    candidates.push_back({comps.last()});
    for (const QStringList& c : candidates) {
        const std::optional<QString> found = findLoosely(modelDir, c);
        if (!found)
            continue;
        const QFileInfo info(*found);
        const QString real = info.canonicalFilePath();
        if (real.isEmpty() || !QFileInfo(real).isFile())
            continue;
        if (root != "/" && !real.startsWith(root + "/"))
            continue;
        return real;
    }
    return std::nullopt;
}

aiTexture* makeTexture(const QByteArray& bytes, const QByteArray& format, const QString& name)
{
    auto* t = new aiTexture;
    t->mWidth = static_cast<unsigned>(bytes.size());
    t->mHeight = 0; // compressed: mWidth is the byte count
    std::memset(t->achFormatHint, 0, sizeof t->achFormatHint);
    std::strncpy(t->achFormatHint, format.constData(), sizeof t->achFormatHint - 1);
    t->pcData = new aiTexel[(static_cast<std::size_t>(bytes.size()) + sizeof(aiTexel) - 1) / sizeof(aiTexel)];
    std::memcpy(t->pcData, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    t->mFilename = aiString(QFileInfo(name).fileName().toStdString());
    return t;
}

// Loads every external texture the materials name into the scene and points the
// materials at the embedded copies ("*N"), so the exported file stands alone.
void embedTextures(aiScene& scene, const QString& modelDir)
{
    std::vector<aiTexture*> added;
    QHash<QString, int> byFile; // canonical path -> embedded index
    qint64 total = 0;
    auto indexOf = [&scene](const aiTexture* t) {
        return int(std::find(scene.mTextures, scene.mTextures + scene.mNumTextures, t) - scene.mTextures);
    };

    for (unsigned m = 0; m < scene.mNumMaterials; ++m) {
        aiMaterial* mat = scene.mMaterials[m];
        if (!mat)
            continue;
        for (int type = aiTextureType_NONE + 1; type <= AI_TEXTURE_TYPE_MAX; ++type) {
            const auto tt = static_cast<aiTextureType>(type);
            for (unsigned i = 0; i < mat->GetTextureCount(tt); ++i) {
                aiString path;
                if (mat->GetTexture(tt, i, &path) != AI_SUCCESS || path.length == 0)
                    continue;
                if (path.data[0] == '*')
                    continue; // embedded already
                int index = -1;
                if (const aiTexture* embedded = scene.GetEmbeddedTexture(path.C_Str())) {
                    index = indexOf(embedded); // embedded, but named by its file
                } else {
                    const std::optional<QString> file = resolveTexture(modelDir, QString::fromUtf8(path.C_Str()));
                    if (!file)
                        continue; // missing: the reference stays as it was
                    if (auto it = byFile.find(*file); it != byFile.end()) {
                        index = *it;
                    } else {
                        QFile f(*file);
                        if (f.size() > kMaxTextureBytes || total + f.size() > kMaxEmbeddedTotal ||
                            !f.open(QIODevice::ReadOnly))
                            continue;
                        const QByteArray bytes = f.readAll();
                        const QByteArray format = pictureFormat(bytes, QFileInfo(*file).suffix());
                        if (format.isEmpty() || bytes.isEmpty())
                            continue;
                        total += bytes.size();
                        index = int(scene.mNumTextures + added.size());
                        added.push_back(makeTexture(bytes, format, *file));
                        byFile.insert(*file, index);
                    }
                }
                if (index < 0)
                    continue;
                const aiString ref(("*" + std::to_string(index)).c_str());
                mat->AddProperty(&ref, AI_MATKEY_TEXTURE(tt, i));
            }
        }
    }
    if (added.empty())
        return;
    auto** all = new aiTexture*[scene.mNumTextures + added.size()];
    std::copy(scene.mTextures, scene.mTextures + scene.mNumTextures, all);
    std::copy(added.begin(), added.end(), all + scene.mNumTextures);
    delete[] scene.mTextures;
    scene.mTextures = all;
    scene.mNumTextures += unsigned(added.size());
}

// ---------------------------------------------------------------- animation

// assimp's FBX writer takes key times for seconds and cuts the take's length to
// whole seconds: hand it seconds, and a length that covers the last key.
void prepareAnimations(aiScene& scene)
{
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        aiAnimation* anim = scene.mAnimations[a];
        if (!anim)
            continue;
        const double tps =
            std::isfinite(anim->mTicksPerSecond) && anim->mTicksPerSecond > 0 ? anim->mTicksPerSecond : 25.0;
        double last = std::isfinite(anim->mDuration) ? anim->mDuration / tps : 0.0;
        auto seconds = [&](auto* keys, unsigned n) {
            for (unsigned k = 0; keys && k < n; ++k) {
                keys[k].mTime = std::isfinite(keys[k].mTime) ? keys[k].mTime / tps : 0.0;
                last = std::max(last, keys[k].mTime);
            }
        };
        for (unsigned c = 0; anim->mChannels && c < anim->mNumChannels; ++c) {
            if (aiNodeAnim* ch = anim->mChannels[c]) {
                seconds(ch->mPositionKeys, ch->mNumPositionKeys);
                seconds(ch->mRotationKeys, ch->mNumRotationKeys);
                seconds(ch->mScalingKeys, ch->mNumScalingKeys);
            }
        }
        for (unsigned c = 0; anim->mMeshChannels && c < anim->mNumMeshChannels; ++c)
            if (aiMeshAnim* ch = anim->mMeshChannels[c])
                seconds(ch->mKeys, ch->mNumKeys);
        for (unsigned c = 0; anim->mMorphMeshChannels && c < anim->mNumMorphMeshChannels; ++c)
            if (aiMeshMorphAnim* ch = anim->mMorphMeshChannels[c])
                seconds(ch->mKeys, ch->mNumKeys);
        anim->mTicksPerSecond = 1.0;
        anim->mDuration = std::ceil(std::max(last, 0.0));
    }
}

// Some writers give a take a length shorter than its keys; the check below would
// refuse such files for that alone.
void coverKeys(aiScene& scene)
{
    for (unsigned a = 0; scene.mAnimations && a < scene.mNumAnimations; ++a) {
        aiAnimation* anim = scene.mAnimations[a];
        if (!anim || !anim->mChannels)
            continue;
        auto cover = [anim](const auto* keys, unsigned n) {
            for (unsigned k = 0; keys && k < n; ++k)
                if (std::isfinite(keys[k].mTime))
                    anim->mDuration = std::max(anim->mDuration, keys[k].mTime);
        };
        for (unsigned c = 0; c < anim->mNumChannels; ++c) {
            if (const aiNodeAnim* ch = anim->mChannels[c]) {
                cover(ch->mPositionKeys, ch->mNumPositionKeys);
                cover(ch->mRotationKeys, ch->mNumRotationKeys);
                cover(ch->mScalingKeys, ch->mNumScalingKeys);
            }
        }
    }
}

// ---------------------------------------------------------------- FBX records

// assimp's binary FBX writer leaves out the empty record that must close every
// nested list (and every object's scope); readers, assimp's own included, reject
// such files. Rebuild the record tree with those sentinels in place.
struct FbxRecord
{
    QByteArray name;
    quint64 numProps = 0;
    QByteArray props;
    std::vector<FbxRecord> children;
};

class FbxSentinels
{
public:
    explicit FbxSentinels(const QByteArray& data) : m_in(data) {}

    std::optional<QByteArray> fix()
    {
        static const char magic[] = "Kaydara FBX Binary  ";
        if (m_in.size() < 27 || !m_in.startsWith(QByteArray(magic, 20)))
            return std::nullopt;
        const quint32 version = quint32(read(23, 4));
        m_wide = version >= 7500;
        std::vector<FbxRecord> top;
        qint64 pos = 27;
        for (;;) {
            FbxRecord r;
            bool end = false;
            if (!parse(pos, r, end, 0))
                return std::nullopt;
            if (end)
                break;
            top.push_back(std::move(r));
        }
        const QByteArray footer = m_in.mid(pos);

        m_out = m_in.left(27);
        for (const FbxRecord& r : top)
            write(r, QByteArray());
        m_out.append(QByteArray(headerSize(), '\0'));
        if (footer.size() >= 156) {
            // Footer id, zeros up to a 16-byte boundary and four more, then version and padding.
            m_out.append(footer.left(16));
            const qint64 pad = ((m_out.size() + 15) & ~qint64(15)) - m_out.size();
            m_out.append(QByteArray(int(pad + 4), '\0'));
            m_out.append(footer.right(140));
        } else {
            m_out.append(footer);
        }
        return m_out;
    }

private:
    int headerSize() const { return m_wide ? 25 : 13; }

    quint64 read(qint64 pos, int bytes) const
    {
        quint64 v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(m_in[pos + i]);
        return v;
    }

    bool parse(qint64& pos, FbxRecord& r, bool& isEnd, int depth)
    {
        const int w = m_wide ? 8 : 4;
        if (depth > 64 || pos + headerSize() > m_in.size())
            return false;
        const quint64 end = read(pos, w), numProps = read(pos + w, w), propLen = read(pos + 2 * w, w);
        const int nameLen = static_cast<unsigned char>(m_in[pos + 3 * w]);
        if (end == 0) {
            pos += headerSize();
            isEnd = true;
            return true;
        }
        const quint64 propsAt = quint64(pos) + quint64(headerSize()) + quint64(nameLen);
        if (end > quint64(m_in.size()) || propLen > end || propsAt + propLen > end)
            return false;
        r.name = m_in.mid(pos + headerSize(), nameLen);
        r.numProps = numProps;
        r.props = m_in.mid(qint64(propsAt), qint64(propLen));
        qint64 p = qint64(propsAt + propLen);
        while (p < qint64(end)) {
            FbxRecord child;
            bool childEnd = false;
            if (!parse(p, child, childEnd, depth + 1))
                return false;
            if (childEnd)
                break;
            r.children.push_back(std::move(child));
        }
        if (p > qint64(end))
            return false;
        pos = qint64(end);
        return true;
    }

    void put(qint64 at, quint64 v)
    {
        const int w = m_wide ? 8 : 4;
        for (int i = 0; i < w; ++i, v >>= 8)
            m_out[at + i] = char(v & 0xff);
    }

    void write(const FbxRecord& r, const QByteArray& parent)
    {
        const qint64 start = m_out.size();
        m_out.append(QByteArray(headerSize() - 1, '\0'));
        m_out.append(char(r.name.size()));
        m_out.append(r.name);
        m_out.append(r.props);
        for (const FbxRecord& c : r.children)
            write(c, r.name);
        // Objects always open a scope, even an empty one, as do property lists.
        if (!r.children.empty() || parent == "Objects" || r.name == "Properties70" || r.name == "References")
            m_out.append(QByteArray(headerSize(), '\0'));
        const int w = m_wide ? 8 : 4;
        put(start, quint64(m_out.size()));
        put(start + w, r.numProps);
        put(start + 2 * w, quint64(r.props.size()));
    }

    const QByteArray& m_in;
    QByteArray m_out;
    bool m_wide = true;
};

bool convert(const QString& input, const QString& outputFbx, QString* error)
{
    const QFileInfo in(input);
    if (!in.isFile() || !in.isReadable())
        return fail(error, QStringLiteral("Cannot read %1").arg(input));
    if (in.size() > kMaxModelFileBytes)
        return fail(error, QStringLiteral("%1 is too large").arg(input));

    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    if (!importer.ReadFile(QFile::encodeName(in.absoluteFilePath()).toStdString(), 0))
        return fail(error,
                    QStringLiteral("Cannot read %1: %2").arg(input, QString::fromUtf8(importer.GetErrorString())));
    coverKeys(*const_cast<aiScene*>(importer.GetScene()));
    // Checked before anything else touches the data; the writer trusts it.
    if (!importer.ApplyPostProcessing(aiProcess_ValidateDataStructure | aiProcess_SortByPType |
                                      aiProcess_RemoveRedundantMaterials))
        return fail(error,
                    QStringLiteral("Cannot read %1: %2").arg(input, QString::fromUtf8(importer.GetErrorString())));
    std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
    if (!scene || !scene->mRootNode || scene->mNumMeshes == 0)
        return fail(error, QStringLiteral("%1 holds no model").arg(input));

    embedTextures(*scene, in.absolutePath());
    prepareAnimations(*scene);

    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), "fbx");
    if (!blob || !blob->data || blob->size == 0)
        return fail(error, QStringLiteral("Cannot write FBX: %1").arg(QString::fromUtf8(exporter.GetErrorString())));
    const QByteArray written(static_cast<const char*>(blob->data), qsizetype(blob->size));
    const std::optional<QByteArray> fbx = FbxSentinels(written).fix();
    if (!fbx)
        return fail(error, QStringLiteral("Cannot write FBX: unexpected record layout"));

    // What is stored must read back.
    Assimp::Importer check;
    if (!check.ReadFileFromMemory(fbx->constData(), std::size_t(fbx->size()), 0, "fbx"))
        return fail(
            error,
            QStringLiteral("The converted FBX does not read back: %1").arg(QString::fromUtf8(check.GetErrorString())));

    QSaveFile out(outputFbx);
    if (!out.open(QIODevice::WriteOnly) || out.write(*fbx) != fbx->size() || !out.commit())
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(outputFbx, out.errorString()));
    return true;
}

} // namespace

bool convertToFbx(const QString& input, const QString& outputFbx, QString* error)
{
    try {
        return convert(input, outputFbx, error);
    } catch (const std::exception& e) {
        return fail(error, QStringLiteral("Conversion of %1 failed: %2").arg(input, QString::fromLocal8Bit(e.what())));
    } catch (...) {
        return fail(error, QStringLiteral("Conversion of %1 failed").arg(input));
    }
}

} // namespace quorvane
