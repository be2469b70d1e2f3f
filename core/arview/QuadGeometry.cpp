#include "QuadGeometry.h"

namespace quorvane {

osg::ref_ptr<osg::Geometry> makeQuad(osg::Vec3Array* vertices, const osg::Vec2 (&texCoords)[4], const osg::Vec4& colour)
{
    osg::ref_ptr<osg::Geometry> quad = new osg::Geometry;
    quad->setVertexArray(vertices);
    quad->setTexCoordArray(0, new osg::Vec2Array(std::begin(texCoords), std::end(texCoords)));
    osg::ref_ptr<osg::Vec4Array> colours = new osg::Vec4Array;
    colours->push_back(colour);
    quad->setColorArray(colours, osg::Array::BIND_OVERALL);
    quad->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    return quad;
}

osg::ref_ptr<osg::Geometry> makeQuad(const osg::Vec3 (&corners)[4], const osg::Vec2 (&texCoords)[4],
                                     const osg::Vec4& colour)
{
    return makeQuad(new osg::Vec3Array(std::begin(corners), std::end(corners)), texCoords, colour);
}

} // namespace quorvane
