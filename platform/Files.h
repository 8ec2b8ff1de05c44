#pragma once
// Plain file and folder steps with the error codes of the Windows calls they stand in for.

#include <QString>
#include <string>
#include <string_view>

namespace platform {

enum FileCode : int {
  FileOk = 0,
  FileNotFound = 2,         // the file (the last part of the path) does not exist
  FilePathNotFound = 3,     // a folder of the path does not exist or is not a folder
  FileAccessDenied = 5,     // the operating system refuses, or the path names a folder
  FileGeneralFailure = 31,  // input/output error, disk full and everything else
  FileFolderNotEmpty = 145, // the folder to be removed holds entries
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

// Deletes the new files that a ReplacementFile for `path` left beside it in a process that has
// ended (a write killed halfway). Those of running processes, this one included, stay, as does
// every other file.
void deleteLeftoversBeside(const QString& path);

// Deletes what writes killed halfway left beside the files of `folder` whose names match the
// wildcard pattern ("*.pdf"), as deleteLeftoversBeside does for one file.
void deleteLeftoversIn(const QString& folder, const QString& pattern);

// For a file that another writer fills by its name (the PDF printer): makes a new, empty file under
// a name of its own beside `path` and returns that name, or "" with the error code in `*code`.
QString newFileBeside(const QString& path, int* code);
// Makes the file `temp` (made by newFileBeside) durable and gives it the name `path`. With `replace`
// an existing `path` is replaced; without it an existing `path` stays as it is and the result is
// FileAlreadyExists. On any failure `temp` stays where it is, for the caller to delete.
int putInPlace(const QString& temp, const QString& path, bool replace);

// The process's current folder, without a trailing separator, and setting it.
QString currentFolder();
int setCurrentFolder(const QString& path);

// Makes one folder, whose parent must exist (FilePathNotFound otherwise).
int makeFolder(const QString& path);
// Makes the folder and every missing folder above it. An existing folder is FileOk, a file in its
// place FileAlreadyExists, a file in place of a folder above it FilePathNotFound.
int makeFolderPath(const QString& path);

// A file that is written whole under a name of its own beside `path` and takes the place of `path`
// only when it is committed, so that a crash, a full disk or a kill before that leaves whatever
// `path` held as it was. Appended bytes are buffered; the first failure sticks and is returned by
// commit. A file neither committed nor discarded is discarded by the destructor.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Makes the new, empty file. FilePathNotFound when the folder is missing; FileAccessDenied when
  // the folder refuses it, or `path` is a folder or held by another.
  int create(const QString& path);
  void append(char byte) {
    buffer_.push_back(byte);
    if (buffer_.size() >= kBufferSize) flush();
  }
  void append(std::string_view bytes);
  // Marks the new file as a program that may be started, before it takes the place of `path`.
  int markAsProgram();
  // Writes out the rest, makes the file durable and puts it in the place of `path`. On a failure
  // the new file is removed and `path` is left as it was.
  int commit();
  void discard();
  bool isOpen() const { return fd_ >= 0; }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;
  static constexpr off_t kStartAfter = 1024 * 1024;
  void flush();
  void writeOut(std::string_view bytes);

  int fd_ = -1;
  int error_ = FileOk;
  off_t written_ = 0;  // bytes handed to the system so far
  off_t started_ = 0;  // of those, the bytes the disk has been told to start on
  std::string temp_, target_, buffer_;
};

}  // namespace platform
