// The one shape the view draws most: a four-cornered quad with texture coordinates and one colour.
#pragma once

#include <osg/Array>
#include <osg/Geometry>
#include <osg/ref_ptr>

namespace quorvane {

// A quad over these vertices (shared arrays stay shared) with one texture coordinate per corner
// and one overall colour.
osg::ref_ptr<osg::Geometry> makeQuad(osg::Vec3Array* vertices, const osg::Vec2 (&texCoords)[4],
                                     const osg::Vec4& colour);
osg::ref_ptr<osg::Geometry> makeQuad(const osg::Vec3 (&corners)[4], const osg::Vec2 (&texCoords)[4],
                                     const osg::Vec4& colour);

} // namespace quorvane
