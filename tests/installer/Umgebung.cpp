#include "tests/installer/Umgebung.h"

#include "installer/Installieren.h"
#include "platform/CommandLine.h"
#include "platform/Registry.h"
#include "runtime/window/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace installer_test {

QByteArray lesen(const QString& datei) {
  QFile f(datei);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void schreiben(const QString& datei, const QByteArray& inhalt) {
  QFile f(datei);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(inhalt);
}

QStringList abgeschnitteneTexte(QWidget* fenster) {
  QStringList cut;
  const auto melden = [&](QWidget* w, const QString& text, const QRect& platz) {
    const QFontMetrics fm(w->font());
    const QRect imFenster(w->mapTo(fenster, platz.topLeft()), platz.size());
    const int breite = std::min(platz.width(), fenster->width() - imFenster.x());
    const int hoehe = std::min(platz.height(), fenster->height() - imFenster.y());
    if (fm.horizontalAdvance(text) > breite)
      cut << text + ": " + QString::number(fm.horizontalAdvance(text) - breite) + " px too narrow";
    if (fm.height() > hoehe) cut << text + ": " + QString::number(fm.height() - hoehe) + " px too low";
  };
  for (QLabel* l : fenster->findChildren<QLabel*>())
    if (l->isVisibleTo(fenster) && !l->text().isEmpty()) melden(l, l->text(), l->contentsRect());
  for (QPushButton* b : fenster->findChildren<QPushButton*>()) {
    if (!b->isVisibleTo(fenster) || b->text().isEmpty()) continue;
    QStyleOptionButton option;
    option.initFrom(b);
    melden(b, QString(b->text()).remove('&'), b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b));
  }
  return cut;
}

void bildSpeichern(QWidget* fenster, const QString& name) {
  const QString ordner = qEnvironmentVariable("TAVIK_SCREENSHOTS");
  if (!ordner.isEmpty()) {
    EXPECT_TRUE(fenster->grab().save(QDir(ordner).filePath(name + ".png")));
  }
}

QByteArray startmarkeProgramm() { return "#!/bin/sh\necho ja > gestartet\n"; }

namespace {
const char* const kEintrag = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavik";
const char* const kVariablen[] = {"TAVIK_FOLDER_PROGRAMFILES", "TAVIK_FOLDER_COMMON_APPDATA", "TAVIK_FOLDER_PROGRAMS",
                                  "TAVIK_FOLDER_COMMON_PROGRAMS", "TAVIK_FOLDER_DESKTOP", "TAVIK_FOLDER_COMMON_DESKTOP",
                                  "TAVIK_WINDOWS_FOLDER", "TAVIK_REGISTRY_MACHINE", "TAVIK_REGISTRY_USER",
                                  "TAVIK_SCRIPT_HOST"};
}

// Short folder names: the shortcut script holds the program folder six times in 1,400 characters.
Wurzel::Wurzel() : dir_(QDir::tempPath() + "/ti-XXXXXX") {}
QString Wurzel::path() const { return dir_.path(); }
QString Wurzel::file(const QString& name) const { return dir_.path() + "/" + name; }

Umgebung::Umgebung() {
  const QString w = wurzel.path();
  programme = w + "/P";
  appdata = w + "/A";
  menue = w + "/Menue";
  desktop = w + "/Desktop";
  windows = w + "/Windows";
  installer = w + "/install_tavik";
  for (const QString& d : {programme, appdata, menue, desktop, windows}) QDir().mkpath(d);
  qputenv("TAVIK_FOLDER_PROGRAMFILES", programme.toUtf8());
  qputenv("TAVIK_FOLDER_COMMON_APPDATA", appdata.toUtf8());
  qunsetenv("TAVIK_FOLDER_PROGRAMS");
  qunsetenv("TAVIK_FOLDER_DESKTOP");
  qputenv("TAVIK_FOLDER_COMMON_PROGRAMS", menue.toUtf8());
  qputenv("TAVIK_FOLDER_COMMON_DESKTOP", desktop.toUtf8());
  qputenv("TAVIK_WINDOWS_FOLDER", windows.toUtf8());
  qputenv("TAVIK_REGISTRY_MACHINE", (w + "/machine.ini").toUtf8());
  qputenv("TAVIK_REGISTRY_USER", (w + "/user.ini").toUtf8());
  qunsetenv("TAVIK_SCRIPT_HOST");
  platform::setCommandLineForTesting("");
  gespeichert[0] = startmarkeProgramm();
  gespeichert[2] = "#!/bin/sh\n# uninstall\n";
  gespeichert[3] = "%PDF-1.4 manual\n";
}

Umgebung::~Umgebung() {
  for (const char* v : kVariablen) qunsetenv(v);
  QDir::setCurrent(QDir::tempPath());
}

void Umgebung::bauen(const std::string& name) {
  std::array<std::string, packen::kSlots> dateien;
  for (int i = 0; i < packen::kSlots; ++i) {
    if (gespeichert[i].isNull()) continue;
    const QString datei = wurzel.file("slot" + QString::number(i + 1));
    schreiben(datei, gespeichert[i]);
    dateien[i] = datei.toStdString();
  }
  const QString programm = wurzel.file("programm");
  schreiben(programm, QByteArray(700, 'P'));
  packen::Packen(installer.toStdString(), programm.toStdString(), dateien, name);
  platform::setOwnProgramForTesting(installer);
}

QString Umgebung::registerWert(const QString& name) const {
  return platform::readValue(platform::Hive::LocalMachine, kEintrag, name, 16384);
}

void Umgebung::deinstallationEintragen(const QString& befehl) {
  platform::RegistryKey key;
  platform::createKey(platform::Hive::LocalMachine, kEintrag, &key);
  platform::setValue(key, "UnInstallString", befehl);
  platform::closeKey(&key);
}

void Umgebung::programmeImRegister(const QString& ordner) {
  platform::RegistryKey key;
  platform::createKey(platform::Hive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", &key);
  platform::setValue(key, "ProgramFilesDir", ordner);
}

namespace {
// The message box or folder dialog that waits for an answer: modal, or run beside its window.
QWidget* offenerDialog() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && (qobject_cast<QMessageBox*>(w) || qobject_cast<QFileDialog*>(w))) return w;
  return nullptr;
}
}  // namespace

Treiber::Treiber() {
  timer_.setInterval(5);
  QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
  timer_.start();
  uhr_.start();
}

Treiber::~Treiber() { timer_.stop(); }

namespace {
bool bereit(int feld) {
  rt::win::Window* w = rt::win::findWindow("$WIN");
  QWidget* k = w ? w->widget(feld) : nullptr;
  return k && k->isVisible() && k->isEnabled() && !offenerDialog();
}
}  // namespace

void Treiber::klicke(int feld) {
  schritt([feld] { return bereit(feld); },
          [feld] { QTest::mouseClick(rt::win::findWindow("$WIN")->widget(feld), Qt::LeftButton); });
}

void Treiber::installiereUndSchliesse() {
  klicke(FELD_INSTALLATIONSTARTEN);
  schritt([] { return !rt::win::findWindow("$WIN")->isHidden(FELD_ERFOLG); },
          [] { rt::win::findWindow("$WIN")->topWidget()->close(); });
}

void Treiber::enterFuer(int feld) {
  schritt([feld] { return bereit(feld); },
          [] {
            // The user types into the window in front, which the desktop has made the active one.
            QWidget* fenster = rt::win::findWindow("$WIN")->topWidget();
            fenster->activateWindow();
            if (!QTest::qWaitForWindowActive(fenster)) ADD_FAILURE() << "the installer window is not active";
            QWidget* fokus = QApplication::focusWidget();
            QTest::keyClick(fokus && fenster->isAncestorOf(fokus) ? fokus : fenster, Qt::Key_Return);
          });
}

QStringList Treiber::texte() const {
  QStringList t;
  for (const Box& b : boxen_) t << (b.titel.isEmpty() ? b.text : b.titel + ": " + b.text);
  return t;
}

void Treiber::tick() {
  QWidget* modal = offenerDialog();
  // A step that never becomes ready, or an installer that does not end after the last step, fails
  // the test instead of leaving the installer waiting.
  rt::win::Window* installer = rt::win::findWindow("$WIN");
  if ((!schritte_.empty() || installer) && uhr_.elapsed() > 30000) {
    if (!abgebrochen_) ADD_FAILURE() << "the installer did not end; steps left undone: " << schritte_.size();
    abgebrochen_ = true;
    schritte_.clear();
    if (modal) modal->close();
    if (installer) installer->topWidget()->close();
    return;
  }
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    if (box->property("beantwortet").toBool()) return;
    box->setProperty("beantwortet", true);
    boxen_.append({box->windowTitle(), box->text()});
    bildSpeichern(box, "nachricht-" + QString::number(boxen_.size()));
    const QString knopf = antworten_.empty() ? QString() : antworten_.front();
    if (!antworten_.empty()) antworten_.pop_front();
    QAbstractButton* ziel = box->defaultButton();
    for (QAbstractButton* b : box->buttons())
      if (!knopf.isEmpty() && b->text() == knopf) ziel = b;
    if (ziel) QTest::mouseClick(ziel, Qt::LeftButton);
    return;
  }
  if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
    if (dialog->property("beantwortet").toBool()) return;
    dialog->setProperty("beantwortet", true);
    ordnerdialogStart = dialog->directory().absolutePath();
    bildSpeichern(dialog, "ordnerdialog");
    const QString ordner = ordner_.empty() ? QString() : ordner_.front();
    if (!ordner_.empty()) ordner_.pop_front();
    if (ordner.isEmpty()) {
      ++ordnerdialoge_;
      QTest::keyClick(dialog, Qt::Key_Escape);
      return;
    }
    auto* eingabe = dialog->findChild<QLineEdit*>("fileNameEdit");
    // The completion list would take the typed keys before the field does; the path is typed whole.
    eingabe->setCompleter(nullptr);
    eingabe->setFocus();
    // The dialog reads the folders it is typed into on a thread of its own; when a folder's list
    // arrives while the user types, it may rewrite the field with its selection ("/" "tmp"). A user
    // then types the path again, and so does the test, a few times at most.
    for (int versuch = 0; versuch < 5 && eingabe->text() != ordner; ++versuch) {
      eingabe->selectAll();
      QTest::keyClicks(eingabe, ordner);
      (void)QTest::qWaitFor([&] { return eingabe->text() == ordner; }, 2000);
      QTest::qWait(100);
    }
    if (eingabe->text() != ordner) ADD_FAILURE() << "folder dialog shows " << eingabe->text().toStdString();
    ++ordnerdialoge_;
    // Chosen with the dialog's button: Return would first take the completion list's entry.
    auto* knoepfe = dialog->findChild<QDialogButtonBox*>("buttonBox");
    QTest::mouseClick(knoepfe->button(QDialogButtonBox::Open), Qt::LeftButton);
    return;
  }
  if (modal || schritte_.empty() || !schritte_.front().bereit()) return;
  const auto tun = schritte_.front().tun;
  schritte_.pop_front();
  tun();
}

}  // namespace installer_test
