#include "platform/FileLock.h"

#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

FileError fileErrorOf(int errnoValue) {
  // A lock that another holder keeps is a share-mode refusal; everything else maps as for any file.
  if (errnoValue == EWOULDBLOCK) return FileError::AccessDenied;
  switch (fileCodeOf(errnoValue)) {
    case FileOk: return FileError::None;
    case FileNotFound: return FileError::NotFound;
    case FilePathNotFound: return FileError::PathNotFound;
    case FileAccessDenied: return FileError::AccessDenied;
    default: return FileError::Other;
  }
}

namespace {
std::string folderOf(const std::string& path);
}  // namespace

FileLock::~FileLock() { release(); }

FileError FileLock::acquire(const std::string& path, LockMode mode) {
  release();
  // Close-on-exec, so that a started process never inherits (and keeps) the lock.
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    // ENOENT says only that something is missing: the file, or a folder above it.
    if (err == ENOENT && !folderExists(QString::fromStdString(folderOf(path))))
      return FileError::PathNotFound;
    return fileErrorOf(err);
  }
  const int op = (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  int rc;
  do rc = ::flock(fd, op);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    return fileErrorOf(err);
  }
  fd_ = fd;
  return FileError::None;
}

bool lockedByOther(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

void FileLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);  // drops the flock with the descriptor
  fd_ = -1;
}

namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

FileError createFileBeside(const std::string& path, std::string* created) {
  for (unsigned n = 0; n < 100; ++n) {
    const std::string name = path + ".new" + std::to_string(::getpid()) + "-" + std::to_string(n);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      *created = name;
      return FileError::None;
    }
    if (errno == EEXIST) continue;
    // The new name cannot be missing itself: ENOENT means the folder is.
    return errno == ENOENT ? FileError::PathNotFound : fileErrorOf(errno);
  }
  return FileError::Other;
}

FileError replaceFile(const std::string& from, const std::string& to) {
  FileLock guard;
  const FileError held = guard.acquire(to, LockMode::Exclusive);
  if (held != FileError::None && held != FileError::NotFound) return held;
  if (::rename(from.c_str(), to.c_str()) != 0) return fileErrorOf(errno);
  // The rename is durable only once the folder itself is on disk.
  const int dir = ::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return FileError::None;
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

}  // namespace platform
