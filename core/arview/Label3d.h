// A 3D text label: a short text on a filled box that floats beside a point of a marker's content,
// joined to it by a leader line. It belongs to its marker's slot and lives below the slot's
// "mtxExtTra", so it follows the content.
#pragma once

#include <osg/Billboard>
#include <osg/Geode>
#include <osg/PositionAttitudeTransform>
#include <osg/Vec3>
#include <osg/Vec4>
#include <osg/ref_ptr>
#include <osgText/Text>

#include <string>

namespace quorvane {

class MarkerContent;

class Label3d
{
public:
    // A label at `anchor` (coordinates of the owner's "mtxExtTra"), with the default distance 50,
    // angle 0 and size 12. `utf8` is the text.
    Label3d(MarkerContent* owner, const std::string& utf8, const osg::Vec4& fontColor, const osg::Vec4& backgroundColor,
            const osg::Vec3& anchor);
    ~Label3d();
    Label3d(const Label3d&) = delete;
    Label3d& operator=(const Label3d&) = delete;

    MarkerContent* owner() const { return m_owner; }
    unsigned int id() const { return m_id; }
    osg::PositionAttitudeTransform* node() const { return m_node.get(); }
    osg::PositionAttitudeTransform* textTransform() const { return m_textTransform.get(); }
    osgText::Text* text() const { return m_text.get(); }
    // The leader line geode (child 1 of the node).
    osg::Geode* line() const;

    std::string textUtf8() const;
    void setText(const std::string& utf8);
    osg::Vec4 fontColor() const { return m_text->getColor(); }
    void setFontColor(const osg::Vec4& c);
    osg::Vec4 backgroundColor() const { return m_text->getBoundingBoxColor(); }
    // Recolours the box and rebuilds the leader line in the new colour.
    void setBackgroundColor(const osg::Vec4& c);

    float distance() const { return m_distance; }
    float angle() const { return m_angle; }
    float size() const { return m_size; }
    const osg::Vec3& anchor() const { return m_anchor; }
    const osg::Vec3& textPosition() const { return m_textPosition; }

    // Each recomputes the text position from anchor, distance and angle, and rebuilds the line.
    void setDistance(float distance);
    void setAngle(float degrees);
    // Character size and box margin (0.2 x size).
    void setSize(float size);
    // Moves the text sideways by dx along x; distance and angle stay as they are.
    void shiftText(float dx);

    // Finds the label whose node carries this identifier ("objetoCartelTexto").
    static const char* idKey() { return "objetoCartelTexto"; }

private:
    void recompute();
    void placeText();
    void rebuildLine();

    MarkerContent* m_owner;
    unsigned int m_id;
    osg::ref_ptr<osg::PositionAttitudeTransform> m_node;
    osg::ref_ptr<osg::PositionAttitudeTransform> m_textTransform;
    osg::ref_ptr<osgText::Text> m_text;
    float m_distance = 50.0f;
    float m_angle = 0.0f;
    float m_size = 12.0f;
    osg::Vec3 m_anchor;
    osg::Vec3 m_textPosition;
};

} // namespace quorvane
