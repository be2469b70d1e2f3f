#include "ViewSceneTarget.h"

#include "ModelGuard.h"
#include "ViewerWidget.h"

namespace quorvane {

void ViewSceneTarget::applyModel(int marker, const MarkerRecord& record)
{
    if (!record.modelFile.isEmpty())
        m_view.setMarkerContent(marker, record.modelFile);
}

void ViewSceneTarget::applyLabel(int marker, const Label& label)
{
    const auto& f = label.fontColor;
    const auto& b = label.backgroundColor;
    const auto& a = label.anchor;
    m_view.addMarkerLabel(marker, label.text.toUtf8().toStdString(), osg::Vec4(f[0], f[1], f[2], f[3]),
                          osg::Vec4(b[0], b[1], b[2], b[3]), osg::Vec3(a[0], a[1], a[2]), label.distance, label.angle,
                          label.characterSize);
}

void ViewSceneTarget::applyTransform(int marker, const MarkerRecord& record)
{
    MarkerContent* slot = m_view.slot(marker);
    if (!slot)
        return;
    const auto& r = record.rotation;
    const auto& t = record.translation;
    slot->setRotation(r[0], r[1], r[2]);
    slot->mtxExtTra()->setMatrix(osg::Matrix::translate(t[0], t[1], t[2]));
    slot->setScale(record.scale, record.scale, record.scale);
    if (slot->animationCount() > 0)
        slot->playAnimation(0);
}

void ViewSceneTarget::prepare(const QStringList& contentFiles)
{
    QStringList models;
    for (const QString& file : contentFiles) {
        if (MarkerContent::contentKindOf(file) == MarkerContent::ContentKind::Model)
            models << file;
    }
    ModelGuard::checkAll(models);
}

bool ViewSceneTarget::showsContent(int marker) const
{
    // A slot keeps the name of the content it shows; the amber placeholder of an empty one has none.
    const MarkerContent* slot = m_view.slot(marker);
    return slot && !slot->fileName().isEmpty();
}

} // namespace quorvane
