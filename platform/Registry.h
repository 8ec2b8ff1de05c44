#pragma once
// The registry, stood in for by a small store of string values in two INI files: one machine-wide
// (HKEY_LOCAL_MACHINE) and one per user (HKEY_CURRENT_USER). The calls and their error codes have
// the shape of the Windows ones, so that callers read and write values as they would there.
//
// Where the files lie:
//   machine-wide  $TAVIK_REGISTRY_MACHINE, else $XDG_CONFIG_HOME/tavik/registry-machine.ini
//   per user      $TAVIK_REGISTRY_USER,    else $XDG_CONFIG_HOME/tavik/registry-user.ini
// The machine-wide file lies in the user's configuration folder too: an ordinary user cannot write
// below /etc, and the installer and the uninstall run must be able to write their entry.
//
// A key path is written with backslashes ("SOFTWARE\Microsoft\Windows\CurrentVersion"). Key names
// and value names are case-insensitive, as in the registry; a new name keeps the spelling it was
// first written with. A key exists while it holds a value or a sub-key: a key created without
// values is not kept in the file.
//
// The well-known folder values ("Shell Folders" under either hive, "ProgramFilesDir" under
// HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\Windows\CurrentVersion") are answered by the folder
// conventions of ShellFolders.h when the store holds no value of that name, and their keys always
// exist, as they do on every Windows system.

#include <QString>

namespace platform {

enum class Hive {
  LocalMachine,  // HKEY_LOCAL_MACHINE
  CurrentUser,   // HKEY_CURRENT_USER
};

// Error codes of the registry calls, with the numbers Windows gives them.
enum RegistryCode : int {
  RegistryOk = 0,
  RegistryNotFound = 2,      // no such key or value
  RegistryAccessDenied = 5,  // the store's file cannot be written
  RegistryBadHandle = 6,     // the key is not open
  RegistryMoreData = 234,    // the value was cut to the buffer
};

// An open key. Copyable; closing one copy does not close the others.
struct RegistryKey {
  Hive hive = Hive::CurrentUser;
  QString path;  // as given when opened; each call finds it in the store anew
  bool open = false;
};

// Opens an existing key: RegistryOk or RegistryNotFound.
int openKey(Hive hive, const QString& path, RegistryKey* key);
// Opens a key, creating it when missing (it is kept once a value is set in it).
int createKey(Hive hive, const QString& path, RegistryKey* key);
void closeKey(RegistryKey* key);

// Reads a string value into a buffer of `*size` bytes (one byte per character, as in the program's
// Windows-1252 texts), the terminating zero included: a longer value is cut to `*size` - 1
// characters and the result is RegistryMoreData. `*size` becomes the size the whole value needs,
// its terminating zero included. A missing value gives RegistryNotFound and an empty `*value`.
int queryValue(const RegistryKey& key, const QString& valueName, QString* value, int* size);
int setValue(const RegistryKey& key, const QString& valueName, const QString& value);
int deleteValue(const RegistryKey& key, const QString& valueName);
// Opens the key, reads the string value into a buffer of `size` bytes and closes the key again, as
// callers do who take a missing key or value as empty; trailing blanks are removed.
QString readValue(Hive hive, const QString& path, const QString& valueName, int size);
// Deletes the key below the hive with all its values and sub-keys.
int deleteKey(Hive hive, const QString& path);

// The file that holds a hive.
QString registryFile(Hive hive);

}  // namespace platform
