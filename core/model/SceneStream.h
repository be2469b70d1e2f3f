// Record pieces shared by the scene file and the viewer archive (internal).
#pragma once

#include "ByteReader.h"
#include "Scene.h"

#include <QDataStream>

namespace quorvane::detail {

// Data streams of the scene layouts: version 12 (the layouts were fixed with it), doubles for floats.
void prepareStream(QDataStream& out);

void writeTransform(QDataStream& out, const MarkerRecord& record);
void writeLabels(QDataStream& out, const QList<Label>& labels);

void readTransform(ByteReader& in, MarkerRecord* record);
// Reads a label count and the labels; stops at the first short record (which is dropped).
QList<Label> readLabels(ByteReader& in);

} // namespace quorvane::detail
