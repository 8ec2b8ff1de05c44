#pragma once
// Access rights of folders.

#include <QString>

namespace platform {

// Gives the local users group change access to the folder (read, write, create and delete; new
// files inherit the group), as a data folder shared by every user of the machine needs. A folder
// inside a user's home folder is that user's own: it is never opened to others (FileAccessDenied).
int grantUsersChange(const QString& folder);

}  // namespace platform
