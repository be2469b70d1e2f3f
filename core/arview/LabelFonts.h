// Fonts of the 3D text labels: the metric-compatible sans shipped with the programs, and a
// system font for scripts it lacks (Chinese, Japanese, Korean, ...).
#pragma once

#include <osg/ref_ptr>
#include <osgText/Font>

#include <string>

namespace quorvane {

// The font that can draw every character of this UTF-8 text (the shipped sans when it can).
osg::ref_ptr<osgText::Font> labelFontFor(const std::string& utf8);

// True when every character lies in the scripts the shipped sans draws (Latin, Greek, Cyrillic).
bool sansCovers(const std::string& utf8);

} // namespace quorvane
