// The red outline around the selected marker's content: an osgFX outline whose first pass draws
// the content in its own bins (so it keeps its lighting and textures) and whose second pass draws
// thick edges only outside it, whatever the winding of the model's triangles.
#pragma once

#include <osgFX/Outline>

namespace quorvane {

class SelectionOutline : public osgFX::Outline
{
public:
    SelectionOutline() = default;

protected:
    bool define_techniques() override;
};

} // namespace quorvane
