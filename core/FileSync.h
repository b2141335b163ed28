#pragma once
// What a writer that must survive a crash needs of the platform beyond
// core/FileIO.h: flushing to disk, replacing renames, removal, and lock
// files whose lock lives as long as their writer.
#include <string>
#include <vector>

#include "core/FileIO.h"

namespace pw {

// The open file's data on disk; "Stream write error" when it cannot be.
void SyncFileData(int fd);
// The folder's names (files made, renamed or removed in it) on disk;
// "Stream write error". An empty folder part is the current folder.
void SyncFolder(const std::string& folder);
// Everything written below the folder (on its file system) on disk;
// "Stream write error".
void SyncFileSystemOf(const std::string& folder);

// Starts writing the open file's data to disk without waiting for it, so
// that a later rename over another file finds nothing left to allocate (ext4
// flushes a file renamed over an existing one inside the rename). Nothing
// where the system has no such call.
void StartWriteBack(int fd);
// Keeps the file under `path`, if any, from being freed while the returned
// File is open: a rename over its name then only unlinks it, and its blocks
// are freed at the close. A closed File where nothing regular stands there,
// and on Windows, where a file held open cannot be replaced.
File HoldFile(const std::string& path);

// Renames `from` to `to`, replacing a file of that name in one step.
// False when it cannot.
bool RenameReplacing(const std::string& from, const std::string& to);
// Gives the file `from` a second name `to` (a hard link; `to` must not
// exist). False where the file system has no such links, or it cannot.
bool LinkFile(const std::string& from, const std::string& to);
// RemoveFile (core/FileIO.h): true when the file is gone.
// Whether anything stands under the name (a link counts, dangling or not).
bool NamePresent(const std::string& path);
// The file holds exactly these bytes afterwards; "Stream write error".
void ReplaceContents(int fd, const void* data, size_t size);
// Up to `max` bytes from the file's start; fewer when it is shorter or
// cannot be read.
std::vector<unsigned char> ReadStart(int fd, size_t max);

// A lock file: opened (created when `create` and missing) and locked
// exclusively without waiting. Taken only while the file still stands under
// its name, so that a lock on a file another process has just removed never
// counts. Held: another process (or another open in this one) holds it.
// Failed: it cannot be opened or made, or is not a regular file.
enum class LockResult { Taken, Held, Failed };
LockResult TakeFileLock(const std::string& path, bool create, File& out);

} // namespace pw
