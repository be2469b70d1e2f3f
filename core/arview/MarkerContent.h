// One marker's slot in the AR view: the sub-graph that is posed on the marker and holds the
// marker's content under the user's own rotation, scale and offset.
#pragma once

#include <osg/Group>
#include <osg/MatrixTransform>
#include <osg/Node>
#include <osg/ref_ptr>

#include <QString>

class MarkerContent
{
public:
    MarkerContent(unsigned int code, float markerSize);
    ~MarkerContent();
    MarkerContent(const MarkerContent&) = delete;
    MarkerContent& operator=(const MarkerContent&) = delete;

    unsigned int code() const { return m_code; }
    float markerSize() const { return m_markerSize; }

    osg::Group* draggerRoot() const { return m_draggerRoot.get(); }
    osg::MatrixTransform* mtxTra() const { return m_mtxTra.get(); }
    osg::MatrixTransform* mtxRot() const { return m_mtxRot.get(); }
    osg::MatrixTransform* mtxExtRot() const { return m_mtxExtRot.get(); }
    osg::MatrixTransform* mtxExtSca() const { return m_mtxExtSca.get(); }
    osg::MatrixTransform* mtxExtTra() const { return m_mtxExtTra.get(); }
    osg::Node* contentNode() const { return m_contentNode.get(); }

    // True while a video is playing in this slot (a capture and its frame buffer exist).
    bool hasVideo() const { return false; }
    // Reads the next frame of the slot's video into its texture; false when there is none.
    bool advanceVideo() { return false; }

    // The amber square of a marker without content, the size of the printed marker.
    static osg::ref_ptr<osg::Node> createPlaceholder(float markerSize);

private:
    unsigned int m_code;
    float m_markerSize;
    QString m_fileName;

    osg::ref_ptr<osg::Group> m_draggerRoot;
    osg::ref_ptr<osg::Group> m_rootTra;
    osg::ref_ptr<osg::MatrixTransform> m_mtxTra;
    osg::ref_ptr<osg::Group> m_rootRot;
    osg::ref_ptr<osg::MatrixTransform> m_mtxRot;
    osg::ref_ptr<osg::MatrixTransform> m_mtxExtRot;
    osg::ref_ptr<osg::MatrixTransform> m_mtxExtSca;
    osg::ref_ptr<osg::MatrixTransform> m_mtxExtTra;
    osg::ref_ptr<osg::Node> m_contentNode;
};
