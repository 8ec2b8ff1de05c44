#pragma once
// The standard folders that Windows names under "Shell Folders" and "ProgramFilesDir", the path
// separator and the drive root.
//
// A folder is answered, in this order:
//   1. by the registry store (Registry.h), when it holds the value in the key Windows keeps it in;
//   2. by an environment variable, when it is set (set to the empty string: "no such value");
//   3. by the XDG conventions (QStandardPaths):
//
//   value            hive, key          variable TAVIK_FOLDER_...  convention
//   Common AppData   machine, SF        COMMON_APPDATA             $XDG_DATA_HOME
//   Personal         user, SF           PERSONAL                   the documents folder
//   Desktop          user, SF           DESKTOP                    the desktop folder
//   Common Desktop   machine, SF        COMMON_DESKTOP             as Desktop
//   Programs         user, SF           PROGRAMS                   $XDG_DATA_HOME/applications
//   Common Programs  machine, SF        COMMON_PROGRAMS            as Programs
//   ProgramFilesDir  machine, CV        PROGRAMFILES               $HOME/.local/opt
//
//   SF = "SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders",
//   CV = "SOFTWARE\Microsoft\Windows\CurrentVersion".
//
// Linux has no common data folder that every user may write, so the user's own data folder stands
// in for "Common AppData"; programs installed by a user go to $HOME/.local/opt, and the common
// desktop and menu are the user's own. A folder answered by 2 or 3 is created when missing, since
// on Windows these folders always exist and callers create only one level below them.
// Answers carry no trailing separator.

#include "platform/Registry.h"

#include <QString>
#include <QStringList>

namespace platform {

// The well-known folder of that value name (case-insensitive), or "" when there is none or the name
// is not one of the table above.
QString shellFolder(const QString& valueName);

// "\" on Windows, "/" here.
QString separator();
// The root of the drive that holds `path`: "C:\" for "C:\Programme\Tavik" there, "/" here.
QString driveRoot(const QString& path);
// Whether `path` is a root folder: "/" here, a drive's root ("C:\", "D:") there.
bool isRootFolder(const QString& path);

// The system's Windows folder: $TAVIK_WINDOWS_FOLDER when set, else "/usr" here. Here it holds no
// "SYSTEM32", so a probe file below that folder finds its path missing.
QString windowsFolder();
// The folder for temporary files ($TMPDIR, else the system's).
QString tempFolder();
// The file that stands for a shortcut such as "Tavik.lnk" in `folder`: "Tavik.desktop" here.
QString shortcutFile(const QString& folder, const QString& lnkName);

// Whether `path` is the home folder of a user of this machine, or lies inside one. Symbolic links
// of the path are resolved first.
bool isHomeFolder(const QString& path);
bool liesInHomeFolder(const QString& path);

// For the registry store: whether the key (its parts, case-insensitive) is one of those holding
// well-known folder values or lies above one, which therefore always exist.
bool holdsFolderValues(Hive hive, const QStringList& keyParts);
// For the registry store: whether the value is a well-known folder value, and if so its answer by
// the environment or the conventions (steps 2 and 3 above) in `*folder`; `*found` is false when
// there is no such folder.
bool conventionalFolderValue(Hive hive, const QStringList& keyParts, const QString& valueName,
                             QString* folder, bool* found);

}  // namespace platform
