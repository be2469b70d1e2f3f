// An OpenSceneGraph reader over assimp, for the model formats that no installed
// OSG plug-in reads (FBX first, glTF/GLB and the rest of assimp's list).
//
// What a read gives: one osg::MatrixTransform root (turning the file's up axis
// into +Z) over a tree of osg::MatrixTransform nodes named after the file's nodes;
// meshes as triangle geometry with normals (smooth ones made where missing),
// texture coordinates of channel 0, vertex colours, an osg::Material, and the
// diffuse (or base colour) texture, embedded or external. Keyframe animations
// become one osgAnimation::Animation each, in an osgAnimation::BasicAnimationManager
// set as the root's update callback; skinned meshes follow their bones on the CPU.
// Not converted: morph targets (the base shape shows), cameras, lights, points
// and lines, texture maps other than the diffuse one.
#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

#include <string>
#include <vector>

namespace quorvane {

// Adds the reader to osgDB::Registry::instance() for assimpReaderExtensions().
// Idempotent and cheap; call before the first osgDB::readNodeFile of such content.
void registerAssimpReader();

// Extensions the reader takes over, lower case, "fbx" first: those assimp reads
// and no installed OSG plug-in does.
const std::vector<std::string>& assimpReaderExtensions();

// Reads a model file with assimp whatever its suffix (the file's content decides
// the format). Null when it cannot be read, with the reason in `error` (assimp's
// own text, "Assimp error: ..."). Never throws; prints nothing (the registered
// reader prints one warning line through OSG's notifier, as OSG's readers do).
// osgDB::readNodeFile(path, options) does the same for any suffix when the options
// string holds the word "assimp".
osg::ref_ptr<osg::Node> readWithAssimp(const std::string& path, std::string* error = nullptr);

} // namespace quorvane
