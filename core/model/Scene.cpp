#include "Scene.h"

#include "SceneStream.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace quorvane {

bool Label::operator==(const Label& o) const
{
    return text == o.text && fontColor == o.fontColor && backgroundColor == o.backgroundColor && anchor == o.anchor &&
           distance == o.distance && angle == o.angle && characterSize == o.characterSize;
}

bool MarkerRecord::operator==(const MarkerRecord& o) const
{
    return modelFile == o.modelFile && modelFile.isNull() == o.modelFile.isNull() && rotation == o.rotation &&
           translation == o.translation && scale == o.scale && labels == o.labels;
}

void applyScene(const Scene& scene, SceneApplier& applier)
{
    for (int i = 0; i < kMarkerCount; ++i) {
        const MarkerRecord& record = scene.markers[size_t(i)];
        applier.applyModel(i, record);
        for (const Label& label : record.labels)
            applier.applyLabel(i, label);
        applier.applyTransform(i, record);
    }
}

namespace detail {

void prepareStream(QDataStream& out)
{
    out.setVersion(12);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
}

void writeTransform(QDataStream& out, const MarkerRecord& r)
{
    out << r.rotation[0] << r.rotation[1] << r.rotation[2] << r.translation[0] << r.translation[1] << r.translation[2]
        << r.scale;
}

void writeLabels(QDataStream& out, const QList<Label>& labels)
{
    out << qint32(labels.size());
    for (const Label& l : labels) {
        out << l.text;
        for (float v : l.fontColor)
            out << v;
        for (float v : l.backgroundColor)
            out << v;
        for (float v : l.anchor)
            out << v;
        out << l.distance << l.angle << l.characterSize;
    }
}

void readTransform(ByteReader& in, MarkerRecord* r)
{
    for (float& v : r->rotation)
        v = in.floatAsDouble();
    for (float& v : r->translation)
        v = in.floatAsDouble();
    r->scale = in.floatAsDouble();
}

QList<Label> readLabels(ByteReader& in)
{
    QList<Label> labels;
    const qint32 count = in.i32();
    // Each label record reads at least one field, so a forged count ends with the data.
    for (qint32 i = 0; i < count && in.ok(); ++i) {
        Label l;
        l.text = in.string();
        for (float& v : l.fontColor)
            v = in.floatAsDouble();
        for (float& v : l.backgroundColor)
            v = in.floatAsDouble();
        for (float& v : l.anchor)
            v = in.floatAsDouble();
        l.distance = in.floatAsDouble();
        l.angle = in.floatAsDouble();
        l.characterSize = in.floatAsDouble();
        if (in.ok())
            labels.append(l);
    }
    return labels;
}

} // namespace detail

QByteArray sceneFileBytes(const Scene& scene)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    detail::prepareStream(out);
    out << qint32(1);
    for (const MarkerRecord& r : scene.markers) {
        out << r.modelFile;
        detail::writeTransform(out, r);
        detail::writeLabels(out, r.labels);
    }
    return bytes;
}

bool writeSceneFile(const Scene& scene, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = sceneFileBytes(scene);
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

bool isQvs2Path(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("qvs2"), Qt::CaseInsensitive) == 0;
}

SceneReadStatus readSceneFile(const QString& path, Scene* scene, int* wholeRecords)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SceneReadStatus::CannotOpen;
    if (isQvs2Path(path))
        return readQvs2(&file, scene, wholeRecords);
    readQvs(&file, scene, wholeRecords);
    return SceneReadStatus::Ok;
}

SceneReadStatus readQvs2(QIODevice* device, Scene* scene, int* wholeRecords)
{
    *scene = Scene();
    if (wholeRecords)
        *wholeRecords = 0;
    ByteReader in(device);
    if (in.i32() != 1)
        return SceneReadStatus::UnsupportedVersion;
    for (MarkerRecord& r : scene->markers) {
        r.modelFile = in.string();
        detail::readTransform(in, &r);
        r.labels = detail::readLabels(in);
        if (wholeRecords && in.ok())
            ++*wholeRecords;
    }
    return SceneReadStatus::Ok;
}

void readQvs(QIODevice* device, Scene* scene, int* wholeRecords)
{
    *scene = Scene();
    if (wholeRecords)
        *wholeRecords = 0;
    ByteReader in(device);
    for (MarkerRecord& r : scene->markers) {
        r.modelFile = in.string();
        detail::readTransform(in, &r);
        if (wholeRecords && in.ok())
            ++*wholeRecords;
    }
}

} // namespace quorvane
