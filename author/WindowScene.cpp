#include "WindowScene.h"

#include "Label3d.h"
#include "MarcaPushButton.h"
#include "MarkerContent.h"
#include "Model.h"
#include "ViewerWidget.h"

#include <QFileInfo>

namespace quorvane {

namespace {

std::array<float, 4> colour(const osg::Vec4& c)
{
    return {c.r(), c.g(), c.b(), c.a()};
}

osg::Vec4 vec4(const std::array<float, 4>& c)
{
    return {c[0], c[1], c[2], c[3]};
}

} // namespace

Scene sceneFromWindow(const ViewerWidget& view, const MarkerButtons& buttons)
{
    Scene scene;
    for (int i = 0; i < kMarkerCount; ++i) {
        MarkerRecord& r = scene.markers[size_t(i)];
        r.modelFile = buttons[size_t(i)]->modelFile();
        const MarkerContent* slot = view.slot(i);
        if (!slot)
            continue;
        r.rotation = slot->rotationAngles();
        const osg::Vec3d t = slot->mtxExtTra()->getMatrix().getTrans();
        r.translation = {float(t.x()), float(t.y()), float(t.z())};
        r.scale = slot->scale();
        for (const Label3d* l : slot->labels()) {
            Label label;
            label.text = QString::fromStdString(l->textUtf8());
            label.fontColor = colour(l->fontColor());
            label.backgroundColor = colour(l->backgroundColor());
            label.anchor = {l->anchor().x(), l->anchor().y(), l->anchor().z()};
            label.distance = l->distance();
            label.angle = l->angle();
            label.characterSize = l->size();
            r.labels.append(label);
        }
    }
    return scene;
}

void WindowSceneApplier::applyModel(int marker, const MarkerRecord& record)
{
    if (record.modelFile.isEmpty())
        return;
    MarcaPushButton* button = m_buttons[size_t(marker)];
    // Scenes come from other people: only a regular file is opened (a pipe or a device named in a
    // scene could block or never end), and the model unpacks into the temporary folder alone.
    Model_v0_0 model;
    if (QFileInfo(record.modelFile).isFile() && model.load(record.modelFile) && QFileInfo::exists(model.mainFile)) {
        m_view.setMarkerContent(marker, model.mainFile);
        button->setAssociation(model.mainFile, model.thumbnailFile, record.modelFile);
        return;
    }
    button->keepModelFile(record.modelFile);
    if (!m_missing.contains(record.modelFile))
        m_missing.append(record.modelFile);
}

void WindowSceneApplier::applyLabel(int marker, const Label& label)
{
    m_view.addMarkerLabel(marker, label.text.toStdString(), vec4(label.fontColor), vec4(label.backgroundColor),
                          osg::Vec3(label.anchor[0], label.anchor[1], label.anchor[2]), label.distance, label.angle,
                          label.characterSize);
}

void WindowSceneApplier::applyTransform(int marker, const MarkerRecord& record)
{
    MarkerContent* slot = m_view.slot(marker);
    if (!slot)
        return;
    slot->setRotation(record.rotation[0], record.rotation[1], record.rotation[2]);
    slot->mtxExtTra()->setMatrix(
        osg::Matrix::translate(record.translation[0], record.translation[1], record.translation[2]));
    slot->setScale(record.scale, record.scale, record.scale);
}

} // namespace quorvane
