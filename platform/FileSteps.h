#pragma once
// The file steps of the installer and the uninstall run: whole files written beside their place and
// renamed into it, a private folder for one run, removal of files by their exact names, and a folder
// removed only when it is empty. Results are the codes of Files.h.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Whether `name` names one entry within a folder: not empty, no separator ("/" or "\"), not "." or
// "..", no control character.
bool isPlainName(const QString& name);

// The longest name of one entry and the longest path that the file system of `folder` (or of the
// nearest existing folder above it) takes, both counted in bytes of the encoded name.
int longestName(const QString& folder);
int longestPath(const QString& folder);
// The length of a name or path in those bytes.
int encodedLength(const QString& path);

// Whether the file could be replaced now, without writing to it: FileOk when no other holder locks
// it and it is not a running program, and when there is no such file; FileAccessDenied otherwise.
int canReplace(const QString& path);

// Writes `bytes` as the whole new content of `path`: beside it first, then renamed into its place,
// so that `path` never holds a part of it. New files that a killed write left beside it go first.
int writeWholeFile(const QString& path, const QByteArray& bytes);
// Copies the file `from` the same way to `to`.
int copyWholeFile(const QString& from, const QString& to);

// Makes a new folder in the temporary folder under a name of its own that only this user may
// enter, read or write (mode 0700): its path, or "" when it cannot be made.
QString makePrivateFolder();

// Removes the entries of exactly these names from `folder` when they are files or links (the link
// itself, never what it points to). Folders, and names that are not plain names, are left alone.
// FileOk, or the code of the first removal that failed.
int removeNamedFiles(const QString& folder, const QStringList& names);
// Whether the path itself is a symbolic link, wherever it points.
bool isLink(const QString& path);
// Whether `folder` holds an entry of that name (a link counts, wherever it points).
bool holdsEntry(const QString& folder, const QString& name);
// Removes the folder only when it is empty: FileOk; FileFolderNotEmpty when it holds an entry;
// FileNotFound when it does not exist; FileAccessDenied for a link, which is left alone.
int removeFolderIfEmpty(const QString& folder);

}  // namespace platform

namespace platform {

// What an installation wrote into one of its folders, kept in that folder as the file named by
// installRecordName(): the program folder and the data folder of that installation, and the names
// of the files it wrote there. The uninstall removes by this record; a folder without one is no
// installation's. Lines of UTF-8 text: "Programmordner=", "Datenordner=", then "Datei=" per file.
struct InstallRecord {
  QString programFolder, dataFolder;  // without a trailing separator
  QStringList files;                  // plain names within the folder
};
QString installRecordName();
int writeInstallRecord(const QString& folder, const InstallRecord& record);
// False when the folder holds no such file (a link does not count), or one that is not a record:
// a folder line missing, or a file name that is not a plain name.
bool readInstallRecord(const QString& folder, InstallRecord* record);

}  // namespace platform
