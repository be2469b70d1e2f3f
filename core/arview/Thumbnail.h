// Off-screen pictures of models: a renderer that can cull without drawing while paged data
// load, a camera callback that reads the frame back into an image (and a file), and the
// 256 x 256 thumbnail of a model file on pure green.
#pragma once

#include <OpenThreads/Mutex>
#include "ImportServices.h"

#include <osg/Camera>
#include <osg/Image>
#include <osg/ref_ptr>
#include <osgViewer/Renderer>

#include <string>

namespace quorvane {

class CustomRenderer : public osgViewer::Renderer
{
public:
    explicit CustomRenderer(osg::Camera* camera);

    void setCullOnly(bool on) { m_cullOnly = on; }
    bool cullOnly() const { return m_cullOnly; }

    void operator()(osg::GraphicsContext* context) override;
    void cull() override;

private:
    bool m_cullOnly = true;
};

class WindowCaptureCallback : public osg::Camera::DrawCallback
{
public:
    WindowCaptureCallback(GLenum readBuffer, const std::string& fileName);

    void operator()(osg::RenderInfo& renderInfo) const override;
    osg::Image* image() const { return m_image.get(); }

private:
    GLenum m_readBuffer;
    std::string m_fileName;
    mutable OpenThreads::Mutex m_mutex;
    osg::ref_ptr<osg::Image> m_image;
};

// Renders the model file off screen at 256 x 256 on pure green and writes the picture to
// imagePath. False when no graphics context can be made, the model cannot be read or it has no
// extent; nothing is written then.
// Whether the capture callback prints its diagnostic lines ("Capture: size=...", "Writing to: ...") on
// standard output, as the programs do; the command-line tool keeps its output to its own lines.
void setCaptureDiagnostics(bool on);

ThumbnailRenderer::Result renderModelThumbnail(const std::string& modelPath, const std::string& imagePath);

// The thumbnails of an import: models through renderModelThumbnail, videos through OpenCV's FFmpeg reader.
class OffscreenThumbnailRenderer : public ThumbnailRenderer
{
public:
    Result renderModel(const QString& modelPath, const QString& imagePath) override;
    QImage firstVideoFrame(const QString& videoPath) override;
};

class Model_v0_0;
// Gives an import these thumbnails and the assimp conversion: the import as the programs and the tool run it.
void attachImportServices(Model_v0_0& model);

} // namespace quorvane
