#include "Label3d.h"

#include "LabelFonts.h"

#include <osg/Geometry>

#include <atomic>
#include <cmath>

namespace quorvane {

namespace {

constexpr double kDegToRad = 0.01745329238474369;

unsigned int nextLabelId()
{
    static std::atomic<unsigned int> next{1};
    return next++;
}

// The glyphs of every 8-bit character, prepared once so typing never waits for them.
osgText::String warmUpGlyphs()
{
    osgText::String s;
    for (unsigned int c = 20; c <= 255; ++c)
        s.push_back(c);
    return s;
}

} // namespace

Label3d::Label3d(MarkerContent* owner, const std::string& utf8, const osg::Vec4& fontColor,
                 const osg::Vec4& backgroundColor, const osg::Vec3& anchor)
    : m_owner(owner), m_id(nextLabelId()), m_anchor(anchor), m_textPosition(anchor + osg::Vec3(m_distance, 0.0f, 0.0f))
{
    m_text = new osgText::Text;
    m_text->setCharacterSize(12.0f);
    m_text->setFontResolution(100, 100);
    m_text->setFont(quorvane::labelFontFor(utf8));
    m_text->setText(warmUpGlyphs());
    m_text->setDataVariance(osg::Object::DYNAMIC);
    m_text->setAxisAlignment(osgText::TextBase::XZ_PLANE);
    m_text->setDrawMode(osgText::Text::TEXT | osgText::Text::FILLEDBOUNDINGBOX);
    m_text->setBoundingBoxMargin(0.2f * m_size);
    m_text->setBoundingBoxColor(backgroundColor);
    m_text->setAlignment(osgText::TextBase::CENTER_CENTER);
    m_text->setPosition({0.0f, 0.0f, 0.0f});
    m_text->setColor(fontColor);
    m_text->setText(utf8, osgText::String::ENCODING_UTF8);

    osg::ref_ptr<osg::Billboard> billboard = new osg::Billboard;
    billboard->setMode(osg::Billboard::POINT_ROT_EYE);
    billboard->addDrawable(m_text);

    m_textTransform = new osg::PositionAttitudeTransform;
    m_textTransform->setAttitude(osg::Quat(3.1415927f, osg::Vec3(1.0f, 0.0f, 0.0f)));
    m_textTransform->setScale({1.0f, 1.0f, 1.0f});
    m_textTransform->addChild(billboard);

    m_node = new osg::PositionAttitudeTransform;
    m_node->setName("cartelTexto");
    m_node->setNodeMask(4);
    m_node->setUserValue(idKey(), m_id);
    osg::StateSet* ss = m_node->getOrCreateStateSet();
    ss->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    ss->setMode(GL_DEPTH_TEST, osg::StateAttribute::OFF);
    ss->setRenderBinDetails(11, "RenderBin");
    ss->setRenderBinMode(osg::StateSet::USE_RENDERBIN_DETAILS);
    m_node->addChild(m_textTransform);

    placeText();
    rebuildLine();
}

Label3d::~Label3d() = default;

osg::Geode* Label3d::line() const
{
    return m_node->getNumChildren() > 1 ? m_node->getChild(1)->asGeode() : nullptr;
}

std::string Label3d::textUtf8() const
{
    return m_text->getText().createUTF8EncodedString();
}

void Label3d::setText(const std::string& utf8)
{
    m_text->setFont(quorvane::labelFontFor(utf8));
    m_text->setText(utf8, osgText::String::ENCODING_UTF8);
}

void Label3d::setFontColor(const osg::Vec4& c)
{
    m_text->setColor(c);
}

void Label3d::setBackgroundColor(const osg::Vec4& c)
{
    m_text->setBoundingBoxColor(c);
    rebuildLine();
}

void Label3d::setDistance(float distance)
{
    m_distance = distance;
    recompute();
}

void Label3d::setAngle(float degrees)
{
    m_angle = degrees;
    recompute();
}

void Label3d::setSize(float size)
{
    m_size = size;
    m_text->setCharacterSize(size);
    m_text->setBoundingBoxMargin(0.2f * size);
}

void Label3d::shiftText(float dx)
{
    m_textPosition.x() += dx;
    placeText();
    rebuildLine();
}

void Label3d::recompute()
{
    const double a = m_angle * kDegToRad;
    m_textPosition = osg::Vec3(m_anchor.x() + static_cast<float>(std::cos(a)) * m_distance, m_anchor.y(),
                               m_anchor.z() + static_cast<float>(std::sin(a)) * m_distance);
    placeText();
    rebuildLine();
}

void Label3d::placeText()
{
    m_textTransform->setPosition(m_textPosition);
}

void Label3d::rebuildLine()
{
    if (m_node->getNumChildren() > 1)
        m_node->removeChild(1, 1);
    osg::ref_ptr<osg::Geometry> g = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> v = new osg::Vec3Array;
    v->push_back(m_textPosition);
    v->push_back(m_anchor);
    g->setVertexArray(v);
    osg::ref_ptr<osg::Vec4Array> colour = new osg::Vec4Array;
    colour->push_back(m_text->getBoundingBoxColor());
    g->setColorArray(colour, osg::Array::BIND_PER_PRIMITIVE_SET);
    g->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 2));
    g->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(g);
    m_node->addChild(geode);
}

} // namespace quorvane
