#include "SelectionOutline.h"

#include <osg/LineWidth>
#include <osg/Material>
#include <osg/PolygonMode>
#include <osg/Stencil>
#include <osgFX/Technique>

namespace quorvane {

namespace {

constexpr auto kOverrideOn = osg::StateAttribute::OVERRIDE | osg::StateAttribute::ON;
constexpr auto kOverrideOff = osg::StateAttribute::OVERRIDE | osg::StateAttribute::OFF;

class SelectionOutlineTechnique : public osgFX::Technique
{
public:
    SelectionOutlineTechnique(float width, const osg::Vec4& colour) : m_width(width), m_colour(colour) {}
    bool validate(osg::State&) const override { return true; }

protected:
    void define_passes() override
    {
        // First the content as it is, marking its pixels in the stencil buffer.
        {
            osg::ref_ptr<osg::StateSet> ss = new osg::StateSet;
            osg::ref_ptr<osg::Stencil> stencil = new osg::Stencil;
            stencil->setFunction(osg::Stencil::ALWAYS, 1, ~0u);
            stencil->setOperation(osg::Stencil::KEEP, osg::Stencil::KEEP, osg::Stencil::REPLACE);
            ss->setAttributeAndModes(stencil, kOverrideOn);
            addPass(ss.get());
            // The content keeps the bins it draws in without the outline: moved into a pass bin
            // of its own it is drawn after the scene's light has been applied for the opaque
            // bin and comes out black.
            ss->setRenderBinToInherit();
        }
        // Then thick edges in the outline colour, only where the content is not.
        {
            osg::ref_ptr<osg::StateSet> ss = new osg::StateSet;
            osg::ref_ptr<osg::Stencil> stencil = new osg::Stencil;
            stencil->setFunction(osg::Stencil::NOTEQUAL, 1, ~0u);
            stencil->setOperation(osg::Stencil::KEEP, osg::Stencil::KEEP, osg::Stencil::KEEP);
            ss->setAttributeAndModes(stencil, kOverrideOn);
            ss->setAttributeAndModes(new osg::PolygonMode(osg::PolygonMode::FRONT_AND_BACK, osg::PolygonMode::LINE),
                                     kOverrideOn);
            ss->setAttributeAndModes(new osg::LineWidth(m_width), kOverrideOn);
            osg::ref_ptr<osg::Material> material = new osg::Material;
            material->setColorMode(osg::Material::OFF);
            material->setAmbient(osg::Material::FRONT_AND_BACK, {0, 0, 0, m_colour.a()});
            material->setDiffuse(osg::Material::FRONT_AND_BACK, {0, 0, 0, m_colour.a()});
            material->setSpecular(osg::Material::FRONT_AND_BACK, {0, 0, 0, m_colour.a()});
            material->setEmission(osg::Material::FRONT_AND_BACK, m_colour);
            ss->setAttributeAndModes(material, kOverrideOn);
            ss->setMode(GL_LIGHTING, kOverrideOn);
            ss->setMode(GL_CULL_FACE, kOverrideOff);
            ss->setMode(GL_BLEND, kOverrideOff);
            ss->setTextureMode(0, GL_TEXTURE_2D, kOverrideOff);
            addPass(ss.get());
        }
    }

private:
    float m_width;
    osg::Vec4 m_colour;
};

} // namespace

bool SelectionOutline::define_techniques()
{
    addTechnique(new SelectionOutlineTechnique(getWidth(), getColor()));
    return true;
}

} // namespace quorvane
