#include "platform/FileSteps.h"

#include "platform/Files.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray nativeName(const QString& path) { return QFile::encodeName(QDir::fromNativeSeparators(path)); }

// The folder itself when it exists, else the nearest existing folder above it.
QByteArray existingFolder(const QString& folder) {
  QString f = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  while (!f.isEmpty() && !QFileInfo(f).isDir()) {
    const QString up = QFileInfo(f).path();
    if (up == f) break;
    f = up;
  }
  return QFile::encodeName(f.isEmpty() ? QStringLiteral(".") : f);
}

int limitOf(const QString& folder, int which, int fallback) {
  const long n = ::pathconf(existingFolder(folder).constData(), which);
  return n > 0 && n < INT_MAX ? int(n) : fallback;
}

QString entryPath(const QString& folder, const QString& name) {
  return QDir::fromNativeSeparators(folder) + "/" + name;
}

}  // namespace

bool isPlainName(const QString& name) {
  if (name.isEmpty() || name == "." || name == "..") return false;
  for (const QChar c : name)
    if (c == '/' || c == '\\' || c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
  return true;
}

int longestName(const QString& folder) { return limitOf(folder, _PC_NAME_MAX, NAME_MAX); }
int longestPath(const QString& folder) { return limitOf(folder, _PC_PATH_MAX, PATH_MAX); }
int encodedLength(const QString& path) { return int(nativeName(path).size()); }

int canReplace(const QString& path) {
  // Opened for writing without emptying it: a running program refuses (ETXTBSY), a holder's share
  // mode shows as its lock.
  const int fd = ::open(nativeName(path).constData(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileOk : fileCodeOf(errno);
  int rc;
  do rc = ::flock(fd, LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  ::close(fd);
  return rc == 0 ? FileOk : FileAccessDenied;
}

int writeWholeFile(const QString& path, const QByteArray& bytes) {
  deleteLeftoversBeside(path);  // what an earlier write, killed halfway, left there
  ReplacementFile file;
  if (const int rc = file.create(path); rc != FileOk) return rc;
  file.append(std::string_view(bytes.constData(), size_t(bytes.size())));
  return file.commit();
}

int copyWholeFile(const QString& from, const QString& to) {
  const int fd = ::open(nativeName(from).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileNotFound : fileCodeOf(errno);
  QByteArray bytes;
  char block[4096];
  int code = FileOk;
  for (;;) {
    const ssize_t n = ::read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) code = fileCodeOf(errno);
    if (n <= 0) break;
    bytes.append(block, n);
  }
  ::close(fd);
  return code != FileOk ? code : writeWholeFile(to, bytes);
}

QString makePrivateFolder() {
  QByteArray pattern = nativeName(tempFolder() + "/Tavik-XXXXXX");
  // mkdtemp makes the folder with mode 0700 under a name that did not exist.
  if (!::mkdtemp(pattern.data())) return {};
  return QDir::toNativeSeparators(QFile::decodeName(pattern));
}

int removeNamedFiles(const QString& folder, const QStringList& names) {
  int first = FileOk;
  for (const QString& name : names) {
    if (!isPlainName(name)) continue;
    const QByteArray path = nativeName(entryPath(folder, name));
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    if (::unlink(path.constData()) != 0 && errno != ENOENT && first == FileOk) first = fileCodeOf(errno);
  }
  return first;
}

bool isLink(const QString& path) {
  struct stat st {};
  return ::lstat(nativeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool holdsEntry(const QString& folder, const QString& name) {
  struct stat st {};
  return isPlainName(name) && ::lstat(nativeName(entryPath(folder, name)).constData(), &st) == 0;
}

int removeFolderIfEmpty(const QString& folder) {
  const QByteArray path = nativeName(folder);
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0) return errno == ENOENT ? FileNotFound : fileCodeOf(errno);
  if (!S_ISDIR(st.st_mode)) return FileAccessDenied;
  if (::rmdir(path.constData()) == 0) return FileOk;
  return errno == ENOTEMPTY || errno == EEXIST ? FileFolderNotEmpty : fileCodeOf(errno);
}

QString installRecordName() { return "Tavik-Installation.lst"; }

int writeInstallRecord(const QString& folder, const InstallRecord& record) {
  QString text = "Programmordner=" + record.programFolder + "\n" + "Datenordner=" + record.dataFolder + "\n";
  for (const QString& name : record.files) text += "Datei=" + name + "\n";
  return writeWholeFile(entryPath(folder, installRecordName()), text.toUtf8());
}

bool readInstallRecord(const QString& folder, InstallRecord* record) {
  *record = {};
  const QByteArray path = nativeName(entryPath(folder, installRecordName()));
  struct stat st {};
  if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 64 * 1024) return false;
  QFile file(QFile::decodeName(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  bool program = false, data = false;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith("Programmordner=")) {
      record->programFolder = line.mid(15);
      program = true;
    } else if (line.startsWith("Datenordner=")) {
      record->dataFolder = line.mid(12);
      data = true;
    } else if (line.startsWith("Datei=")) {
      if (!isPlainName(line.mid(6))) return false;
      record->files << line.mid(6);
    } else {
      return false;
    }
  }
  return program && data && !record->programFolder.isEmpty() && !record->dataFolder.isEmpty();
}

}  // namespace platform
