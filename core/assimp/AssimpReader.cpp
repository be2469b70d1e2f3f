#include "AssimpReader.h"

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <osg/BlendFunc>
#include <osg/Notify>
#include <osg/AlphaFunc>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Image>
#include <osg/Material>
#include <osg/MatrixTransform>
#include <osg/Texture2D>
#include <osgAnimation/Animation>
#include <osgAnimation/BasicAnimationManager>
#include <osgAnimation/Channel>
#include <osgAnimation/StackedQuaternionElement>
#include <osgAnimation/StackedScaleElement>
#include <osgAnimation/StackedTranslateElement>
#include <osgAnimation/UpdateMatrixTransform>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/ReaderWriter>
#include <osgDB/Registry>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace quorvane {
namespace {

// Caps on what one file may make us allocate. Real models stay far below them.
constexpr std::uintmax_t kMaxModelFileBytes = 1024ull * 1024 * 1024;
constexpr unsigned kMaxVerticesPerMesh = 16u * 1024 * 1024;
constexpr std::size_t kMaxTotalVertices = 64u * 1024 * 1024;
constexpr std::size_t kMaxNodes = 1000000;
constexpr int kMaxNodeDepth = 512;
constexpr std::uintmax_t kMaxImageBytes = 256ull * 1024 * 1024;
constexpr std::size_t kMaxTexels = 64u * 1024 * 1024;
constexpr unsigned kMaxKeysPerChannel = 4u * 1024 * 1024;

// Extensions that an installed OSG plug-in reads; those stay with OSG.
const std::set<std::string>& osgOwnExtensions()
{
    static const std::set<std::string> own = {
        "3dc", "asc", "3ds", "ac", "bsp", "bvh", "dae", "zae", "dxf", "iv", "wrl", "lwo", "lw", "geo", "lws", "md2",
        "mdl", "obj", "flt", "ply", "stl", "sta", "x", "osg", "osgb", "osgt", "ive", "shp", "txp", "svg",
        // Not a model format of its own ("mesh.xml"), and animation-only files show nothing.
        "xml", "md5anim", "md5camera"};
    return own;
}

bool isFinite(const aiVector3D& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

osg::Vec3 toVec3(const aiVector3D& v)
{
    return isFinite(v) ? osg::Vec3(v.x, v.y, v.z) : osg::Vec3();
}

osg::Vec4 toVec4(const aiColor4D& c, float alpha)
{
    auto f = [](float x) { return std::isfinite(x) ? x : 0.0f; };
    return osg::Vec4(f(c.r), f(c.g), f(c.b), alpha);
}

// assimp matrices act on column vectors, OSG's on row vectors: transpose.
osg::Matrix toMatrix(const aiMatrix4x4& m)
{
    osg::Matrix r(m.a1, m.b1, m.c1, m.d1, m.a2, m.b2, m.c2, m.d2, m.a3, m.b3, m.c3, m.d3, m.a4, m.b4, m.c4, m.d4);
    return r.valid() ? r : osg::Matrix::identity();
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// ---------------------------------------------------------------- pictures

// The picture format is taken from the bytes, so a misnamed texture still loads
// and a file that is not a picture is never handed to a decoder it was not made for.
std::string sniffImageExtension(const std::string& d, const std::string& hint)
{
    auto starts = [&d](const char* magic, std::size_t n) {
        return d.size() >= n && std::memcmp(d.data(), magic, n) == 0;
    };
    if (starts("\x89PNG\r\n\x1a\n", 8))
        return "png";
    if (starts("\xff\xd8\xff", 3))
        return "jpeg";
    if (starts("BM", 2))
        return "bmp";
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return "gif";
    if (starts("DDS ", 4))
        return "dds";
    if (starts("II*\0", 4) || starts("MM\0*", 4))
        return "tiff";
    if (starts("\xabKTX 11\xbb\r\n\x1a\n", 12))
        return "ktx";
    if (starts("#?RADIANCE", 10))
        return "hdr";
    // TGA has no signature: trust the name only for it, and check its header.
    if (lower(hint) == "tga" && d.size() > 18) {
        const unsigned char type = static_cast<unsigned char>(d[2]);
        const unsigned char bpp = static_cast<unsigned char>(d[16]);
        const bool typeOk = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
        const bool bppOk = bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
        if (typeOk && bppOk)
            return "tga";
    }
    return {};
}

osg::ref_ptr<osg::Image> decodeImage(const std::string& bytes, const std::string& hint)
{
    const std::string ext = sniffImageExtension(bytes, hint);
    if (ext.empty())
        return nullptr;
    osgDB::ReaderWriter* rw = osgDB::Registry::instance()->getReaderWriterForExtension(ext);
    if (!rw)
        return nullptr;
    std::istringstream in(bytes, std::ios::in | std::ios::binary);
    osgDB::ReaderWriter::ReadResult rr = rw->readImage(in);
    osg::ref_ptr<osg::Image> image = rr.validImage() ? rr.getImage() : nullptr;
    if (!image || image->s() <= 0 || image->t() <= 0 || !image->data())
        return nullptr;
    return image;
}

std::optional<std::string> readSmallFile(const fs::path& p, std::uintmax_t cap)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(p, ec);
    if (ec || size > cap)
        return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string data(static_cast<std::size_t>(size), '\0');
    in.read(data.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        return std::nullopt;
    return data;
}

// Walks the components below `base`, matching each one case-insensitively when the
// exact name does not exist: models made on Windows name their files loosely.
std::optional<fs::path> findLoosely(fs::path cur, const std::vector<std::string>& comps)
{
    for (const std::string& comp : comps) {
        if (comp.empty() || comp == ".")
            continue;
        if (comp == "..") {
            cur = cur.parent_path();
            continue;
        }
        std::error_code ec;
        if (fs::exists(cur / comp, ec)) {
            cur /= comp;
            continue;
        }
        const std::string want = lower(comp);
        bool found = false;
        std::size_t seen = 0;
        for (fs::directory_iterator it(cur, ec), end; !ec && it != end && ++seen < 20000; it.increment(ec)) {
            if (lower(it->path().filename().string()) == want) {
                cur = it->path();
                found = true;
                break;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return cur;
}

bool isInside(const fs::path& p, const fs::path& root)
{
    const std::string ps = p.string(), rs = root.string();
    if (rs == "/")
        return true;
    return ps.size() > rs.size() && ps.compare(0, rs.size(), rs) == 0 && ps[rs.size()] == '/';
}

// A texture named by a model: tried where the name points (relative to the model's
// folder, "\" as separator), then by its file name in the model's folder. Only files
// inside the model's folder or its parent's tree are taken: a model from someone
// else must not make us read pictures from elsewhere on the machine.
std::optional<fs::path> resolveTexture(const fs::path& modelDir, std::string name)
{
    std::replace(name.begin(), name.end(), '\\', '/');
    if (lower(name.substr(0, 7)) == "file://")
        name = name.substr(7);
    if (name.empty())
        return std::nullopt;
    std::vector<std::string> comps;
    std::stringstream ss(name);
    for (std::string c; std::getline(ss, c, '/');)
        comps.push_back(c);
    if (comps.empty())
        return std::nullopt;
    const bool absolute = name[0] == '/' || (name.size() > 1 && name[1] == ':');

    fs::path root = modelDir;
    if (modelDir.has_parent_path() && modelDir.parent_path() != modelDir.root_path())
        root = modelDir.parent_path();

    std::vector<std::vector<std::string>> candidates;
    if (!absolute)
        candidates.push_back(comps);
    candidates.push_back({comps.back()});
    for (const auto& c : candidates) {
        const std::optional<fs::path> found = findLoosely(modelDir, c);
        if (!found)
            continue;
        std::error_code ec;
        const fs::path real = fs::canonical(*found, ec);
        if (ec || !fs::is_regular_file(real, ec) || !isInside(real, root))
            continue;
        return real;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- skinning

// Skinned meshes follow their bones on the CPU, after the animation has moved them.
struct SkinBinding
{
    osg::ref_ptr<osg::Geometry> geometry;
    osg::ref_ptr<osg::Vec3Array> bindVertices, bindNormals;
    std::vector<std::vector<osg::ref_ptr<osg::MatrixTransform>>> boneChains; // leaf first
    std::vector<osg::ref_ptr<osg::MatrixTransform>> meshChain;               // leaf first
    std::vector<osg::Matrix> offsets;
    std::vector<std::vector<std::pair<unsigned, float>>> influences; // per vertex: bone, weight
    std::vector<osg::Matrix> last;

    static osg::Matrix chainMatrix(const std::vector<osg::ref_ptr<osg::MatrixTransform>>& chain)
    {
        osg::Matrix m;
        for (const auto& node : chain)
            m.postMult(node->getMatrix());
        return m;
    }

    void apply()
    {
        const osg::Matrix toMesh = osg::Matrix::inverse(chainMatrix(meshChain));
        std::vector<osg::Matrix> bones(boneChains.size());
        for (std::size_t b = 0; b < boneChains.size(); ++b)
            bones[b] = offsets[b] * chainMatrix(boneChains[b]) * toMesh;
        if (bones == last)
            return;
        last = bones;
        auto* verts = static_cast<osg::Vec3Array*>(geometry->getVertexArray());
        auto* norms = bindNormals ? static_cast<osg::Vec3Array*>(geometry->getNormalArray()) : nullptr;
        for (std::size_t i = 0; i < influences.size(); ++i) {
            const auto& inf = influences[i];
            if (inf.empty())
                continue;
            osg::Vec3 v, n;
            float total = 0;
            for (const auto& [bone, w] : inf) {
                v += ((*bindVertices)[i] * bones[bone]) * w;
                if (norms)
                    n += osg::Matrix::transform3x3((*bindNormals)[i], bones[bone]) * w;
                total += w;
            }
            if (total <= 1e-6f)
                continue;
            (*verts)[i] = v / total;
            if (norms) {
                n.normalize();
                (*norms)[i] = n;
            }
        }
        verts->dirty();
        if (norms)
            norms->dirty();
        geometry->dirtyBound();
    }
};

class SkinUpdater : public osg::NodeCallback
{
public:
    std::vector<SkinBinding> skins;
    void operator()(osg::Node* node, osg::NodeVisitor* nv) override
    {
        traverse(node, nv); // the bones take their new matrices first
        for (SkinBinding& s : skins)
            s.apply();
    }
};

// ---------------------------------------------------------------- scene

class SceneBuilder
{
public:
    SceneBuilder(const aiScene& scene, fs::path modelDir) : m_scene(scene), m_dir(std::move(modelDir)) {}

    osg::ref_ptr<osg::Node> build()
    {
        if (!m_scene.mRootNode)
            return nullptr;
        osg::ref_ptr<osg::MatrixTransform> root = new osg::MatrixTransform(upAxisToZ());
        root->setName("up axis");
        osg::ref_ptr<osg::MatrixTransform> top = buildNode(*m_scene.mRootNode, 0, nullptr);
        if (!top)
            return nullptr;
        root->addChild(top);
        bindSkins();
        buildAnimations(*root);
        if (m_geometries == 0)
            return nullptr;
        return root;
    }

private:
    using Chain = std::vector<osg::ref_ptr<osg::MatrixTransform>>;

    struct PendingSkin
    {
        unsigned mesh;
        osg::ref_ptr<osg::Geometry> geometry;
        osg::MatrixTransform* node;
    };

    // The file's axes (FBX states them) mapped so that up becomes +Z and front -Y,
    // the view's convention; assimp gives every other format with +Y up.
    osg::Matrix upAxisToZ() const
    {
        int up = 1, upSign = 1, front = 2, frontSign = 1, coord = 0, coordSign = 1;
        if (const aiMetadata* md = m_scene.mMetaData) {
            int32_t u = -1, us = 1, f = -1, fs_ = 1, c = -1, cs = 1;
            if (md->Get("UpAxis", u) && md->Get("UpAxisSign", us) && md->Get("FrontAxis", f) &&
                md->Get("FrontAxisSign", fs_) && md->Get("CoordAxis", c) && md->Get("CoordAxisSign", cs)) {
                std::set<int> axes = {u, f, c};
                if (axes == std::set<int>{0, 1, 2}) {
                    up = u;
                    front = f;
                    coord = c;
                    upSign = us < 0 ? -1 : 1;
                    frontSign = fs_ < 0 ? -1 : 1;
                    coordSign = cs < 0 ? -1 : 1;
                }
            }
        }
        double m[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}};
        m[coord][0] = coordSign;
        m[up][2] = upSign;
        m[front][1] = -frontSign;
        return osg::Matrix(&m[0][0]);
    }

    // The node and its ancestors up to the file's root, leaf first.
    Chain chainOf(osg::MatrixTransform* mt) const
    {
        Chain chain;
        for (; mt; mt = m_parent.at(mt))
            chain.push_back(mt);
        return chain;
    }

    osg::ref_ptr<osg::MatrixTransform> buildNode(const aiNode& node, int depth, osg::MatrixTransform* parent)
    {
        if (depth > kMaxNodeDepth || ++m_nodes > kMaxNodes)
            return nullptr;
        osg::ref_ptr<osg::MatrixTransform> mt = new osg::MatrixTransform(toMatrix(node.mTransformation));
        mt->setName(node.mName.C_Str());
        m_byName.emplace(node.mName.C_Str(), mt.get());
        m_parent[mt.get()] = parent;

        if (node.mNumMeshes > 0 && node.mMeshes) {
            osg::ref_ptr<osg::Geode> geode = new osg::Geode;
            for (unsigned i = 0; i < node.mNumMeshes; ++i) {
                const unsigned index = node.mMeshes[i];
                if (index >= m_scene.mNumMeshes || !m_scene.mMeshes[index])
                    continue;
                const aiMesh& mesh = *m_scene.mMeshes[index];
                osg::ref_ptr<osg::Geometry> geometry;
                if (mesh.mNumBones > 0 && mesh.mBones) {
                    // Skinned copies are per instance: each follows its own node.
                    geometry = buildGeometry(mesh);
                    if (geometry)
                        m_pendingSkins.push_back({index, geometry, mt.get()});
                } else {
                    auto it = m_meshCache.find(index);
                    geometry = it != m_meshCache.end() ? it->second : (m_meshCache[index] = buildGeometry(mesh));
                }
                if (geometry) {
                    geode->addDrawable(geometry);
                    ++m_geometries;
                }
            }
            if (geode->getNumDrawables() > 0)
                mt->addChild(geode);
        }
        if (node.mChildren) {
            for (unsigned i = 0; i < node.mNumChildren; ++i) {
                if (!node.mChildren[i])
                    continue;
                if (osg::ref_ptr<osg::MatrixTransform> child = buildNode(*node.mChildren[i], depth + 1, mt.get()))
                    mt->addChild(child);
            }
        }
        return mt;
    }

    osg::ref_ptr<osg::Geometry> buildGeometry(const aiMesh& mesh)
    {
        const unsigned n = mesh.mNumVertices;
        if (!mesh.mVertices || n == 0 || n > kMaxVerticesPerMesh || !mesh.mFaces)
            return nullptr;
        if (m_totalVertices + n > kMaxTotalVertices)
            return nullptr;

        osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
        triangles->reserve(std::size_t(mesh.mNumFaces) * 3);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3 || !face.mIndices)
                continue;
            if (face.mIndices[0] >= n || face.mIndices[1] >= n || face.mIndices[2] >= n)
                continue;
            triangles->insert(triangles->end(), face.mIndices, face.mIndices + 3);
        }
        if (triangles->empty())
            return nullptr;
        m_totalVertices += n;

        osg::ref_ptr<osg::Geometry> g = new osg::Geometry;
        g->setName(mesh.mName.C_Str());
        osg::ref_ptr<osg::Vec3Array> v = new osg::Vec3Array(n);
        for (unsigned i = 0; i < n; ++i)
            (*v)[i] = toVec3(mesh.mVertices[i]);
        g->setVertexArray(v);
        if (mesh.mNormals) {
            osg::ref_ptr<osg::Vec3Array> nv = new osg::Vec3Array(n);
            for (unsigned i = 0; i < n; ++i)
                (*nv)[i] = toVec3(mesh.mNormals[i]);
            g->setNormalArray(nv, osg::Array::BIND_PER_VERTEX);
        }
        if (mesh.mTextureCoords[0]) {
            osg::ref_ptr<osg::Vec2Array> tc = new osg::Vec2Array(n);
            for (unsigned i = 0; i < n; ++i) {
                const osg::Vec3 t = toVec3(mesh.mTextureCoords[0][i]);
                (*tc)[i].set(t.x(), t.y());
            }
            g->setTexCoordArray(0, tc, osg::Array::BIND_PER_VERTEX);
        }
        const bool colours = mesh.mColors[0] != nullptr;
        if (colours) {
            osg::ref_ptr<osg::Vec4Array> c = new osg::Vec4Array(n);
            for (unsigned i = 0; i < n; ++i)
                (*c)[i] = toVec4(mesh.mColors[0][i], mesh.mColors[0][i].a);
            g->setColorArray(c, osg::Array::BIND_PER_VERTEX);
        }
        g->addPrimitiveSet(triangles);
        g->setStateSet(stateSetFor(mesh.mMaterialIndex, colours));
        return g;
    }

    // ------------------------------------------------------------ materials

    osg::StateSet* stateSetFor(unsigned materialIndex, bool vertexColours)
    {
        const auto key = std::make_pair(materialIndex, vertexColours);
        auto it = m_stateSets.find(key);
        if (it != m_stateSets.end())
            return it->second.get();
        osg::ref_ptr<osg::StateSet> ss = new osg::StateSet;
        m_stateSets[key] = ss;
        if (materialIndex >= m_scene.mNumMaterials || !m_scene.mMaterials[materialIndex])
            return ss.get();
        const aiMaterial& mat = *m_scene.mMaterials[materialIndex];

        float opacity = 1.0f;
        if (mat.Get(AI_MATKEY_OPACITY, opacity) != AI_SUCCESS || !std::isfinite(opacity))
            opacity = 1.0f;
        // Many exporters write opacity 0 for opaque materials; an invisible model helps nobody.
        if (opacity <= 0.01f)
            opacity = 1.0f;
        opacity = std::min(opacity, 1.0f);

        aiColor4D diffuse(0.8f, 0.8f, 0.8f, 1.0f), ambient(0.2f, 0.2f, 0.2f, 1.0f), specular(0, 0, 0, 1),
            emissive(0, 0, 0, 1);
        if (mat.Get(AI_MATKEY_COLOR_DIFFUSE, diffuse) != AI_SUCCESS)
            mat.Get(AI_MATKEY_BASE_COLOR, diffuse);
        mat.Get(AI_MATKEY_COLOR_AMBIENT, ambient);
        mat.Get(AI_MATKEY_COLOR_SPECULAR, specular);
        mat.Get(AI_MATKEY_COLOR_EMISSIVE, emissive);
        float shininess = 0, strength = 1;
        mat.Get(AI_MATKEY_SHININESS, shininess);
        if (mat.Get(AI_MATKEY_SHININESS_STRENGTH, strength) == AI_SUCCESS && std::isfinite(strength))
            specular = specular * strength;
        if (!std::isfinite(shininess))
            shininess = 0;

        osg::ref_ptr<osg::Material> m = new osg::Material;
        const float alpha =
            std::isfinite(diffuse.a) && diffuse.a > 0.01f ? std::min(diffuse.a, 1.0f) * opacity : opacity;
        m->setDiffuse(osg::Material::FRONT_AND_BACK, toVec4(diffuse, alpha));
        m->setAmbient(osg::Material::FRONT_AND_BACK, toVec4(ambient, alpha));
        m->setSpecular(osg::Material::FRONT_AND_BACK, toVec4(specular, alpha));
        m->setEmission(osg::Material::FRONT_AND_BACK, toVec4(emissive, alpha));
        m->setShininess(osg::Material::FRONT_AND_BACK, std::clamp(shininess, 0.0f, 128.0f));
        if (vertexColours)
            m->setColorMode(osg::Material::AMBIENT_AND_DIFFUSE);
        ss->setAttributeAndModes(m);

        aiString alphaMode;
        const bool gltfBlend = mat.Get("$mat.gltf.alphaMode", 0, 0, alphaMode) == AI_SUCCESS &&
                               std::strcmp(alphaMode.C_Str(), "BLEND") == 0;
        if (alpha < 1.0f || gltfBlend) {
            ss->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
            ss->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
        } else if (std::strcmp(alphaMode.C_Str(), "MASK") == 0) {
            float cutoff = 0.5f;
            mat.Get("$mat.gltf.alphaCutoff", 0, 0, cutoff);
            ss->setAttributeAndModes(
                new osg::AlphaFunc(osg::AlphaFunc::GREATER, std::isfinite(cutoff) ? cutoff : 0.5f));
        }

        aiString path;
        aiTextureMapMode modes[2] = {aiTextureMapMode_Wrap, aiTextureMapMode_Wrap};
        aiTextureType type = aiTextureType_DIFFUSE;
        if (mat.GetTextureCount(aiTextureType_DIFFUSE) == 0 && mat.GetTextureCount(aiTextureType_BASE_COLOR) > 0)
            type = aiTextureType_BASE_COLOR;
        if (mat.GetTexture(type, 0, &path, nullptr, nullptr, nullptr, nullptr, modes) == AI_SUCCESS) {
            if (osg::Image* image = imageFor(path.C_Str())) {
                osg::ref_ptr<osg::Texture2D> tex = new osg::Texture2D(image);
                auto wrap = [](aiTextureMapMode mode) {
                    switch (mode) {
                    case aiTextureMapMode_Clamp:
                        return osg::Texture::CLAMP_TO_EDGE;
                    case aiTextureMapMode_Mirror:
                        return osg::Texture::MIRROR;
                    default:
                        return osg::Texture::REPEAT;
                    }
                };
                tex->setWrap(osg::Texture::WRAP_S, wrap(modes[0]));
                tex->setWrap(osg::Texture::WRAP_T, wrap(modes[1]));
                tex->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR_MIPMAP_LINEAR);
                tex->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
                ss->setTextureAttributeAndModes(0, tex);
            }
        }
        return ss.get();
    }

    osg::Image* imageFor(const std::string& name)
    {
        if (name.empty())
            return nullptr;
        std::string key;
        const aiTexture* embedded = m_scene.GetEmbeddedTexture(name.c_str());
        std::optional<fs::path> file;
        if (embedded) {
            key = "*" + std::to_string(std::distance(
                            m_scene.mTextures,
                            std::find(m_scene.mTextures, m_scene.mTextures + m_scene.mNumTextures, embedded)));
        } else {
            if (name[0] == '*')
                return nullptr; // a reference to an embedded picture that is not there
            file = resolveTexture(m_dir, name);
            if (!file)
                return nullptr;
            key = file->string();
        }
        auto it = m_images.find(key);
        if (it != m_images.end())
            return it->second.get();
        osg::ref_ptr<osg::Image> image;
        if (embedded) {
            image = decodeEmbedded(*embedded);
        } else if (std::optional<std::string> bytes = readSmallFile(*file, kMaxImageBytes)) {
            image = decodeImage(*bytes, file->extension().string().substr(file->extension().empty() ? 0 : 1));
            if (image)
                image->setFileName(file->string());
        }
        m_images[key] = image;
        return image.get();
    }

    static osg::ref_ptr<osg::Image> decodeEmbedded(const aiTexture& t)
    {
        if (!t.pcData)
            return nullptr;
        if (t.mHeight == 0) {
            // Compressed picture bytes; mWidth is their count.
            if (t.mWidth == 0 || t.mWidth > kMaxImageBytes)
                return nullptr;
            const std::string bytes(reinterpret_cast<const char*>(t.pcData), t.mWidth);
            return decodeImage(bytes, std::string(t.achFormatHint, strnlen(t.achFormatHint, sizeof t.achFormatHint)));
        }
        // Raw BGRA texels, top row first; OSG keeps the bottom row first.
        if (t.mWidth == 0 || std::size_t(t.mWidth) * t.mHeight > kMaxTexels)
            return nullptr;
        const unsigned w = t.mWidth, h = t.mHeight;
        auto* data = new unsigned char[std::size_t(w) * h * 4];
        for (unsigned y = 0; y < h; ++y) {
            for (unsigned x = 0; x < w; ++x) {
                const aiTexel& s = t.pcData[std::size_t(h - 1 - y) * w + x];
                unsigned char* d = data + (std::size_t(y) * w + x) * 4;
                d[0] = s.r, d[1] = s.g, d[2] = s.b, d[3] = s.a;
            }
        }
        osg::ref_ptr<osg::Image> image = new osg::Image;
        image->setImage(int(w), int(h), 1, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, data, osg::Image::USE_NEW_DELETE);
        return image;
    }

    // ------------------------------------------------------------ skins

    void bindSkins()
    {
        if (m_scene.mNumAnimations == 0)
            return; // without animation the bind pose is what shows
        for (PendingSkin& p : m_pendingSkins) {
            const aiMesh& mesh = *m_scene.mMeshes[p.mesh];
            SkinBinding s;
            s.geometry = p.geometry;
            s.meshChain = chainOf(p.node);
            auto* verts = static_cast<osg::Vec3Array*>(p.geometry->getVertexArray());
            s.bindVertices = new osg::Vec3Array(*verts);
            if (auto* normals = static_cast<osg::Vec3Array*>(p.geometry->getNormalArray()))
                s.bindNormals = new osg::Vec3Array(*normals);
            s.influences.resize(mesh.mNumVertices);
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                const aiBone* bone = mesh.mBones[b];
                if (!bone)
                    continue;
                auto node = m_byName.find(bone->mName.C_Str());
                if (node == m_byName.end())
                    continue;
                const unsigned index = unsigned(s.boneChains.size());
                s.boneChains.push_back(chainOf(node->second));
                s.offsets.push_back(toMatrix(bone->mOffsetMatrix));
                for (unsigned w = 0; bone->mWeights && w < bone->mNumWeights; ++w) {
                    const aiVertexWeight& vw = bone->mWeights[w];
                    if (vw.mVertexId < mesh.mNumVertices && std::isfinite(vw.mWeight) && vw.mWeight > 0)
                        s.influences[vw.mVertexId].emplace_back(index, vw.mWeight);
                }
            }
            if (s.boneChains.empty())
                continue;
            p.geometry->setDataVariance(osg::Object::DYNAMIC);
            p.geometry->setUseDisplayList(false);
            p.geometry->setUseVertexBufferObjects(true);
            m_skins.push_back(std::move(s));
        }
    }

    // ------------------------------------------------------------ animation

    static double ticksPerSecond(const aiAnimation& a)
    {
        return std::isfinite(a.mTicksPerSecond) && a.mTicksPerSecond > 0 ? a.mTicksPerSecond : 25.0;
    }

    template <typename Key, typename Convert, typename Container>
    static void fillKeys(const Key* keys, unsigned count, double tps, Convert convert, Container& out)
    {
        if (!keys)
            return;
        count = std::min(count, kMaxKeysPerChannel);
        std::vector<std::pair<double, unsigned>> order;
        order.reserve(count);
        for (unsigned k = 0; k < count; ++k)
            if (std::isfinite(keys[k].mTime))
                order.emplace_back(keys[k].mTime / tps, k);
        std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [time, k] : order)
            out.push_back(typename Container::value_type(time, convert(keys[k].mValue)));
    }

    void buildAnimations(osg::MatrixTransform& root)
    {
        if (!m_scene.mAnimations)
            return;
        osg::ref_ptr<osgAnimation::BasicAnimationManager> manager = new osgAnimation::BasicAnimationManager;
        std::set<std::string> animated, names;
        for (unsigned a = 0; a < m_scene.mNumAnimations; ++a) {
            const aiAnimation* anim = m_scene.mAnimations[a];
            if (!anim || !anim->mChannels)
                continue;
            const double tps = ticksPerSecond(*anim);
            osg::ref_ptr<osgAnimation::Animation> animation = new osgAnimation::Animation;
            std::string name = anim->mName.length ? anim->mName.C_Str() : "Animation " + std::to_string(a + 1);
            while (!names.insert(name).second)
                name += "'";
            animation->setName(name);
            animation->setPlayMode(osgAnimation::Animation::LOOP);
            for (unsigned c = 0; c < anim->mNumChannels; ++c) {
                const aiNodeAnim* ch = anim->mChannels[c];
                if (!ch)
                    continue;
                const std::string target = ch->mNodeName.C_Str();
                if (!m_byName.count(target))
                    continue;
                addTranslate(*animation, target, *ch, tps);
                addRotate(*animation, target, *ch, tps);
                addScale(*animation, target, *ch, tps);
                animated.insert(target);
            }
            if (animation->getChannels().empty())
                continue;
            animation->computeDuration();
            manager->registerAnimation(animation);
        }
        if (manager->getAnimationList().empty())
            return;

        for (const std::string& target : animated) {
            osg::MatrixTransform* mt = m_byName[target];
            osg::Vec3d t, s;
            osg::Quat r, so;
            mt->getMatrix().decompose(t, r, s, so);
            osg::ref_ptr<osgAnimation::UpdateMatrixTransform> update = new osgAnimation::UpdateMatrixTransform(target);
            update->getStackedTransforms().push_back(new osgAnimation::StackedTranslateElement("translate", t));
            update->getStackedTransforms().push_back(new osgAnimation::StackedQuaternionElement("quaternion", r));
            update->getStackedTransforms().push_back(new osgAnimation::StackedScaleElement("scale", s));
            mt->setUpdateCallback(update);
            mt->setDataVariance(osg::Object::DYNAMIC);
        }
        if (!m_skins.empty()) {
            osg::ref_ptr<SkinUpdater> skinning = new SkinUpdater;
            skinning->skins = std::move(m_skins);
            manager->addNestedCallback(skinning);
        }
        root.setUpdateCallback(manager);
    }

    static void addTranslate(osgAnimation::Animation& anim, const std::string& target, const aiNodeAnim& ch, double tps)
    {
        osg::ref_ptr<osgAnimation::Vec3LinearChannel> channel = new osgAnimation::Vec3LinearChannel;
        fillKeys(
            ch.mPositionKeys, ch.mNumPositionKeys, tps, [](const aiVector3D& v) { return toVec3(v); },
            *channel->getOrCreateSampler()->getOrCreateKeyframeContainer());
        addChannel(anim, channel, "translate", target);
    }

    static void addScale(osgAnimation::Animation& anim, const std::string& target, const aiNodeAnim& ch, double tps)
    {
        osg::ref_ptr<osgAnimation::Vec3LinearChannel> channel = new osgAnimation::Vec3LinearChannel;
        fillKeys(
            ch.mScalingKeys, ch.mNumScalingKeys, tps, [](const aiVector3D& v) { return toVec3(v); },
            *channel->getOrCreateSampler()->getOrCreateKeyframeContainer());
        addChannel(anim, channel, "scale", target);
    }

    static void addRotate(osgAnimation::Animation& anim, const std::string& target, const aiNodeAnim& ch, double tps)
    {
        osg::ref_ptr<osgAnimation::QuatSphericalLinearChannel> channel = new osgAnimation::QuatSphericalLinearChannel;
        fillKeys(
            ch.mRotationKeys, ch.mNumRotationKeys, tps,
            [](const aiQuaternion& q) {
                osg::Quat r(q.x, q.y, q.z, q.w);
                const double len = r.length();
                return std::isfinite(len) && len > 1e-12 ? r / len : osg::Quat();
            },
            *channel->getOrCreateSampler()->getOrCreateKeyframeContainer());
        addChannel(anim, channel, "quaternion", target);
    }

    static void addChannel(osgAnimation::Animation& anim, osgAnimation::Channel* channel, const char* name,
                           const std::string& target)
    {
        if (channel->getSampler()->getKeyframeContainer()->size() == 0)
            return;
        channel->setName(name);
        channel->setTargetName(target);
        anim.addChannel(channel);
    }

    const aiScene& m_scene;
    fs::path m_dir;
    std::size_t m_nodes = 0, m_totalVertices = 0, m_geometries = 0;
    std::map<std::string, osg::MatrixTransform*> m_byName;
    std::map<osg::MatrixTransform*, osg::MatrixTransform*> m_parent;
    std::map<unsigned, osg::ref_ptr<osg::Geometry>> m_meshCache;
    std::map<std::pair<unsigned, bool>, osg::ref_ptr<osg::StateSet>> m_stateSets;
    std::map<std::string, osg::ref_ptr<osg::Image>> m_images;
    std::vector<PendingSkin> m_pendingSkins;
    std::vector<SkinBinding> m_skins;
};

// Shows assimp the file under a name with no known suffix, so that the content
// decides the format; files beside it (glTF buffers, MTL) still resolve.
class ContentIOSystem : public Assimp::DefaultIOSystem
{
public:
    ContentIOSystem(std::string alias, std::string real) : m_alias(std::move(alias)), m_real(std::move(real)) {}
    bool Exists(const char* file) const override
    {
        return m_alias == file ? true : Assimp::DefaultIOSystem::Exists(file);
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override
    {
        return Assimp::DefaultIOSystem::Open(m_alias == file ? m_real.c_str() : file, mode);
    }

private:
    std::string m_alias, m_real;
};

const unsigned kImportFlags = aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_GenSmoothNormals |
                              aiProcess_JoinIdenticalVertices | aiProcess_LimitBoneWeights | aiProcess_FindInvalidData;

void configure(Assimp::Importer& importer)
{
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // An FBX texture then names its embedded picture by the index this import gave
    // it, not by the writer's reference, which need not match what was embedded.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_EMBEDDED_TEXTURES_LEGACY_NAMING, true);
}

osg::ref_ptr<osg::Node> load(const std::string& path, std::string& error)
{
    std::error_code ec;
    const fs::path file = fs::canonical(fs::path(path), ec);
    if (ec || !fs::is_regular_file(file, ec)) {
        error = "no such file: " + path;
        return nullptr;
    }
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size == 0 || size > kMaxModelFileBytes) {
        error = size == 0 ? "empty file" : "file too large";
        return nullptr;
    }

    Assimp::Importer importer;
    configure(importer);
    const aiScene* scene = importer.ReadFile(file.string(), kImportFlags);
    std::unique_ptr<Assimp::Importer> byContent;
    if (!scene) {
        error = std::string("Assimp error: ") + importer.GetErrorString();
        // The suffix may lie (converted content is stored under its source's suffix).
        byContent = std::make_unique<Assimp::Importer>();
        configure(*byContent);
        const std::string alias = file.string() + ".$content$";
        byContent->SetIOHandler(new ContentIOSystem(alias, file.string()));
        scene = byContent->ReadFile(alias, kImportFlags);
    }
    if (!scene)
        return nullptr; // the reason given for the file's own suffix is the one the user understands
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        error = "Assimp error: the file holds no complete scene";
        return nullptr;
    }
    SceneBuilder builder(*scene, file.parent_path());
    osg::ref_ptr<osg::Node> node = builder.build();
    if (node)
        node->setName(file.filename().string());
    else
        error = "the file holds nothing that can be drawn";
    return node;
}

class AssimpReaderWriter : public osgDB::ReaderWriter
{
public:
    AssimpReaderWriter()
    {
        for (const std::string& ext : assimpReaderExtensions())
            supportsExtension(ext, "Read through assimp");
        supportsOption("assimp", "Read any file through assimp, whatever its suffix");
    }

    const char* className() const override { return "Quorvane assimp reader"; }

    ReadResult readObject(const std::string& file, const Options* options) const override
    {
        return readNode(file, options);
    }

    ReadResult readNode(const std::string& file, const Options* options) const override
    {
        const bool forced = options && (" " + options->getOptionString() + " ").find(" assimp ") != std::string::npos;
        if (!forced && !acceptsExtension(osgDB::getLowerCaseFileExtension(file)))
            return ReadResult::FILE_NOT_HANDLED;
        const std::string found = osgDB::findDataFile(file, options);
        if (found.empty())
            return ReadResult::FILE_NOT_FOUND;
        std::string error;
        osg::ref_ptr<osg::Node> node = readWithAssimp(found, &error);
        if (!node) {
            OSG_WARN << "Warning: [[assimp]] " << found << ": " << error << std::endl;
            return ReadResult(error);
        }
        return ReadResult(node.get());
    }
};

} // namespace

const std::vector<std::string>& assimpReaderExtensions()
{
    static const std::vector<std::string> list = [] {
        std::vector<std::string> out = {"fbx"};
        Assimp::Importer importer;
        std::string all;
        importer.GetExtensionList(all);
        std::stringstream ss(all);
        for (std::string item; std::getline(ss, item, ';');) {
            std::string ext = lower(item.substr(item.rfind('.') == std::string::npos ? 0 : item.rfind('.') + 1));
            if (ext.empty() || osgOwnExtensions().count(ext) || std::find(out.begin(), out.end(), ext) != out.end())
                continue;
            out.push_back(ext);
        }
        return out;
    }();
    return list;
}

void registerAssimpReader()
{
    static std::once_flag once;
    std::call_once(once, [] { osgDB::Registry::instance()->addReaderWriter(new AssimpReaderWriter); });
}

osg::ref_ptr<osg::Node> readWithAssimp(const std::string& path, std::string* error)
{
    std::string reason;
    osg::ref_ptr<osg::Node> node;
    try {
        node = load(path, reason);
    } catch (const std::exception& e) {
        // assimp reports most failures by exception internally; none may leave here.
        reason = std::string("Assimp error: ") + e.what();
    } catch (...) {
        reason = "Assimp error: unknown failure";
    }
    if (!node && error)
        *error = reason.empty() ? std::string("cannot read the file") : reason;
    return node;
}

} // namespace quorvane
