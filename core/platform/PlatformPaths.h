// Where the programs keep things on this machine: the local application data folders, the settings
// file both programs share, the user's documents, and the data that comes with the programs. QtCore
// only, so that every library can ask.
#pragma once

#include <QDir>
#include <QString>

#include <memory>

class QSettings;

namespace quorvane {

// The folder `name` (such as "QuorvaneTemp") inside the user's local application data: the folder
// the environment variable "localappdata" names, else the user's cache folder. Created on demand.
QDir localDataDirectory(const QString& name);

// The settings both programs share (camera focal length "f", the web account): one file in the
// user's configuration folder, readable by the user alone.
std::unique_ptr<QSettings> machineSettings();

// The user's documents folder: "Documents" inside the folder the environment variable "userprofile"
// names, else the desktop's documents folder.
QString documentsDirectory();

// A file or folder that comes with the programs, by its path relative to the data folder: beside the
// executable (a build tree), else in the install tree's "share/quorvane". When it exists in neither,
// the path beside the executable.
QString programDataPath(const QString& relative);

} // namespace quorvane
