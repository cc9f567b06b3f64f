#pragma once
// A file that appears whole or not at all: it is written under a hidden temporary name beside
// its final path and renamed into place on Commit; dropped without Commit, it is removed.
// A final path that is a symbolic link is written through: the file it points to is replaced
// and the link stays. A file replaced keeps its permissions; a new one is made 0644 (less the
// umask).

#include <cstdio>
#include <memory>
#include <string>

namespace hostkit {

class PendingFile {
 public:
  // Creates the temporary file now, so a missing or read-only directory is reported before
  // any work is done. Null with a one-line `error` naming the directory otherwise.
  static std::unique_ptr<PendingFile> Create(const std::string& finalPath, std::string& error);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Open stream on the temporary file; null after CloseStream.
  FILE* Stream() { return stream; }
  // Closes the stream (for writers that open the file by name). False on a write error.
  bool CloseStream();
  const std::string& TemporaryPath() const { return temporaryPath; }
  // As given to Create (a link stays a link: the file written is its target).
  const std::string& FinalPath() const { return finalPath; }
  // Closes and renames into place. False with `error` when that fails; the file is removed.
  bool Commit(std::string& error);

 private:
  PendingFile() = default;
  std::string finalPath;
  std::string targetPath;  // finalPath with its symbolic links followed
  std::string temporaryPath;
  FILE* stream = nullptr;
  int forcedExitTicket = -1;  // removes the temporary file if a second Ctrl-C ends the program
  bool committed = false;
  bool writeFailed = false;
};

// Writes `text` to `path` whole or not at all. False with a one-line `error` otherwise.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error);

// Checks that files can be created in the directory of `path` (by creating and removing a
// temporary file there). False with a one-line `error` naming the directory otherwise.
bool CheckOutputDirectory(const std::string& path, std::string& error);

// The directory part of `path` ("." when it has none).
std::string DirectoryOf(const std::string& path);

}  // namespace hostkit
