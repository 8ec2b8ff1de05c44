#pragma once
// Share modes between processes, stood in for by advisory locks (flock) held on a separate
// descriptor of the file, and the few file steps around them that the data files need.
//
// flock locks belong to the open descriptor and do not mix with the POSIX byte-range locks through
// which SQLite coordinates its own connections, so holding one never disturbs the other. One caveat
// of POSIX locks remains: closing any descriptor of a file drops the byte-range locks this process
// holds on it. So a lock on a file that a database connection of this process has open must be
// released only after that connection is closed.

#include <string>

namespace platform {

enum class FileError {
  None,
  NotFound,      // the file does not exist
  PathNotFound,  // a folder of the path does not exist or is not a folder
  AccessDenied,  // another holder's share mode, or the operating system refuses
  Other,         // disk full, I/O error and everything else
};

// Errno to FileError, by the file codes of Files.h; a lock held by another is access denied.
FileError fileErrorOf(int errnoValue);

enum class LockMode {
  Shared,     // others may hold shared locks too ("denied nothing")
  Exclusive,  // nobody else may hold a lock ("denied writing", "denied all")
};

class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the existing file for reading and writing and takes the lock without waiting.
  // A lock in conflict with another holder gives AccessDenied. Releases a lock held before.
  FileError acquire(const std::string& path, LockMode mode);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Whether another holder keeps a lock on the existing file that an exclusive lock would conflict
// with: tells a running instance from a file that the system refuses for other reasons.
bool lockedByOther(const std::string& path);

// Creates a new empty file in the folder of `path`, under a name of its own, so that a new file can
// be built completely before it takes the place of `path`.
FileError createFileBeside(const std::string& path, std::string* created);

// Puts the file `from` in the place of `to` in one step (`to` may exist) and makes the change
// durable. While another holder locks `to`, nothing changes and the result is AccessDenied.
FileError replaceFile(const std::string& from, const std::string& to);

void removeFile(const std::string& path);

}  // namespace platform
