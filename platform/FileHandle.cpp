#include "platform/FileHandle.h"

#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray nativeName(const QString& path) {
  return QFile::encodeName(QDir::fromNativeSeparators(path));
}

// ENOENT says only that some part of the path is missing; Windows tells the file from its folder.
int openFailure(const QString& path, int err) {
  if (err == ENOENT)
    return QFileInfo(QFileInfo(QDir::fromNativeSeparators(path)).absolutePath()).isDir() ? FileNotFound
                                                                                          : FilePathNotFound;
  if (err == EWOULDBLOCK) return FileAccessDenied;  // another holder's share mode
  return fileCodeOf(err);
}

// Takes the lock of the share mode without waiting; on failure the descriptor is closed.
int lockOrClose(int fd, int op, const QString& path) {
  int rc;
  do rc = ::flock(fd, op | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  if (rc == 0) return FileOk;
  const int err = errno;
  ::close(fd);
  return openFailure(path, err);
}

}  // namespace

int createFile(const QString& path, std::int32_t* handle) {
  *handle = 0;
  // Emptied only once the lock is held, so that a file that another holds stays as it is. Opening a
  // running program for writing fails (ETXTBSY), as its file is in use.
  const int fd = ::open(nativeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return openFailure(path, errno);
  if (const int rc = lockOrClose(fd, LOCK_EX, path); rc != FileOk) return rc;
  if (::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    return fileCodeOf(err);
  }
  *handle = fd + 1;  // descriptor 0 is valid, a handle of 0 is not
  return FileOk;
}

int openFileForReading(const QString& path, std::int32_t* handle) {
  *handle = 0;
  const int fd = ::open(nativeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return openFailure(path, errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return FileAccessDenied;
  }
  if (const int rc = lockOrClose(fd, LOCK_SH, path); rc != FileOk) return rc;
  *handle = fd + 1;
  return FileOk;
}

std::int64_t readFileAt(std::int32_t handle, std::int64_t offset, char* buffer, std::int64_t count) {
  if (handle <= 0 || offset < 0) return -1;
  ssize_t n;
  do n = ::pread(handle - 1, buffer, static_cast<size_t>(count), offset);
  while (n < 0 && errno == EINTR);
  return n;
}

std::int64_t writeFile(std::int32_t handle, const char* buffer, std::int64_t count) {
  if (handle <= 0) return -1;
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(handle - 1, buffer + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += n;
  }
  return done;
}

int closeFile(std::int32_t handle) {
  if (handle <= 0) return FileGeneralFailure;
  return ::close(handle - 1) == 0 ? FileOk : fileCodeOf(errno);
}

std::int64_t entrySize(const QString& path) {
  struct stat st {};
  if (::stat(nativeName(path).constData(), &st) != 0) return -1;
  return S_ISDIR(st.st_mode) ? 0 : st.st_size;
}

bool entryExists(const QString& path) {
  struct stat st {};
  return ::stat(nativeName(path).constData(), &st) == 0;
}

int makeExecutable(const QString& path) {
  struct stat st {};
  const QByteArray name = nativeName(path);
  if (::stat(name.constData(), &st) != 0) return fileCodeOf(errno);
  // Everyone who may read the file may start it.
  const mode_t mode = st.st_mode | ((st.st_mode & 0444) >> 2);
  return ::chmod(name.constData(), mode) == 0 ? FileOk : fileCodeOf(errno);
}

QString programExtension() { return {}; }

}  // namespace platform
