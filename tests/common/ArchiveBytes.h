// Real viewer archives of a chosen size for the sharing tests: an empty scene whose logo is padded so
// that the whole file has exactly `size` bytes (at least viewerArchiveMinimumSize()).
#pragma once

#include "Archive.h"

#include <QByteArray>

namespace testutil {

inline QByteArray emptyViewerSceneData()
{
    QByteArray data;
    quorvane::buildViewerSceneData(quorvane::Scene(), &data, quorvane::TempCleanup::Keep);
    return data;
}

inline int viewerArchiveMinimumSize()
{
    return quorvane::kViewerArchiveMagicSize + int(emptyViewerSceneData().size());
}

inline QByteArray viewerArchiveOfSize(int size)
{
    const QByteArray scene = emptyViewerSceneData();
    QByteArray logo(qMax(0, size - quorvane::kViewerArchiveMagicSize - int(scene.size())), '\0');
    for (int i = 0; i < logo.size(); ++i)
        logo[i] = char(i * 7 % 251);
    return QByteArray(quorvane::kViewerArchiveMagic, quorvane::kViewerArchiveMagicSize) +
           quorvane::scramble(scene + logo);
}

// A mobile archive of an empty scene with a small logo.
inline QByteArray emptyMobileArchive()
{
    QByteArray data;
    quorvane::buildMobileSceneData(quorvane::Scene(), &data, quorvane::TempCleanup::Keep);
    return data + QByteArray(50, 'm');
}

} // namespace testutil
