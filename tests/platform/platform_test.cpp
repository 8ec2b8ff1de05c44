// The registry store, the standard folders and the file steps of the platform layer.

#include "platform/FileSteps.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;
using testing_support::TempFolder;

namespace {

const QString kShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const QString kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const QString kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavik";

const char* const kVariables[] = {
    "TAVIK_REGISTRY_MACHINE",      "TAVIK_REGISTRY_USER",         "TAVIK_FOLDER_COMMON_APPDATA",
    "TAVIK_FOLDER_PERSONAL",       "TAVIK_FOLDER_DESKTOP",        "TAVIK_FOLDER_COMMON_DESKTOP",
    "TAVIK_FOLDER_PROGRAMS",       "TAVIK_FOLDER_COMMON_PROGRAMS", "TAVIK_FOLDER_PROGRAMFILES",
};

QString query(Hive hive, const QString& path, const QString& name, int* code, int size = 190) {
  RegistryKey key;
  *code = openKey(hive, path, &key);
  if (*code) return "<no key>";
  QString value;
  *code = queryValue(key, name, &value, &size);
  closeKey(&key);
  return value;
}

int set(Hive hive, const QString& path, const QString& name, const QString& value) {
  RegistryKey key;
  if (const int code = createKey(hive, path, &key)) return code;
  const int code = setValue(key, name, value);
  closeKey(&key);
  return code;
}

// Every test starts with both hives in fresh files of its own and no folder variable set, and
// leaves the environment as it found it.
class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : kVariables)
      if (qEnvironmentVariableIsSet(v)) saved_[v] = qgetenv(v);
    for (const char* v : kVariables) qunsetenv(v);
    qputenv("TAVIK_REGISTRY_MACHINE", tmp_.file("reg/machine.ini").toUtf8());
    qputenv("TAVIK_REGISTRY_USER", tmp_.file("reg/user.ini").toUtf8());
  }
  void TearDown() override {
    for (const char* v : kVariables) qunsetenv(v);
    for (const auto& [name, value] : saved_) qputenv(name.c_str(), value);
  }

  TempFolder tmp_;

 private:
  std::map<std::string, QByteArray> saved_;
};

TEST_F(Platform, StoreKeepsValuesWithKeysAndNamesIgnoringCase) {
  const QString command = "/home/anna/Programme/Tavik Neu/Tavik /UnInstall Path1=/x, y Path2=ä €";
  RegistryKey key;
  ASSERT_EQ(createKey(Hive::LocalMachine, kUninstall, &key), RegistryOk);
  EXPECT_EQ(setValue(key, "DisplayName", "Tavik"), RegistryOk);
  EXPECT_EQ(setValue(key, "UnInstallString", command), RegistryOk);
  closeKey(&key);
  EXPECT_TRUE(QFileInfo::exists(tmp_.file("reg/machine.ini")));
  EXPECT_FALSE(QFileInfo::exists(tmp_.file("reg/user.ini")));

  int code = -1;
  const QString lower = kUninstall.toLower();
  EXPECT_EQ(query(Hive::LocalMachine, lower, "displayname", &code), "Tavik");
  EXPECT_EQ(code, RegistryOk);
  EXPECT_EQ(query(Hive::LocalMachine, kUninstall.toUpper(), "UNINSTALLSTRING", &code), command);
  EXPECT_EQ(code, RegistryOk);
  query(Hive::CurrentUser, kUninstall, "DisplayName", &code);
  EXPECT_EQ(code, RegistryNotFound) << "the user's hive is a store of its own";
  EXPECT_EQ(query(Hive::LocalMachine, kUninstall, "Publisher", &code), "");
  EXPECT_EQ(code, RegistryNotFound);

  // Writing under another spelling replaces the value instead of adding a second one.
  EXPECT_EQ(set(Hive::LocalMachine, lower, "DISPLAYNAME", "Tavik 2"), RegistryOk);
  EXPECT_EQ(query(Hive::LocalMachine, kUninstall, "DisplayName", &code), "Tavik 2");
  {
    QSettings ini(tmp_.file("reg/machine.ini"), QSettings::IniFormat);
    ini.beginGroup("SOFTWARE/Microsoft/Windows/CurrentVersion/Uninstall/Tavik");
    EXPECT_EQ(ini.childKeys(), QStringList({"DisplayName", "UnInstallString"}));
  }

  ASSERT_EQ(openKey(Hive::LocalMachine, lower, &key), RegistryOk);
  EXPECT_EQ(deleteValue(key, "displayNAME"), RegistryOk);
  EXPECT_EQ(deleteValue(key, "DisplayName"), RegistryNotFound);
  QString value;
  int size = 190;
  EXPECT_EQ(queryValue(key, "DisplayName", &value, &size), RegistryNotFound);
  EXPECT_EQ(queryValue(key, "UnInstallString", &value, &size), RegistryOk);
  closeKey(&key);
  EXPECT_EQ(queryValue(key, "UnInstallString", &value, &size), RegistryBadHandle);
  EXPECT_EQ(setValue(key, "X", "y"), RegistryBadHandle);

  // A key goes with all its values; its neighbours stay.
  EXPECT_EQ(set(Hive::LocalMachine, kCurrentVersion + "\\Uninstall\\Other", "DisplayName", "O"),
            RegistryOk);
  EXPECT_EQ(deleteKey(Hive::LocalMachine, kUninstall.toUpper()), RegistryOk);
  EXPECT_EQ(openKey(Hive::LocalMachine, kUninstall, &key), RegistryNotFound);
  EXPECT_EQ(deleteKey(Hive::LocalMachine, kUninstall), RegistryNotFound);
  EXPECT_EQ(query(Hive::LocalMachine, kCurrentVersion + "\\Uninstall\\Other", "DisplayName", &code),
            "O");
}

TEST_F(Platform, QueryCutsTheValueToTheBuffer) {
  const QString long200 = QString(200, QChar('x'));
  struct Case {
    QString stored;
    int size;
    int code;
    QString value;
    int sizeAfter;
  } cases[] = {
      {"abc", 4, RegistryOk, "abc", 4},
      {"abc", 3, RegistryMoreData, "ab", 4},
      {"abc", 0, RegistryMoreData, "", 4},
      {"", 1, RegistryOk, "", 1},
      {"Ä€ß", 3, RegistryMoreData, "Ä€", 4},
      {long200, 190, RegistryMoreData, long200.left(189), 201},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.left(10).toStdString() + " in " + std::to_string(c.size));
    ASSERT_EQ(set(Hive::CurrentUser, "Software\\Test", "V", c.stored), RegistryOk);
    RegistryKey key;
    ASSERT_EQ(openKey(Hive::CurrentUser, "Software\\Test", &key), RegistryOk);
    QString value = "old";
    int size = c.size;
    EXPECT_EQ(queryValue(key, "V", &value, &size), c.code);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(size, c.sizeAfter);
  }
}

int writeValueChild(const QStringList& args) {
  return set(Hive::LocalMachine, args.value(0), args.value(1), args.value(2));
}
TAVIK_CHILD_MODE("write-value", writeValueChild);

// The installer writes the entry in its own process; a program already running reads it afterwards.
TEST_F(Platform, ValueWrittenByAnotherProcessIsRead) {
  ASSERT_EQ(set(Hive::LocalMachine, kUninstall, "DisplayName", "Tavik"), RegistryOk);
  int code = -1;
  ASSERT_EQ(query(Hive::LocalMachine, kUninstall, "DisplayName", &code), "Tavik");

  QProcess child;
  child.start(testing_support::selfPath(),
              {"--child=write-value", kUninstall.toLower(), "displayname", "Tavik!"});
  ASSERT_TRUE(child.waitForFinished(30000));
  ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();

  EXPECT_EQ(query(Hive::LocalMachine, kUninstall, "DisplayName", &code), "Tavik!");
  EXPECT_EQ(code, RegistryOk);
}

TEST_F(Platform, StoreThatCannotBeWrittenGivesAccessDenied) {
  // A regular file in place of the store's folder: no one, not even root, can create the store.
  QFile blocker(tmp_.file("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("TAVIK_REGISTRY_MACHINE", tmp_.file("blocker/machine.ini").toUtf8());
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", tmp_.file("data").toUtf8());

  RegistryKey key;
  EXPECT_EQ(createKey(Hive::LocalMachine, kUninstall, &key), RegistryAccessDenied);
  ASSERT_EQ(openKey(Hive::LocalMachine, kShellFolders, &key), RegistryOk);
  EXPECT_EQ(setValue(key, "Common AppData", "/elsewhere"), RegistryAccessDenied);
  QString value;
  int size = 190;
  EXPECT_EQ(queryValue(key, "Common AppData", &value, &size), RegistryOk);
  EXPECT_EQ(value, tmp_.file("data"));
}

TEST_F(Platform, ShellFoldersComeFromStoreVariableOrConvention) {
  const QString home = qEnvironmentVariable("HOME");
  const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  ASSERT_TRUE(home.startsWith(QDir::tempPath())) << "tests run in a redirected home";
  struct Case {
    QString name;
    Hive hive;
    QString key;
    const char* variable;
    QString convention;
  } cases[] = {
      {"Common AppData", Hive::LocalMachine, kShellFolders, "TAVIK_FOLDER_COMMON_APPDATA",
       dataHome},
      {"Personal", Hive::CurrentUser, kShellFolders, "TAVIK_FOLDER_PERSONAL", home + "/Documents"},
      {"Desktop", Hive::CurrentUser, kShellFolders, "TAVIK_FOLDER_DESKTOP", home + "/Desktop"},
      {"Common Desktop", Hive::LocalMachine, kShellFolders, "TAVIK_FOLDER_COMMON_DESKTOP",
       home + "/Desktop"},
      {"Programs", Hive::CurrentUser, kShellFolders, "TAVIK_FOLDER_PROGRAMS",
       dataHome + "/applications"},
      {"Common Programs", Hive::LocalMachine, kShellFolders, "TAVIK_FOLDER_COMMON_PROGRAMS",
       dataHome + "/applications"},
      {"ProgramFilesDir", Hive::LocalMachine, kCurrentVersion, "TAVIK_FOLDER_PROGRAMFILES",
       home + "/.local/opt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    const Hive other = c.hive == Hive::LocalMachine ? Hive::CurrentUser : Hive::LocalMachine;
    int code = -1;

    // By convention; the folder exists afterwards, as it always does on Windows.
    QDir(c.convention).removeRecursively();
    EXPECT_EQ(shellFolder(c.name), c.convention);
    EXPECT_TRUE(QFileInfo(c.convention).isDir());
    EXPECT_EQ(shellFolder(c.name.toLower()), c.convention);
    EXPECT_EQ(query(c.hive, c.key.toLower(), c.name.toUpper(), &code), c.convention);
    EXPECT_EQ(code, RegistryOk);
    query(other, c.key, c.name, &code);
    EXPECT_NE(code, RegistryOk) << "answered only in the hive Windows keeps it in";

    // Redirected by its variable, which names a folder of the test.
    const QString redirected = tmp_.file(QString(c.variable).toLower());
    qputenv(c.variable, (redirected + "/").toUtf8());
    EXPECT_EQ(shellFolder(c.name), redirected);
    EXPECT_TRUE(QFileInfo(redirected).isDir());
    EXPECT_EQ(query(c.hive, c.key, c.name, &code), redirected);

    // The variable set empty: no such value, through both roads.
    qputenv(c.variable, "");
    EXPECT_EQ(shellFolder(c.name), "");
    RegistryKey key;
    EXPECT_EQ(openKey(c.hive, c.key, &key), RegistryOk) << "the key exists all the same";
    EXPECT_EQ(query(c.hive, c.key, c.name, &code), "");
    EXPECT_EQ(code, RegistryNotFound);

    // A value in the store answers before the variable and the convention.
    qputenv(c.variable, redirected.toUtf8());
    ASSERT_EQ(set(c.hive, c.key, c.name, "/stored/" + c.name), RegistryOk);
    EXPECT_EQ(shellFolder(c.name), "/stored/" + c.name);
    ASSERT_EQ(deleteKey(c.hive, c.key), RegistryOk);
    EXPECT_EQ(shellFolder(c.name), redirected);
    qunsetenv(c.variable);
  }
  EXPECT_EQ(shellFolder("AppData"), "") << "not one of the folders the programs read";

  // The common folders follow the user's folders of their kind unless redirected themselves.
  qputenv("TAVIK_FOLDER_DESKTOP", tmp_.file("desk").toUtf8());
  qputenv("TAVIK_FOLDER_PROGRAMS", "");
  EXPECT_EQ(shellFolder("Common Desktop"), tmp_.file("desk"));
  EXPECT_EQ(shellFolder("Common Programs"), "");
  qputenv("TAVIK_FOLDER_COMMON_PROGRAMS", tmp_.file("menu").toUtf8());
  EXPECT_EQ(shellFolder("Common Programs"), tmp_.file("menu"));
}

TEST_F(Platform, SeparatorAndDriveRoot) {
  EXPECT_EQ(separator(), "/");
  EXPECT_EQ(driveRoot("/home/anna/.local/opt/Tavik"), "/");
  EXPECT_EQ(driveRoot("Tavik"), "/");
}

TEST_F(Platform, DeleteFileGivesTheWindowsCodes) {
  QDir().mkpath(tmp_.file("folder"));
  const QString existing = tmp_.file("Start.inf");
  const QString readOnlyFolder = tmp_.file("locked");
  QDir().mkpath(readOnlyFolder);
  QFile(existing).open(QIODevice::WriteOnly);
  QFile(readOnlyFolder + "/Start.inf").open(QIODevice::WriteOnly);
  QFile::setPermissions(readOnlyFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  struct Case {
    QString path;
    int code;
    bool existsAfter;
    bool needsNonRoot;
  } cases[] = {
      {existing, FileOk, false, false},
      {existing, FileNotFound, false, false},
      {tmp_.file("missing/Start.inf"), FilePathNotFound, false, false},
      {existing + "/Start.inf", FilePathNotFound, false, false},  // a file where a folder should be
      {tmp_.file("folder"), FileAccessDenied, true, false},
      {readOnlyFolder + "/Start.inf", FileAccessDenied, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    if (c.needsNonRoot && ::getuid() == 0) continue;  // root may delete in a read-only folder
    EXPECT_EQ(deleteFile(c.path), c.code);
    EXPECT_EQ(QFileInfo::exists(c.path), c.existsAfter);
  }
  QFile::setPermissions(readOnlyFolder,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(Platform, FoldersAreMadeAndEntered) {
  QFile(tmp_.file("file")).open(QIODevice::WriteOnly);
  EXPECT_TRUE(fileExists(tmp_.file("file")));
  EXPECT_FALSE(fileExists(tmp_.path()));
  EXPECT_FALSE(fileExists(tmp_.file("none")));

  struct Case {
    bool wholePath;
    QString path;
    int code;
  } cases[] = {
      {false, "Dolmix", FileOk},
      {false, "Dolmix", FileAlreadyExists},
      {false, "none/Tavik", FilePathNotFound},
      {false, "file/Tavik", FilePathNotFound},
      {true, "a/b/c", FileOk},
      {true, "a/b/c/", FileOk},
      {true, "file", FileAlreadyExists},
      {true, "file/x/y", FilePathNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const QString path = tmp_.file(c.path);
    EXPECT_EQ(c.wholePath ? makeFolderPath(path) : makeFolder(path), c.code);
    if (c.code == FileOk) {
      EXPECT_TRUE(QFileInfo(path).isDir());
    }
  }

  const QString before = currentFolder();
  EXPECT_EQ(setCurrentFolder(tmp_.file("none")), FileNotFound);
  EXPECT_EQ(setCurrentFolder(tmp_.file("none/deeper")), FilePathNotFound);
  EXPECT_EQ(setCurrentFolder(tmp_.file("file")), FilePathNotFound);
  EXPECT_EQ(currentFolder(), before);
  EXPECT_EQ(setCurrentFolder(tmp_.file("a/b")), FileOk);
  EXPECT_EQ(currentFolder(), QFileInfo(tmp_.file("a/b")).canonicalFilePath());
  EXPECT_EQ(setCurrentFolder(before), FileOk);
}

}  // namespace

TEST_F(Platform, FilesAreRemovedByExactNameAndAFolderOnlyWhenEmpty) {
  TempFolder t;
  const QString ordner = t.file("Ordner");
  QDir().mkpath(ordner + "/Unterordner");
  for (const char* name : {"Konto.dat", "Konto.dat.alt", "konto.dat", "Tavik.pdf"}) {
    QFile f(ordner + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  QFile ziel(t.file("ziel.pdf"));
  ASSERT_TRUE(ziel.open(QIODevice::WriteOnly));
  ziel.close();
  ASSERT_TRUE(QFile::link(t.file("ziel.pdf"), ordner + "/Verweis.pdf"));
  // Names that are no plain names reach nothing outside; a folder of a given name stays.
  EXPECT_EQ(removeNamedFiles(ordner, {"Konto.dat", "Verweis.pdf", "Unterordner", "../ziel.pdf", "..", "", "fehlt"}), FileOk);
  EXPECT_EQ(QDir(ordner).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList{"Konto.dat.alt", "Tavik.pdf", "Unterordner", "konto.dat"}));
  EXPECT_TRUE(QFile::exists(t.file("ziel.pdf")));
  EXPECT_EQ(removeFolderIfEmpty(ordner), FileFolderNotEmpty);
  EXPECT_EQ(removeFolderIfEmpty(ordner + "/Unterordner"), FileOk);
  EXPECT_EQ(removeFolderIfEmpty(ordner + "/Unterordner"), FileNotFound);
  ASSERT_TRUE(QFile::link(ordner, t.file("Verweis")));
  EXPECT_EQ(removeFolderIfEmpty(t.file("Verweis")), FileAccessDenied);
  EXPECT_TRUE(holdsEntry(t.path(), "Verweis"));
  EXPECT_FALSE(holdsEntry(t.path(), "Verweis/Tavik.pdf"));

  for (const QString& name : QStringList{"Tavik", "Kasse 2", "Bücher"}) EXPECT_TRUE(isPlainName(name)) << name.toStdString();
  for (const QString& name : QStringList{"", ".", "..", "a/b", "a\\b", "a\tb", QString("a") + QChar(0) + "b"})
    EXPECT_FALSE(isPlainName(name)) << name.toStdString();
}

TEST_F(Platform, APrivateFolderIsNewEachTimeAndOnlyItsOwnersToEnter) {
  TempFolder t;
  qputenv("TMPDIR", t.path().toUtf8());
  const QString a = makePrivateFolder(), b = makePrivateFolder();
  qunsetenv("TMPDIR");
  ASSERT_FALSE(a.isEmpty());
  EXPECT_NE(a, b);
  EXPECT_EQ(QFileInfo(a).path(), t.path());
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(a).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // A whole copy lands there; a copy of a missing file makes nothing.
  QFile quelle(t.file("quelle"));
  ASSERT_TRUE(quelle.open(QIODevice::WriteOnly));
  quelle.write("#!/bin/sh\n");
  quelle.close();
  EXPECT_EQ(copyWholeFile(t.file("quelle"), a + "/UnInst.bat"), FileOk);
  EXPECT_EQ(QFile(a + "/UnInst.bat").size(), 10);
  EXPECT_EQ(copyWholeFile(t.file("fehlt"), b + "/UnInst.bat"), FileNotFound);
  EXPECT_EQ(QDir(b).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
}

TEST_F(Platform, AnInstallRecordIsReadOnlyWhenWholeAndPlain) {
  TempFolder t;
  const InstallRecord geschrieben{"/opt/Tavik", "/daten/Tavik", {"Tavik", "UnInst.int"}};
  ASSERT_EQ(writeInstallRecord(t.path(), geschrieben), FileOk);
  InstallRecord gelesen;
  ASSERT_TRUE(readInstallRecord(t.path(), &gelesen));
  EXPECT_EQ(gelesen.programFolder, geschrieben.programFolder);
  EXPECT_EQ(gelesen.dataFolder, geschrieben.dataFolder);
  EXPECT_EQ(gelesen.files, geschrieben.files);
  const QString datei = t.file(installRecordName());
  for (const QByteArray& inhalt : {QByteArray("Programmordner=/opt/Tavik\nDatenordner=/d\nDatei=../x\n"),
                                   QByteArray("Programmordner=/opt/Tavik\nDatei=Tavik\n"),
                                   QByteArray("Programmordner=/opt/Tavik\nDatenordner=/d\nrm -rf\n")}) {
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(inhalt);
    f.close();
    EXPECT_FALSE(readInstallRecord(t.path(), &gelesen)) << inhalt.toStdString();
  }
  // A link in the place of the record is none.
  QFile::remove(datei);
  TempFolder anderer;
  ASSERT_EQ(writeInstallRecord(anderer.path(), geschrieben), FileOk);
  ASSERT_TRUE(QFile::link(anderer.file(installRecordName()), datei));
  EXPECT_FALSE(readInstallRecord(t.path(), &gelesen));
}
