#include "platform/ScriptHost.h"

#include "platform/Access.h"
#include "platform/FileHandle.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

namespace {

struct Shortcut {
  QString file, target, workingFolder, icon, description;
};

struct Run {
  QString desktop;  // strDesktop
  std::optional<Shortcut> link;
  bool ignoreErrors = false;
  bool failed = false;
};

QString specialFolder(const QString& name) {
  if (name == "AllUsersPrograms") return shellFolder("Common Programs");
  if (name == "Programs") return shellFolder("Programs");
  if (name == "AllUsersDesktop") return shellFolder("Common Desktop");
  if (name == "Desktop") return shellFolder("Desktop");
  return {};
}

// A value of a desktop entry: the escapes of the freedesktop string type.
QString entryText(QString s) {
  return s.replace('\\', "\\\\").replace('\n', "\\n").replace('\t', "\\t").replace('\r', "\\r");
}

// An argument of the Exec key: quoted, with its reserved characters escaped.
QString execArgument(QString s) {
  QString quoted;
  for (const QChar c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return entryText('"' + quoted + '"');
}

bool save(const Shortcut& s) {
  if (QFileInfo(QDir::fromNativeSeparators(s.file)).fileName().startsWith('.')) return false;
  QSaveFile f(QDir::fromNativeSeparators(s.file));
  if (!f.open(QIODevice::WriteOnly)) return false;
  QString text = "[Desktop Entry]\nType=Application\nName=Tavik\n";
  if (!s.description.isEmpty()) text += "Comment=" + entryText(s.description) + "\n";
  text += "Exec=" + execArgument(QDir::fromNativeSeparators(s.target)) + "\n";
  if (!s.workingFolder.isEmpty()) text += "Path=" + entryText(QDir::fromNativeSeparators(s.workingFolder)) + "\n";
  if (!s.icon.isEmpty()) text += "Icon=" + entryText(QDir::fromNativeSeparators(s.icon)) + "\n";
  text += "Terminal=false\n";
  f.write(text.toUtf8());
  if (!f.commit()) return false;
  // Desktops start only launchers that are marked as programs.
  return makeExecutable(s.file) == 0;
}

// The program file that a Windows program name ("P/Tavik.exe") stands for.
QString programFile(QString name) {
  if (name.endsWith(".exe", Qt::CaseInsensitive)) name = name.chopped(4) + programExtension();
  return name;
}

// The icon beside the program that an icon location ("P/Tavik, 0") names.
QString iconOf(const QString& location) {
  QString file = location;
  file.remove(QRegularExpression(",\\s*\\d+$"));
  const QFileInfo info(QDir::fromNativeSeparators(file.trimmed()));
  return QDir::toNativeSeparators(info.dir().filePath(info.completeBaseName() + ".png"));
}

using Action = std::function<bool(Run&, const QRegularExpressionMatch&)>;

struct Statement {
  QRegularExpression pattern;
  Action action;
};

bool nothing(Run&, const QRegularExpressionMatch&) { return true; }

bool onLink(Run& r, const std::function<void(Shortcut&)>& set) {
  if (!r.link) return false;
  set(*r.link);
  return true;
}

const std::vector<Statement>& statements() {
  static const std::vector<Statement> list = [] {
    std::vector<Statement> s;
    auto add = [&](const char* pattern, Action a) {
      s.push_back({QRegularExpression(QString("^") + pattern + "$", QRegularExpression::CaseInsensitiveOption), a});
    };
    add(R"re(set WshShell = WScript\.CreateObject\("WScript\.Shell"\))re", nothing);
    add(R"re(strDesktop = WshShell\.SpecialFolders\("(\w+)"\))re", [](Run& r, const QRegularExpressionMatch& m) {
      r.desktop = specialFolder(m.captured(1));
      return true;
    });
    add(R"re(if strDesktop = "" then strDesktop = WshShell\.SpecialFolders\("(\w+)"\))re",
        [](Run& r, const QRegularExpressionMatch& m) {
          if (r.desktop.isEmpty()) r.desktop = specialFolder(m.captured(1));
          return true;
        });
    add(R"re(set oShellLink = WshShell\.CreateShortcut\(strDesktop & "\\([^"\\/]+\.lnk)"\))re",
        [](Run& r, const QRegularExpressionMatch& m) {
          if (r.desktop.isEmpty()) return false;
          r.link = Shortcut{shortcutFile(r.desktop, m.captured(1)), {}, {}, {}, {}};
          return true;
        });
    add(R"re(oShellLink\.TargetPath = "([^"]*)")re", [](Run& r, const QRegularExpressionMatch& m) {
      return onLink(r, [&](Shortcut& l) { l.target = programFile(m.captured(1)); });
    });
    add(R"re(oShellLink\.WindowStyle = \d+)re", nothing);
    add(R"re(oShellLink\.IconLocation = "([^"]*)")re", [](Run& r, const QRegularExpressionMatch& m) {
      return onLink(r, [&](Shortcut& l) { l.icon = iconOf(m.captured(1)); });
    });
    add(R"re(oShellLink\.Description = "([^"]*)")re", [](Run& r, const QRegularExpressionMatch& m) {
      return onLink(r, [&](Shortcut& l) { l.description = m.captured(1); });
    });
    add(R"re(oShellLink\.WorkingDirectory = "([^"]*)")re", [](Run& r, const QRegularExpressionMatch& m) {
      return onLink(r, [&](Shortcut& l) { l.workingFolder = m.captured(1); });
    });
    add(R"re(oShellLink\.Save)re", [](Run& r, const QRegularExpressionMatch&) { return r.link && save(*r.link); });
    add(R"re(on error resume next)re", [](Run& r, const QRegularExpressionMatch&) {
      r.ignoreErrors = true;
      return true;
    });
    add(R"re(set obj = GetObject\("winmgmts://"\))re", nothing);
    add(R"re(if err=0 then)re", nothing);
    add(R"re(set result = obj\.ExecQuery\("select Name,SID from WIN32_Group"\))re", nothing);
    add(R"re(for each it in result)re", nothing);
    add(R"re(if it\.sid="S-1-5-32-545" then)re", nothing);
    // The local users group gets change access: cacls "<folder>" /e /g <group>:c
    add(R"re(WshShell\.Run\("cacls ""([^"]*)"" /e /g "&it\.name&":c"\),0,TRUE)re",
        [](Run&, const QRegularExpressionMatch& m) { return grantUsersChange(m.captured(1)) == 0; });
    add(R"re(exit for)re", nothing);
    add(R"re(end if)re", nothing);
    add(R"re(next)re", nothing);
    return s;
  }();
  return list;
}

}  // namespace

bool runScriptHost(const QStringList& arguments) {
  if (qEnvironmentVariable("TAVIK_SCRIPT_HOST") == "missing") return false;
  QString script;
  for (const QString& a : arguments) {
    if (a.startsWith("//")) continue;  // the host's own options
    if (!script.isEmpty()) return false;
    script = a;
  }
  if (script.isEmpty()) return false;
  QFile f(QDir::fromNativeSeparators(script));
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");

  // Every line must be a statement the host knows before any of them runs.
  std::vector<std::pair<const Statement*, QRegularExpressionMatch>> program;
  for (const QString& line : lines) {
    const QString text = line.trimmed();
    if (text.isEmpty()) continue;
    const Statement* found = nullptr;
    QRegularExpressionMatch match;
    for (const Statement& s : statements()) {
      match = s.pattern.match(text);
      if (match.hasMatch()) {
        found = &s;
        break;
      }
    }
    if (!found) return false;
    program.emplace_back(found, match);
  }
  Run run;
  for (const auto& [statement, match] : program)
    if (!statement->action(run, match) && !run.ignoreErrors) break;
  return true;
}

}  // namespace platform
