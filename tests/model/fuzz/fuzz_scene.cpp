// Fuzz target: scene files (".qvs2" and ".qvs" readers).
#include "FuzzSupport.h"

#include "Scene.h"

#include <QBuffer>

namespace {

quorvane::Scene readWith(bool qvs2, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    quorvane::Scene scene;
    if (qvs2)
        quorvane::readQvs2(&buffer, &scene);
    else
        quorvane::readQvs(&buffer, &scene);
    return scene;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool qvs2 : {true, false}) {
        const quorvane::Scene scene = readWith(qvs2, bytes);
        // Whatever was read writes and reads back to the same bytes.
        const QByteArray written = quorvane::sceneFileBytes(scene);
        fuzzsupport::check(quorvane::sceneFileBytes(readWith(true, written)) == written);
    }
    return 0;
}
