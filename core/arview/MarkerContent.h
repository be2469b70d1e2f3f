// One marker's slot in the AR view: the sub-graph that is posed on the marker and holds the
// marker's content (a model, a picture or a video) under the user's own rotation, scale and
// offset, with its selection outline, its animations, its video player and its labels.
#pragma once

#include "Label3d.h"

#include <osg/Group>
#include <osg/Image>
#include <osg/MatrixTransform>
#include <osg/Node>
#include <osg/NodeCallback>
#include <osg/ref_ptr>
#include <osgAnimation/AnimationManagerBase>
#include <osgAnimation/BasicAnimationManager>
#include <osgFX/Outline>

#include <QString>

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <array>
#include <memory>
#include <vector>

namespace quorvane {

class MarkerContent;

// Shows the outline of a slot's content exactly while the slot is selected.
class MarkerNodeOutlineCallback : public osg::NodeCallback
{
public:
    explicit MarkerNodeOutlineCallback(MarkerContent* slot) : m_slot(slot) {}
    void operator()(osg::Node* node, osg::NodeVisitor* nv) override;

private:
    MarkerContent* m_slot;
};

// Finds the first node whose update callback is a basic animation manager.
class AnimationManagerFinder : public osg::NodeVisitor
{
public:
    AnimationManagerFinder() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Node& node) override;
    osg::ref_ptr<osgAnimation::BasicAnimationManager> result;
};

// Finds the first node whose update callback is any animation manager.
class TimelineAnimationManagerFinder : public osg::NodeVisitor
{
public:
    TimelineAnimationManagerFinder() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Node& node) override;
    osg::ref_ptr<osgAnimation::AnimationManagerBase> result;
};

class MarkerContent
{
public:
    MarkerContent(unsigned int code, float markerSize);
    ~MarkerContent();
    MarkerContent(const MarkerContent&) = delete;
    MarkerContent& operator=(const MarkerContent&) = delete;

    unsigned int code() const { return m_code; }
    float markerSize() const { return m_markerSize; }
    const QString& fileName() const { return m_fileName; }

    enum class ContentKind { Model, Picture, Video };
    // Picture ("jpg", "jpeg", "png", "bmp") or video ("mpg", "avi", "mp4") by the lower-cased extension;
    // everything else is a model, read by the scene library's readers.
    static ContentKind contentKindOf(const QString& path);

    // Loads a model, picture or video (contentKindOf). A model is read only after the guarded check
    // (ModelGuard.h) took it. False when nothing could be read: the slot then stays as it was.
    bool setContent(const QString& path);

    void setScale(float sx, float sy, float sz);
    void setRotation(float ax, float ay, float az);
    void translate(float dx, float dy, float dz);
    void resetPosition();
    void resetRotation();
    void resetScale();
    // Scales the content so half its box diagonal becomes about target / 1.15.
    void autoScale(float target);
    // Centres the content on the marker with its lowest points on the marker's plane.
    void autoTranslate();
    void setSelected(bool selected) { m_selected = selected; }
    bool isSelected() const { return m_selected; }
    const std::array<float, 3>& rotationAngles() const { return m_rotation; }
    float scale() const { return m_scale[2]; }

    int animationCount() const;
    bool playAnimation(int index);
    bool stopAnimation(int index);

    // Labels: `worldPoint` is a position in the view's world, taken through this slot's current
    // world-to-local transform.
    Label3d* addLabel(const std::string& utf8, const osg::Vec4& fontColor, const osg::Vec4& backgroundColor,
                      const osg::Vec3d& worldPoint, float distance, float angle, float size);
    // A label whose anchor is given in the content's own units (below "mtxExtTra"), as scenes store it.
    Label3d* addLabelAtAnchor(const std::string& utf8, const osg::Vec4& fontColor, const osg::Vec4& backgroundColor,
                              const osg::Vec3& anchor, float distance, float angle, float size);
    // Removes the label from the slot and the scene and deletes it. False when it is not ours.
    bool removeLabel(Label3d* label);
    std::vector<Label3d*> labels() const;
    Label3d* findLabel(unsigned int id) const;

    // True while a video is playing in this slot (a capture and its frame buffer exist).
    bool hasVideo() const { return m_video != nullptr && m_videoBuffer != nullptr; }
    // Reads the next frame of the video into its texture; false at the end or without a video.
    bool advanceVideo();

    osg::Group* draggerRoot() const { return m_draggerRoot.get(); }
    osg::MatrixTransform* mtxTra() const { return m_mtxTra.get(); }
    osg::MatrixTransform* mtxRot() const { return m_mtxRot.get(); }
    osg::MatrixTransform* mtxExtRot() const { return m_mtxExtRot.get(); }
    osg::MatrixTransform* mtxExtSca() const { return m_mtxExtSca.get(); }
    osg::MatrixTransform* mtxExtTra() const { return m_mtxExtTra.get(); }
    osg::Node* contentNode() const { return m_contentNode.get(); }
    osgFX::Outline* outline() const { return m_outline.get(); }
    osgAnimation::BasicAnimationManager* animationManager() const { return m_animationManager.get(); }
    osg::Image* videoImage() const { return m_videoImage.get(); }

    // The amber square of a marker without content, the size of the printed marker.
    static osg::ref_ptr<osg::Node> createPlaceholder(float markerSize);

private:
    osg::ref_ptr<osg::Node> createPicture(const QString& path);
    osg::ref_ptr<osg::Node> createVideo(const QString& path);
    void releaseVideo();
    bool contentBox(osg::BoundingBox& box) const;

    unsigned int m_code;
    float m_markerSize;
    QString m_fileName;
    bool m_selected = false;
    std::array<float, 3> m_scale{1.0f, 1.0f, 1.0f};
    std::array<float, 3> m_rotation{0.0f, 0.0f, 0.0f};

    std::unique_ptr<cv::VideoCapture> m_video;
    std::unique_ptr<unsigned char[]> m_videoBuffer;
    size_t m_videoBufferLength = 0;
    int m_videoWidth = 0;
    int m_videoHeight = 0;
    cv::Mat m_videoFrame;
    osg::ref_ptr<osg::Image> m_videoImage;

    osg::ref_ptr<osg::Group> m_draggerRoot;
    osg::ref_ptr<osg::Group> m_rootTra;
    osg::ref_ptr<osg::MatrixTransform> m_mtxTra;
    osg::ref_ptr<osg::Group> m_rootRot;
    osg::ref_ptr<osg::MatrixTransform> m_mtxRot;
    osg::ref_ptr<osg::MatrixTransform> m_mtxExtRot;
    osg::ref_ptr<osg::MatrixTransform> m_mtxExtSca;
    osg::ref_ptr<osg::MatrixTransform> m_mtxExtTra;
    osg::ref_ptr<osgFX::Outline> m_outline;
    osg::ref_ptr<osg::Node> m_contentNode;
    osg::ref_ptr<osgAnimation::BasicAnimationManager> m_animationManager;
    osg::ref_ptr<osgAnimation::AnimationManagerBase> m_baseAnimationManager;
    std::vector<std::unique_ptr<Label3d>> m_labels;
};

} // namespace quorvane
