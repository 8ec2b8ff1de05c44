#pragma once
// Plain file and folder steps with the error codes of the Windows calls they stand in for.

#include <QString>

namespace platform {

enum FileCode : int {
  FileOk = 0,
  FileNotFound = 2,         // the file (the last part of the path) does not exist
  FilePathNotFound = 3,     // a folder of the path does not exist or is not a folder
  FileAccessDenied = 5,     // the operating system refuses, or the path names a folder
  FileGeneralFailure = 31,  // input/output error, disk full and everything else
  FileAlreadyExists = 183,  // the folder to be made exists already
};

// Errno to FileCode: ENOENT not found; ENOTDIR, ENAMETOOLONG path not found; EACCES, EPERM, EBUSY,
// EROFS, EISDIR, ETXTBSY access denied; EEXIST already exists; anything else general failure.
int fileCodeOf(int errnoValue);

// Deletes the file outright (no recycle bin). A missing file gives FileNotFound when its folder
// exists and FilePathNotFound when it does not.
int deleteFile(const QString& path);

// Whether the path names an existing file (not a folder).
bool fileExists(const QString& path);

// Whether the path names an existing folder.
bool folderExists(const QString& path);

// Deletes the files of the folder whose names match the wildcard pattern ("Konto.dat.new*"); folders
// and links to folders are left alone.
void deleteMatching(const QString& folder, const QString& pattern);

// The process's current folder, without a trailing separator, and setting it.
QString currentFolder();
int setCurrentFolder(const QString& path);

// Makes one folder, whose parent must exist (FilePathNotFound otherwise).
int makeFolder(const QString& path);
// Makes the folder and every missing folder above it. An existing folder is FileOk, a file in its
// place FileAlreadyExists, a file in place of a folder above it FilePathNotFound.
int makeFolderPath(const QString& path);

}  // namespace platform
