#include "platform/ShellFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <limits>

#include <pwd.h>

namespace platform {

namespace {

const QStringList kShellFoldersKey = {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion",
                                      "Explorer", "Shell Folders"};
const QStringList kCurrentVersionKey = {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion"};

enum class Convention { DataHome, Documents, Desktop, Applications, ProgramFiles };

struct FolderValue {
  const char* name;
  Hive hive;
  const QStringList* key;
  const char* variable;
  const char* sameAs;  // a common folder that falls back to the user's folder of this name
  Convention convention;
};

const FolderValue kFolders[] = {
    {"Common AppData", Hive::LocalMachine, &kShellFoldersKey, "TAVIK_FOLDER_COMMON_APPDATA",
     nullptr, Convention::DataHome},
    {"Personal", Hive::CurrentUser, &kShellFoldersKey, "TAVIK_FOLDER_PERSONAL", nullptr,
     Convention::Documents},
    {"Desktop", Hive::CurrentUser, &kShellFoldersKey, "TAVIK_FOLDER_DESKTOP", nullptr,
     Convention::Desktop},
    {"Common Desktop", Hive::LocalMachine, &kShellFoldersKey, "TAVIK_FOLDER_COMMON_DESKTOP",
     "Desktop", Convention::Desktop},
    {"Programs", Hive::CurrentUser, &kShellFoldersKey, "TAVIK_FOLDER_PROGRAMS", nullptr,
     Convention::Applications},
    {"Common Programs", Hive::LocalMachine, &kShellFoldersKey, "TAVIK_FOLDER_COMMON_PROGRAMS",
     "Programs", Convention::Applications},
    {"ProgramFilesDir", Hive::LocalMachine, &kCurrentVersionKey, "TAVIK_FOLDER_PROGRAMFILES",
     nullptr, Convention::ProgramFiles},
};

bool sameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Whether `parts` equals `key` (whole = true) or is a beginning of it, ignoring case.
bool keyMatches(const QStringList& parts, const QStringList& key, bool whole) {
  if (parts.size() > key.size() || (whole && parts.size() != key.size())) return false;
  for (qsizetype i = 0; i < parts.size(); ++i)
    if (!sameName(parts[i], key[i])) return false;
  return true;
}

const FolderValue* folderNamed(const QString& name) {
  for (const FolderValue& f : kFolders)
    if (sameName(name, QLatin1String(f.name))) return &f;
  return nullptr;
}

QString conventionalPath(Convention c) {
  switch (c) {
    case Convention::DataHome:
      return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    case Convention::Documents:
      return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    case Convention::Desktop:
      return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case Convention::Applications:
      return QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    case Convention::ProgramFiles:
      return QDir::homePath() + "/.local/opt";
  }
  return {};
}

// Steps 2 and 3: the environment variable, else (for a common folder) the user's folder of the same
// kind, else the convention. The folder is created when missing.
bool answerWithoutStore(const FolderValue& f, QString* folder) {
  QString path;
  if (qEnvironmentVariableIsSet(f.variable)) {
    path = qEnvironmentVariable(f.variable);
    if (path.isEmpty()) return false;
  } else if (f.sameAs) {
    return answerWithoutStore(*folderNamed(QLatin1String(f.sameAs)), folder);
  } else {
    path = conventionalPath(f.convention);
    if (path.isEmpty()) return false;
  }
  path = QDir::cleanPath(path);
  QDir().mkpath(path);
  *folder = QDir::toNativeSeparators(path);
  return true;
}

}  // namespace

QString shellFolder(const QString& valueName) {
  const FolderValue* f = folderNamed(valueName);
  if (!f) return {};
  RegistryKey key;
  QString value;
  if (openKey(f->hive, f->key->join('\\'), &key) == RegistryOk) {
    int size = std::numeric_limits<int>::max();
    if (queryValue(key, QLatin1String(f->name), &value, &size) != RegistryOk) value.clear();
    closeKey(&key);
  }
  return value;
}

QString separator() { return QString(QDir::separator()); }

QString driveRoot(const QString& path) {
  static const QRegularExpression drive("^[A-Za-z]:[\\\\/]");
  if (drive.match(path).hasMatch()) return path.left(2) + separator();
  return QDir::toNativeSeparators(QDir::rootPath());
}

bool isRootFolder(const QString& path) {
  static const QRegularExpression drive("^[A-Za-z]:[\\\\/]?$");
  if (drive.match(path).hasMatch()) return true;
  const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
  return !clean.isEmpty() && QDir(clean).isRoot();
}

QString windowsFolder() {
  if (qEnvironmentVariableIsSet("TAVIK_WINDOWS_FOLDER")) return qEnvironmentVariable("TAVIK_WINDOWS_FOLDER");
  return "/usr";
}

QString tempFolder() { return QDir::toNativeSeparators(QDir::tempPath()); }

QString shortcutFile(const QString& folder, const QString& lnkName) {
  QString base = lnkName;
  if (base.endsWith(".lnk", Qt::CaseInsensitive)) base.chop(4);
  return QDir::toNativeSeparators(QDir::fromNativeSeparators(folder) + "/" + base + ".desktop");
}

namespace {

QString resolved(const QString& path) {
  const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
  const QString canonical = QFileInfo(clean).canonicalFilePath();
  return canonical.isEmpty() ? clean : canonical;
}

// The home folders of the machine's users and of the running process, resolved.
QStringList homeFolders() {
  QStringList homes{resolved(QDir::homePath())};
  setpwent();
  while (const passwd* pw = getpwent()) {
    const QString home = resolved(QString::fromLocal8Bit(pw->pw_dir));
    // Accounts of services keep "/" or system folders as their home; those are no one's own files.
    if (pw->pw_uid >= 1000 && pw->pw_uid != 65534 && home != "/") homes << home;
  }
  endpwent();
  homes << "/home" << "/root";
  return homes;
}

}  // namespace

bool isHomeFolder(const QString& path) {
  const QString p = resolved(path);
  return homeFolders().contains(p) || QFileInfo(p).absolutePath() == "/home";
}

bool liesInHomeFolder(const QString& path) {
  const QString p = resolved(path);
  for (const QString& home : homeFolders())
    if (p == home || p.startsWith(home + "/")) return true;
  return false;
}

bool holdsFolderValues(Hive hive, const QStringList& keyParts) {
  for (const FolderValue& f : kFolders)
    if (f.hive == hive && keyMatches(keyParts, *f.key, false)) return true;
  return false;
}

bool conventionalFolderValue(Hive hive, const QStringList& keyParts, const QString& valueName,
                             QString* folder, bool* found) {
  const FolderValue* f = folderNamed(valueName);
  if (!f || f->hive != hive || !keyMatches(keyParts, *f->key, true)) return false;
  folder->clear();
  *found = answerWithoutStore(*f, folder);
  return true;
}

}  // namespace platform
