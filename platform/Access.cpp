#include "platform/Access.h"

#include "platform/Files.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int grantUsersChange(const QString& folder) {
  if (folder.trimmed().isEmpty()) return FilePathNotFound;
  if (liesInHomeFolder(folder)) return FileAccessDenied;
  const QByteArray name = QFile::encodeName(QDir::fromNativeSeparators(folder));
  struct stat st {};
  if (::lstat(name.constData(), &st) != 0) return fileCodeOf(errno);
  if (!S_ISDIR(st.st_mode)) return FileAccessDenied;  // never through a link to elsewhere
  const group* users = ::getgrnam("users");
  if (!users) return FileGeneralFailure;
  if (::chown(name.constData(), static_cast<uid_t>(-1), users->gr_gid) != 0) return fileCodeOf(errno);
  return ::chmod(name.constData(), (st.st_mode & 07777) | S_IRWXG | S_ISGID) == 0 ? FileOk : fileCodeOf(errno);
}

}  // namespace platform
