#pragma once
// The script host "WScript", stood in for by a host that runs exactly the statements of the
// installer's shortcut script and nothing else: it makes shortcuts in the special folders
// ("AllUsersPrograms", "Programs", "AllUsersDesktop", "Desktop") and gives the local users group
// change access to a folder through "cacls". A shortcut "X.lnk" becomes a freedesktop launcher
// "X.desktop" (ShellFolders.h) with the target, working folder, description and the icon file
// beside the target (its name with ".png").
//
// A script with any other statement is not run at all: the host then reports that it could not be
// started, as does a host that is missing. Setting $TAVIK_SCRIPT_HOST to "missing" stands for a
// system without a script host. From "on error resume next" on, failures are ignored; before it,
// the first failure ends the script.

#include <QString>
#include <QStringList>

namespace platform {

// Runs "WScript <arguments>": the options ("//NoLogo") and the script file, named relative to the
// current folder. False when the host could not be started.
bool runScriptHost(const QStringList& arguments);

}  // namespace platform
