#include "platform/Registry.h"

#include "platform/ShellFolders.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace platform {

namespace {

QStringList partsOf(const QString& path) { return path.split('\\', Qt::SkipEmptyParts); }

bool sameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString matchIn(const QStringList& names, const QString& name) {
  for (const QString& n : names)
    if (sameName(n, name)) return n;
  return {};
}

// The store's spelling of a key path ("/"-separated, as QSettings nests groups): each part that the
// store holds in another letter case takes its stored spelling. `*exists` tells whether the store
// holds every part.
QString resolveKey(QSettings& s, const QStringList& parts, bool* exists) {
  QStringList resolved;
  bool all = true;
  for (const QString& part : parts) {
    const QString stored = all ? matchIn(s.childGroups(), part) : QString();
    if (stored.isEmpty()) all = false;
    resolved << (all ? stored : part);
    if (all) s.beginGroup(stored);
  }
  while (!s.group().isEmpty()) s.endGroup();
  if (exists) *exists = all;
  return resolved.join('/');
}

// The store's spelling of a value name in the key, or "" when the key holds no such value.
QString resolveValue(QSettings& s, const QString& keyPath, const QString& valueName) {
  if (!keyPath.isEmpty()) s.beginGroup(keyPath);
  const QString stored = matchIn(s.childKeys(), valueName);
  if (!keyPath.isEmpty()) s.endGroup();
  return stored;
}

int written(QSettings& s) {
  s.sync();
  return s.status() == QSettings::NoError ? RegistryOk : RegistryAccessDenied;
}

QString fileFromEnvironment(const char* variable, const char* name) {
  const QString path = qEnvironmentVariable(variable);
  if (!path.isEmpty()) return path;
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/tavik/" + name;
}

}  // namespace

QString registryFile(Hive hive) {
  return hive == Hive::LocalMachine
             ? fileFromEnvironment("TAVIK_REGISTRY_MACHINE", "registry-machine.ini")
             : fileFromEnvironment("TAVIK_REGISTRY_USER", "registry-user.ini");
}

int openKey(Hive hive, const QString& path, RegistryKey* key) {
  *key = RegistryKey{};
  const QStringList parts = partsOf(path);
  bool exists = holdsFolderValues(hive, parts);
  if (!exists) {
    QSettings s(registryFile(hive), QSettings::IniFormat);
    resolveKey(s, parts, &exists);
  }
  if (!exists) return RegistryNotFound;
  *key = RegistryKey{hive, path, true};
  return RegistryOk;
}

int createKey(Hive hive, const QString& path, RegistryKey* key) {
  *key = RegistryKey{};
  QSettings s(registryFile(hive), QSettings::IniFormat);
  if (!s.isWritable()) return RegistryAccessDenied;
  *key = RegistryKey{hive, path, true};
  return RegistryOk;
}

void closeKey(RegistryKey* key) { *key = RegistryKey{}; }

int queryValue(const RegistryKey& key, const QString& valueName, QString* value, int* size) {
  value->clear();
  if (!key.open) return RegistryBadHandle;
  QSettings s(registryFile(key.hive), QSettings::IniFormat);
  const QString keyPath = resolveKey(s, partsOf(key.path), nullptr);
  const QString stored = resolveValue(s, keyPath, valueName);
  QString text;
  if (!stored.isEmpty()) {
    const QVariant v = s.value(keyPath.isEmpty() ? stored : keyPath + '/' + stored);
    // An unquoted comma in a hand-edited file makes QSettings read a list.
    text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(',') : v.toString();
  } else {
    bool found = false;
    if (!conventionalFolderValue(key.hive, partsOf(key.path), valueName, &text, &found) || !found)
      return RegistryNotFound;
  }
  const qsizetype room = std::max(0, *size - 1);
  *size = int(std::min<qsizetype>(text.size() + 1, std::numeric_limits<int>::max()));
  if (text.size() > room) {
    *value = text.left(room);
    return RegistryMoreData;
  }
  *value = text;
  return RegistryOk;
}

QString readValue(Hive hive, const QString& path, const QString& valueName, int size) {
  RegistryKey key;
  openKey(hive, path, &key);
  QString value;
  queryValue(key, valueName, &value, &size);
  closeKey(&key);
  while (value.endsWith(' ')) value.chop(1);
  return value;
}

int setValue(const RegistryKey& key, const QString& valueName, const QString& value) {
  if (!key.open) return RegistryBadHandle;
  QSettings s(registryFile(key.hive), QSettings::IniFormat);
  if (!s.isWritable()) return RegistryAccessDenied;
  const QString keyPath = resolveKey(s, partsOf(key.path), nullptr);
  QString name = resolveValue(s, keyPath, valueName);
  if (name.isEmpty()) name = valueName;
  s.setValue(keyPath.isEmpty() ? name : keyPath + '/' + name, value);
  return written(s);
}

int deleteValue(const RegistryKey& key, const QString& valueName) {
  if (!key.open) return RegistryBadHandle;
  QSettings s(registryFile(key.hive), QSettings::IniFormat);
  const QString keyPath = resolveKey(s, partsOf(key.path), nullptr);
  const QString name = resolveValue(s, keyPath, valueName);
  if (name.isEmpty()) return RegistryNotFound;
  if (!s.isWritable()) return RegistryAccessDenied;
  s.remove(keyPath.isEmpty() ? name : keyPath + '/' + name);
  return written(s);
}

int deleteKey(Hive hive, const QString& path) {
  const QStringList parts = partsOf(path);
  if (parts.isEmpty()) return RegistryAccessDenied;  // the hive itself cannot be deleted
  QSettings s(registryFile(hive), QSettings::IniFormat);
  bool exists = false;
  const QString keyPath = resolveKey(s, parts, &exists);
  if (!exists) return RegistryNotFound;
  if (!s.isWritable()) return RegistryAccessDenied;
  s.remove(keyPath);
  return written(s);
}

}  // namespace platform
