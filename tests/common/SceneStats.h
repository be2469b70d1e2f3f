// What a loaded model holds, counted over its scene graph: drawn geometries, their vertices, the ones with
// a picture as texture (on any unit, on the geometry, its geode or the geode's parents, as readers differ),
// and whether an animation manager drives it.
#pragma once

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/NodeVisitor>
#include <osg/Texture2D>
#include <osgAnimation/BasicAnimationManager>

namespace testutil {

struct SceneStats
{
    int geometries = 0;
    int vertices = 0;
    int textured = 0;
    bool animated = false;
};

inline SceneStats sceneStatsOf(osg::Node* node)
{
    struct Visitor : osg::NodeVisitor
    {
        Visitor() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
        void apply(osg::Node& n) override
        {
            if (dynamic_cast<osgAnimation::BasicAnimationManager*>(n.getUpdateCallback()))
                stats.animated = true;
            traverse(n);
        }
        void apply(osg::Geode& geode) override
        {
            apply(static_cast<osg::Node&>(geode));
            for (unsigned i = 0; i < geode.getNumDrawables(); ++i) {
                auto* g = geode.getDrawable(i)->asGeometry();
                if (!g || !g->getVertexArray() || g->getVertexArray()->getNumElements() == 0)
                    continue;
                ++stats.geometries;
                stats.vertices += int(g->getVertexArray()->getNumElements());
                const osg::Texture2D* tex = nullptr;
                auto look = [&tex](const osg::StateSet* ss) {
                    for (unsigned unit = 0; ss && !tex && unit < ss->getTextureAttributeList().size(); ++unit)
                        tex = dynamic_cast<const osg::Texture2D*>(
                            ss->getTextureAttribute(unit, osg::StateAttribute::TEXTURE));
                };
                look(g->getStateSet());
                look(geode.getStateSet());
                for (const osg::Group* p : geode.getParents())
                    look(p->getStateSet());
                if (tex && tex->getImage() && tex->getImage()->s() > 0)
                    ++stats.textured;
            }
        }
        SceneStats stats;
    } visitor;
    node->accept(visitor);
    return visitor.stats;
}

} // namespace testutil
