#pragma once

#include "ImportServices.h"

#include <QString>

namespace quorvane {

// Converts any model file assimp reads into one self-contained binary FBX:
// meshes, materials, the node hierarchy, bones and keyframe animation as far as
// assimp keeps them, with every texture the materials name embedded, so the
// result needs no side files. External textures are taken only when they are
// pictures in the model's folder or its parent's tree; missing ones are left as
// references. The output is replaced only once the new file is complete and has
// been read back. Returns false with a reason in `error` when the input cannot be
// read or the result cannot be written; never throws.
bool convertToFbx(const QString& input, const QString& outputFbx, QString* error = nullptr);

// The conversion as the import takes it.
class AssimpModelConverter : public ModelConverter
{
public:
    bool convertToFbx(const QString& input, const QString& outputFbx, QString* error) override
    {
        return quorvane::convertToFbx(input, outputFbx, error);
    }
};

} // namespace quorvane
