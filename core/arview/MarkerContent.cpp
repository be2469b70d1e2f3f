#include "MarkerContent.h"

#include <osg/BlendFunc>
#include <osg/Geode>
#include <osg/Geometry>

namespace {

template <typename T>
osg::ref_ptr<T> named(const char* name)
{
    osg::ref_ptr<T> node = new T;
    node->setName(name);
    return node;
}

} // namespace

MarkerContent::MarkerContent(unsigned int code, float markerSize)
    : m_code(code)
    , m_markerSize(markerSize)
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

MarkerContent::~MarkerContent() = default;

osg::ref_ptr<osg::Node> MarkerContent::createPlaceholder(float s)
{
    const float h = s / 2.0f;
    osg::ref_ptr<osg::Geometry> quad = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> v = new osg::Vec3Array;
    v->push_back({-h, -h, 0.0f});
    v->push_back({h, -h, 0.0f});
    v->push_back({h, h, 0.0f});
    v->push_back({-h, h, 0.0f});
    quad->setVertexArray(v);
    osg::ref_ptr<osg::Vec2Array> tc = new osg::Vec2Array;
    tc->push_back({0.0f, 1.0f});
    tc->push_back({1.0f, 1.0f});
    tc->push_back({1.0f, 0.0f});
    tc->push_back({0.0f, 0.0f});
    quad->setTexCoordArray(0, tc);
    osg::ref_ptr<osg::Vec4Array> colour = new osg::Vec4Array;
    colour->push_back({253.0f / 255.0f, 179.0f / 255.0f, 0.0f, 1.0f});
    quad->setColorArray(colour, osg::Array::BIND_OVERALL);
    quad->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));

    osg::StateSet* ss = quad->getOrCreateStateSet();
    ss->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    ss->setAttributeAndModes(new osg::BlendFunc(GL_SRC_ALPHA_SATURATE, GL_SRC_COLOR, GL_SRC_ALPHA_SATURATE, GL_SRC_COLOR));
    ss->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setName("myQuad");
    geode->addDrawable(quad);
    geode->getOrCreateStateSet()->setMode(GL_NORMALIZE, osg::StateAttribute::ON);
    return geode;
}
