// What an upload reports while it runs, and how the user stops it. The programs put their progress
// display behind it (showing it over the active window and disabling that window while keeping the
// display's own cancel control usable); the command-line tool prints a percentage.
#pragma once

#include <QString>

namespace quorvane {

class UploadProgress
{
public:
    virtual ~UploadProgress() = default;
    // The request is about to be sent: show the display. `totalBytes` is the whole request body.
    virtual void started(const QString& fileName, qint64 totalBytes) = 0;
    // Bytes of the body sent so far.
    virtual void progressed(qint64 sentBytes, qint64 totalBytes) = 0;
    // Polled about ten times a second while the upload runs; true cancels it. The upload runs in a
    // local event loop on the caller's thread, so a button on the display can set the flag.
    virtual bool cancelRequested() const = 0;
    // The upload ended (answered, failed, timed out or cancelled): hide the display.
    virtual void finished() = 0;
};

} // namespace quorvane
