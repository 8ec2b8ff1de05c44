#include "platform/Files.h"

#include "platform/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray nativeName(const QString& path) {
  return QFile::encodeName(QDir::fromNativeSeparators(path));
}

int codeOf(FileError e) {
  switch (e) {
    case FileError::None: return FileOk;
    case FileError::NotFound: return FileNotFound;
    case FileError::PathNotFound: return FilePathNotFound;
    case FileError::AccessDenied: return FileAccessDenied;
    default: return FileGeneralFailure;
  }
}

// ENOENT says only that some part of the path is missing; Windows tells the file from its folder.
int missingCode(const QString& path) {
  const QFileInfo info(QDir::fromNativeSeparators(path));
  return QFileInfo(info.absolutePath()).isDir() ? FileNotFound : FilePathNotFound;
}

}  // namespace

int fileCodeOf(int errnoValue) {
  switch (errnoValue) {
    case 0:
      return FileOk;
    case ENOENT:
      return FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return FilePathNotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return FileAccessDenied;
    case EEXIST:
      return FileAlreadyExists;
    default:
      return FileGeneralFailure;
  }
}

int deleteFile(const QString& path) {
  if (::unlink(nativeName(path).constData()) == 0) return FileOk;
  const int err = errno;
  return err == ENOENT ? missingCode(path) : fileCodeOf(err);
}

bool fileExists(const QString& path) {
  const QFileInfo info(QDir::fromNativeSeparators(path));
  return info.exists() && !info.isDir();
}

bool folderExists(const QString& path) { return QFileInfo(QDir::fromNativeSeparators(path)).isDir(); }

void deleteMatching(const QString& folder, const QString& pattern) {
  const QDir dir(QDir::fromNativeSeparators(folder));
  for (const QFileInfo& f : dir.entryInfoList({pattern}, QDir::Files | QDir::Hidden | QDir::System))
    if (!f.isSymLink() || !f.isDir()) ::unlink(QFile::encodeName(f.absoluteFilePath()).constData());
}

namespace {

// Deletes the files of `folder` named "<name>.new<process id>-<number>", as createFileBeside names
// them, whose <name> `belongs` and whose process has ended.
void deleteLeftovers(const QDir& folder, const std::function<bool(const QString& name)>& belongs) {
  static const QRegularExpression tail("^(.+)\\.new([0-9]{1,9})-[0-9]{1,9}$");
  for (const QFileInfo& f : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (f.isSymLink()) continue;
    const QRegularExpressionMatch m = tail.match(f.fileName());
    if (!m.hasMatch() || !belongs(m.captured(1))) continue;
    const pid_t pid = static_cast<pid_t>(m.captured(2).toLong());
    if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    ::unlink(QFile::encodeName(f.absoluteFilePath()).constData());
  }
}

}  // namespace

void deleteLeftoversBeside(const QString& path) {
  const QFileInfo target(QDir::fromNativeSeparators(path));
  deleteLeftovers(target.dir(), [name = target.fileName()](const QString& n) { return n == name; });
}

void deleteLeftoversIn(const QString& folder, const QString& pattern) {
  const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(pattern));
  deleteLeftovers(QDir(QDir::fromNativeSeparators(folder)), [&match](const QString& n) { return match.match(n).hasMatch(); });
}

QString newFileBeside(const QString& path, int* code) {
  std::string temp;
  const FileError e = createFileBeside(nativeName(path).toStdString(), &temp);
  if (code) *code = codeOf(e);
  return e == FileError::None ? QFile::decodeName(QByteArray::fromStdString(temp)) : QString();
}

int putInPlace(const QString& temp, const QString& path, bool replace) {
  const QByteArray from = nativeName(temp), to = nativeName(path);
  // What the writer closed is on disk before it takes the name.
  const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fileCodeOf(errno);
  const bool synced = ::fsync(fd) == 0;
  const int syncError = errno;
  ::close(fd);
  if (!synced) return fileCodeOf(syncError);
  if (replace) return codeOf(replaceFile(from.toStdString(), to.toStdString()));
  // Without replacing: the new name is taken in one step, or not at all.
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return fileCodeOf(errno);
    // A file system without that call: a second link, then the first goes.
    if (::link(from.constData(), to.constData()) != 0) return fileCodeOf(errno);
    ::unlink(from.constData());
  }
  const QByteArray folder = QFile::encodeName(QFileInfo(QDir::fromNativeSeparators(path)).absolutePath());
  const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return FileOk;
}

QString currentFolder() { return QDir::toNativeSeparators(QDir::currentPath()); }

int setCurrentFolder(const QString& path) {
  if (::chdir(nativeName(path).constData()) == 0) return FileOk;
  const int err = errno;
  return err == ENOENT ? missingCode(path) : fileCodeOf(err);
}

int makeFolder(const QString& path) {
  if (::mkdir(nativeName(path).constData(), 0777) == 0) return FileOk;
  const int err = errno;
  return err == ENOENT ? FilePathNotFound : fileCodeOf(err);
}

int makeFolderPath(const QString& path) {
  const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
  if (clean.isEmpty()) return FilePathNotFound;
  // Each level from the top: an existing folder is passed, an existing file blocks the path.
  for (qsizetype end = clean.indexOf('/', 1);; end = clean.indexOf('/', end + 1)) {
    const QString level = end < 0 ? clean : clean.left(end);
    if (::mkdir(QFile::encodeName(level).constData(), 0777) != 0) {
      const int err = errno;
      if (!QFileInfo(level).isDir()) {
        if (err != EEXIST) return fileCodeOf(err);
        return end < 0 ? FileAlreadyExists : FilePathNotFound;
      }
    }
    if (end < 0) return FileOk;
  }
}

ReplacementFile::~ReplacementFile() { discard(); }

int ReplacementFile::create(const QString& path) {
  discard();
  const std::string target = nativeName(path).toStdString();
  // A file in the way that cannot be replaced is refused now, before anything is written.
  {
    FileLock probe;
    const FileError held = probe.acquire(target, LockMode::Exclusive);
    if (held != FileError::None && held != FileError::NotFound) return codeOf(held);
  }
  std::string temp;
  if (const FileError e = createFileBeside(target, &temp); e != FileError::None) return codeOf(e);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    const int code = fileCodeOf(errno);
    removeFile(temp);
    return code;
  }
  fd_ = fd;
  error_ = FileOk;
  temp_ = temp;
  target_ = target;
  written_ = started_ = 0;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  return FileOk;
}

void ReplacementFile::append(std::string_view bytes) {
  if (buffer_.empty() && bytes.size() >= kBufferSize) {
    writeOut(bytes);  // a large piece goes out as it is
    return;
  }
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) flush();
}

int ReplacementFile::markAsProgram() {
  struct stat st {};
  if (fd_ < 0) return FileGeneralFailure;
  if (::fstat(fd_, &st) != 0) return fileCodeOf(errno);
  // Everyone who may read the file may start it.
  return ::fchmod(fd_, (st.st_mode & 07777) | ((st.st_mode & 0444) >> 2)) == 0 ? FileOk : fileCodeOf(errno);
}

void ReplacementFile::flush() {
  writeOut(buffer_);
  buffer_.clear();
}

void ReplacementFile::writeOut(std::string_view bytes) {
  std::size_t done = 0;
  while (error_ == FileOk && done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) error_ = n < 0 ? fileCodeOf(errno) : FileGeneralFailure;
    else done += static_cast<std::size_t>(n);
  }
  // The disk starts on every megabyte written while the rest is still coming, so that commit waits
  // less.
  written_ += static_cast<off_t>(done);
  if (error_ == FileOk && written_ - started_ >= kStartAfter) {
    ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
    started_ = written_;
  }
}

int ReplacementFile::commit() {
  if (fd_ < 0) return FileOk;
  flush();
  if (error_ == FileOk && ::fsync(fd_) != 0) error_ = fileCodeOf(errno);
  if (::close(fd_) != 0 && error_ == FileOk) error_ = fileCodeOf(errno);
  fd_ = -1;
  if (error_ == FileOk) error_ = codeOf(replaceFile(temp_, target_));
  if (error_ != FileOk) removeFile(temp_);
  temp_.clear();
  return error_;
}

void ReplacementFile::discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  removeFile(temp_);
  temp_.clear();
  buffer_.clear();
}

}  // namespace platform
