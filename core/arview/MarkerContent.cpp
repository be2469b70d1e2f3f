#include "MarkerContent.h"

#include "ModelGuard.h"

#include "AssimpReader.h"
#include "QuadGeometry.h"
#include "SelectionOutline.h"

#include <osg/BlendFunc>
#include <osg/ComputeBoundsVisitor>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Texture2D>
#include <osgDB/ReadFile>

#include <QFileInfo>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane {

namespace {

constexpr double kDegToRad = 0.01745329238474369;

template <typename T>
osg::ref_ptr<T> named(const char* name)
{
    osg::ref_ptr<T> node = new T;
    node->setName(name);
    return node;
}

// A w x h quad in the content's xy plane, centred on the origin, textured with `image`.
osg::ref_ptr<osg::Geode> texturedQuad(osg::Image* image, int w, int h, bool transparent)
{
    const float hw = static_cast<float>(w) / 2.0f, hh = static_cast<float>(h) / 2.0f;
    osg::ref_ptr<osg::Geometry> quad =
        quorvane::makeQuad({{-hw, -hh, 0.0f}, {hw, -hh, 0.0f}, {hw, hh, 0.0f}, {-hw, hh, 0.0f}},
                           {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {1.0f, 1.0f, 1.0f, 1.0f});

    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image);
    texture->setResizeNonPowerOfTwoHint(false);
    osg::StateSet* ss = quad->getOrCreateStateSet();
    ss->setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    ss->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    if (transparent) {
        ss->setAttributeAndModes(
            new osg::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA),
            osg::StateAttribute::ON);
        ss->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    } else {
        ss->setRenderingHint(osg::StateSet::OPAQUE_BIN);
    }
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(quad);
    return geode;
}

} // namespace

void MarkerNodeOutlineCallback::operator()(osg::Node* node, osg::NodeVisitor* nv)
{
    if (auto* outline = dynamic_cast<osgFX::Outline*>(node))
        outline->setEnabled(m_slot->isSelected());
    traverse(node, nv);
}

void AnimationManagerFinder::apply(osg::Node& node)
{
    if (result)
        return;
    if (auto* m = dynamic_cast<osgAnimation::BasicAnimationManager*>(node.getUpdateCallback())) {
        result = m;
        return;
    }
    traverse(node);
}

void TimelineAnimationManagerFinder::apply(osg::Node& node)
{
    if (result)
        return;
    if (auto* m = dynamic_cast<osgAnimation::AnimationManagerBase*>(node.getUpdateCallback())) {
        result = m;
        return;
    }
    traverse(node);
}

MarkerContent::MarkerContent(unsigned int code, float markerSize) : m_code(code), m_markerSize(markerSize)
{
    m_contentNode = createPlaceholder(markerSize);

    m_draggerRoot = named<osg::Group>("draggerRoot");
    m_rootTra = named<osg::Group>("rootTra");
    m_mtxTra = named<osg::MatrixTransform>("mtxTra");
    m_rootRot = named<osg::Group>("rootRot");
    m_mtxRot = named<osg::MatrixTransform>("mtxRot");
    m_mtxExtRot = named<osg::MatrixTransform>("mtxExtRot");
    m_mtxExtSca = named<osg::MatrixTransform>("mtxExtSca");
    m_mtxExtTra = named<osg::MatrixTransform>("mtxExtTra");

    m_draggerRoot->addChild(m_rootTra);
    m_rootTra->addChild(m_mtxTra);
    m_mtxTra->addChild(m_rootRot);
    m_rootRot->addChild(m_mtxRot);
    m_mtxRot->addChild(m_mtxExtRot);
    m_mtxExtRot->addChild(m_mtxExtSca);
    m_mtxExtSca->addChild(m_mtxExtTra);
    m_mtxExtTra->addChild(m_contentNode);
}

MarkerContent::~MarkerContent()
{
    releaseVideo();
}

osg::ref_ptr<osg::Node> MarkerContent::createPlaceholder(float s)
{
    const float h = s / 2.0f;
    osg::ref_ptr<osg::Geometry> quad =
        quorvane::makeQuad({{-h, -h, 0.0f}, {h, -h, 0.0f}, {h, h, 0.0f}, {-h, h, 0.0f}},
                           {{0, 1}, {1, 1}, {1, 0}, {0, 0}}, {253.0f / 255.0f, 179.0f / 255.0f, 0.0f, 1.0f});

    osg::StateSet* ss = quad->getOrCreateStateSet();
    ss->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    ss->setAttributeAndModes(
        new osg::BlendFunc(GL_SRC_ALPHA_SATURATE, GL_SRC_COLOR, GL_SRC_ALPHA_SATURATE, GL_SRC_COLOR));
    ss->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setName("myQuad");
    geode->addDrawable(quad);
    geode->getOrCreateStateSet()->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
    return geode;
}

MarkerContent::ContentKind MarkerContent::contentKindOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (!name.contains(QLatin1Char('.')))
        return ContentKind::Model;
    const QString ext = name.section(QLatin1Char('.'), -1).toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("bmp") || ext == QLatin1String("png") ||
        ext == QLatin1String("jpeg"))
        return ContentKind::Picture;
    if (ext == QLatin1String("mpg") || ext == QLatin1String("avi") || ext == QLatin1String("mp4"))
        return ContentKind::Video;
    return ContentKind::Model;
}

bool MarkerContent::setContent(const QString& path)
{
    osg::ref_ptr<osg::Node> node;
    switch (contentKindOf(path)) {
    case ContentKind::Picture:
        node = createPicture(path);
        break;
    case ContentKind::Video:
        node = createVideo(path);
        break;
    case ContentKind::Model:
        // Third-party readers meet the file in a guarded process first: one that would take the program
        // down is refused here.
        if (!quorvane::ModelGuard::isSafeToLoad(path))
            return false;
        quorvane::registerAssimpReader(); // FBX, glTF and the other formats through assimp
        node = osgDB::readRefNodeFile(QFile::encodeName(path).toStdString(), osgDB::Registry::instance()->getOptions());
        break;
    }
    if (!node)
        return false;

    m_fileName = path;
    m_mtxExtTra->removeChild(m_contentNode);
    node->getOrCreateStateSet()->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
    node->setName(QFile::encodeName(path).toStdString());

    AnimationManagerFinder finder;
    node->accept(finder);
    m_animationManager = finder.result;
    TimelineAnimationManagerFinder timelineFinder;
    node->accept(timelineFinder);
    m_baseAnimationManager = timelineFinder.result;

    osg::ref_ptr<osg::MatrixTransform> wrapper = new osg::MatrixTransform;
    wrapper->setNodeMask(8);
    wrapper->setMatrix(osg::Matrix::rotate(3.1415927410125732, osg::Vec3(1.0f, 0.0f, 0.0f)));
    m_outline = new SelectionOutline;
    m_outline->setWidth(8.0f);
    m_outline->setColor({1.0f, 0.0f, 0.0f, 1.0f});
    m_outline->setEnabled(false);
    m_outline->setUpdateCallback(new MarkerNodeOutlineCallback(this));
    m_outline->addChild(node);
    wrapper->addChild(m_outline);

    m_contentNode = wrapper;
    m_mtxExtTra->removeChildren(0, m_mtxExtTra->getNumChildren());
    m_mtxExtTra->addChild(wrapper);
    m_labels.clear(); // their nodes went with the removed children
    return true;
}

osg::ref_ptr<osg::Node> MarkerContent::createPicture(const QString& path)
{
    osg::ref_ptr<osg::Image> image =
        osgDB::readRefImageFile(QFile::encodeName(path).toStdString(), osgDB::Registry::instance()->getOptions());
    if (!image || image->s() <= 0 || image->t() <= 0)
        return nullptr;
    return texturedQuad(image.get(), image->s(), image->t(), true);
}

osg::ref_ptr<osg::Node> MarkerContent::createVideo(const QString& path)
{
    releaseVideo();
    auto video = std::make_unique<cv::VideoCapture>();
    try {
        if (!video->open(QFile::encodeName(path).toStdString()) || !video->isOpened())
            return nullptr;
    } catch (const cv::Exception&) {
        return nullptr;
    }
    const int w = static_cast<int>(video->get(cv::CAP_PROP_FRAME_WIDTH));
    const int h = static_cast<int>(video->get(cv::CAP_PROP_FRAME_HEIGHT));
    // A frame beyond 8K is no video anyone puts on a marker: refuse it rather than allocate it.
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192)
        return nullptr;
    const size_t length = static_cast<size_t>(w) * static_cast<size_t>(h) * 3;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[length]);
    if (!buffer)
        return nullptr;
    std::memset(buffer.get(), 0, length);

    m_video = std::move(video);
    m_videoBuffer = std::move(buffer);
    m_videoBufferLength = length;
    m_videoWidth = w;
    m_videoHeight = h;
    m_videoImage = new osg::Image;
    m_videoImage->setImage(w, h, 1, GL_RGB, GL_BGR, GL_UNSIGNED_BYTE, m_videoBuffer.get(), osg::Image::NO_DELETE, 1);
    advanceVideo();
    return texturedQuad(m_videoImage.get(), w, h, false);
}

bool MarkerContent::advanceVideo()
{
    if (!hasVideo())
        return false;
    try {
        if (!m_video->read(m_videoFrame) || m_videoFrame.empty())
            return false; // the end: the last frame stays on the quad
    } catch (const cv::Exception&) {
        return false;
    }
    if (m_videoFrame.type() != CV_8UC3 || m_videoFrame.cols != m_videoWidth || m_videoFrame.rows != m_videoHeight)
        return false;
    // Decoders hand frames top row first; textures start with the bottom row.
    cv::Mat target(m_videoHeight, m_videoWidth, CV_8UC3, m_videoBuffer.get());
    cv::flip(m_videoFrame, target, 0);
    m_videoImage->dirty();
    return true;
}

void MarkerContent::releaseVideo()
{
    m_video.reset();
    m_videoBuffer.reset();
    m_videoBufferLength = 0;
    m_videoWidth = m_videoHeight = 0;
    m_videoFrame.release();
    m_videoImage = nullptr;
}

void MarkerContent::setScale(float sx, float sy, float sz)
{
    m_mtxExtSca->setMatrix(osg::Matrix::scale(sx, sy, sz));
    m_scale = {sx, sy, sz};
}

void MarkerContent::setRotation(float ax, float ay, float az)
{
    m_mtxExtRot->setMatrix(osg::Matrix::rotate(ax * kDegToRad, osg::Vec3(1, 0, 0)) *
                           osg::Matrix::rotate(ay * kDegToRad, osg::Vec3(0, 1, 0)) *
                           osg::Matrix::rotate(az * kDegToRad, osg::Vec3(0, 0, 1)));
    m_rotation = {ax, ay, az};
}

void MarkerContent::translate(float dx, float dy, float dz)
{
    m_mtxExtTra->setMatrix(osg::Matrix::translate(dx, dy, dz) * m_mtxExtTra->getMatrix());
}

void MarkerContent::resetPosition()
{
    m_mtxExtTra->setMatrix(osg::Matrix::identity());
}

void MarkerContent::resetRotation()
{
    m_mtxExtRot->setMatrix(osg::Matrix::identity());
    m_rotation = {0.0f, 0.0f, 0.0f};
}

void MarkerContent::resetScale()
{
    m_mtxExtSca->setMatrix(osg::Matrix::identity());
    m_scale = {1.0f, 1.0f, 1.0f};
}

bool MarkerContent::contentBox(osg::BoundingBox& box) const
{
    // Everything below the content node, without the node's own matrix (the wrapper's half-turn).
    osg::ComputeBoundsVisitor cbv;
    if (auto* group = m_contentNode->asGroup())
        cbv.traverse(*group);
    else
        m_contentNode->accept(cbv);
    box = cbv.getBoundingBox();
    return box.valid();
}

void MarkerContent::autoScale(float target)
{
    osg::BoundingBox box;
    if (!contentBox(box))
        return;
    const double dx = box.xMax() - box.xMin(), dy = box.yMax() - box.yMin(), dz = box.zMax() - box.zMin();
    const double r = std::sqrt((dx * dx + dy * dy + dz * dz) * 0.25);
    // Content without extent has no size to fit: leave its scale alone.
    if (!(r > 0.0) || !std::isfinite(r))
        return;
    const auto f = static_cast<float>((target / r) / 1.1518735885620117);
    setScale(f, f, f);
}

void MarkerContent::autoTranslate()
{
    osg::BoundingBox box;
    if (!contentBox(box))
        return;
    m_mtxExtTra->setMatrix(
        osg::Matrix::translate(-(box.xMin() + box.xMax()) / 2.0f, (box.yMin() + box.yMax()) / 2.0f, box.zMin()));
}

int MarkerContent::animationCount() const
{
    return m_animationManager ? static_cast<int>(m_animationManager->getAnimationList().size()) : 0;
}

bool MarkerContent::playAnimation(int index)
{
    if (!m_animationManager || index < 0 || index >= animationCount())
        return false;
    m_animationManager->playAnimation(m_animationManager->getAnimationList()[static_cast<size_t>(index)].get(), 0, 1.0);
    return true;
}

bool MarkerContent::stopAnimation(int index)
{
    if (m_animationManager && index >= 0 && index < animationCount())
        m_animationManager->stopAnimation(m_animationManager->getAnimationList()[static_cast<size_t>(index)].get());
    return false;
}

Label3d* MarkerContent::addLabel(const std::string& utf8, const osg::Vec4& fontColor, const osg::Vec4& backgroundColor,
                                 const osg::Vec3d& worldPoint, float distance, float angle, float size)
{
    osg::Matrix worldToLocal;
    const osg::NodePathList paths = m_mtxExtTra->getParentalNodePaths();
    if (!paths.empty())
        worldToLocal = osg::computeWorldToLocal(paths.front());
    return addLabelAtAnchor(utf8, fontColor, backgroundColor, worldPoint * worldToLocal, distance, angle, size);
}

Label3d* MarkerContent::addLabelAtAnchor(const std::string& utf8, const osg::Vec4& fontColor,
                                         const osg::Vec4& backgroundColor, const osg::Vec3& anchor, float distance,
                                         float angle, float size)
{
    auto label = std::make_unique<Label3d>(this, utf8, fontColor, backgroundColor, anchor);
    label->setAngle(angle);
    label->setDistance(distance);
    label->setSize(size);
    m_mtxExtTra->addChild(label->node());
    m_labels.push_back(std::move(label));
    return m_labels.back().get();
}

bool MarkerContent::removeLabel(Label3d* label)
{
    const auto it = std::find_if(m_labels.begin(), m_labels.end(), [label](const auto& l) { return l.get() == label; });
    if (it == m_labels.end())
        return false;
    m_mtxExtTra->removeChild((*it)->node());
    m_labels.erase(it);
    return true;
}

std::vector<Label3d*> MarkerContent::labels() const
{
    std::vector<Label3d*> out;
    for (const auto& l : m_labels)
        out.push_back(l.get());
    return out;
}

Label3d* MarkerContent::findLabel(unsigned int id) const
{
    for (const auto& l : m_labels)
        if (l->id() == id)
            return l.get();
    return nullptr;
}

} // namespace quorvane
