#pragma once
// The few file and process facts the host needs beyond what std::filesystem offers: creating a
// file that must not exist yet, forcing a file's bytes to disk, the process id that makes
// temporary names unique, and the path of the running program.

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace hostkit {

// Creates `path` for writing, failing when it exists already; the file is not inherited by
// programs we start. Null with the system's reason in `reason` otherwise.
FILE* CreateNewFile(const std::string& path, std::string& reason);

// Makes the bytes of the file at `path` durable before it is renamed into place, so a crash
// cannot leave an empty file under the final name. False with the system's reason.
bool SyncFileToDisk(const std::string& path, std::string& reason);

// Makes a new private directory under the system's temporary folder, named from `prefix`.
// Empty with the system's reason when it cannot.
std::string MakeTemporaryDirectory(const std::string& prefix, std::string& reason);

// Reads the whole of `path` into `text` when it is a regular file of at most `limit` bytes.
// It never waits: the file is opened without blocking and checked before a byte is read, so a
// named pipe, a terminal or a device is refused rather than read. False with one line in
// `reason` otherwise ("not a regular file", "larger than 64 KiB", the system's reason).
bool ReadSmallRegularFile(const std::string& path, size_t limit, std::string& text, std::string& reason);

long ProcessId();

// Sets the environment variable `name` of this process (and of what it starts) to `value`.
void SetEnvironment(const std::string& name, const std::string& value);

// Absolute path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

// True when `a` and `b` name the same file: the same file on disk (links and other spellings
// of the path included) or, for files that do not exist yet, the same normalised path.
bool SameFile(const std::string& a, const std::string& b);

// The device and inode of the file `path` names (links followed): one file whatever spelling
// or link reaches it. False when there is no such file.
using FileIdentity = std::pair<uint64_t, uint64_t>;
bool IdentifyFile(const std::string& path, FileIdentity& identity);

}  // namespace hostkit
