#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray nativeName(const QString& path) {
  return QFile::encodeName(QDir::fromNativeSeparators(path));
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

}  // namespace platform
