#pragma once
// Files opened by handle, with the share modes of the Windows calls they stand in for (advisory
// locks, see FileLock.h), and directory searches by name. Results are the codes of Files.h.

#include <QString>
#include <cstdint>

namespace platform {

// Creates the file for writing, replacing and emptying an existing one, shared with nobody. A file
// that another process holds, or a program that is running, cannot be created (FileAccessDenied).
// `*handle` becomes a number greater than 0, or 0 on failure.
int createFile(const QString& path, std::int32_t* handle);
// Opens an existing file for reading; others may read it at the same time.
int openFileForReading(const QString& path, std::int32_t* handle);
// Reads up to `count` bytes at `offset` from the start of the file: the number of bytes read, 0 at
// the end of the file, -1 on a read error.
std::int64_t readFileAt(std::int32_t handle, std::int64_t offset, char* buffer, std::int64_t count);
// Writes all `count` bytes at the current position: the number written, -1 on a write error.
std::int64_t writeFile(std::int32_t handle, const char* buffer, std::int64_t count);
// Closes the handle; FileOk, or the code of a write that failed on closing.
int closeFile(std::int32_t handle);

// The size of the file or folder entry of that name, or -1 when there is none.
std::int64_t entrySize(const QString& path);
// Whether a file or folder of that name exists.
bool entryExists(const QString& path);

// Marks the file as a program that may be started (nothing to do where files carry no such mark).
int makeExecutable(const QString& path);
// What a program file's name ends in: ".exe" on Windows, "" here.
QString programExtension();

}  // namespace platform
