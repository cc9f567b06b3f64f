#include "tools/hostkit/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace hostkit {
namespace {

std::string BaseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryProblem(const std::string& directory, int error) {
  struct stat info {};
  if (stat(directory.c_str(), &info) != 0) {
    return "output directory does not exist: " + directory;
  }
  if (!S_ISDIR(info.st_mode)) return "output directory is not a directory: " + directory;
  return "output directory is not writable: " + directory + " (" + std::strerror(error) + ")";
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::unique_ptr<PendingFile> PendingFile::Create(const std::string& finalPath, std::string& error) {
  static std::atomic<unsigned> counter{0};
  const std::string directory = DirectoryOf(finalPath);
  const std::string base = BaseOf(finalPath);
  if (base.empty()) {
    error = "output path names a directory, not a file: " + finalPath;
    return nullptr;
  }
  struct stat existing {};
  if (stat(finalPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
    error = "output path is a directory, not a file: " + finalPath;
    return nullptr;
  }
  std::unique_ptr<PendingFile> file(new PendingFile());
  file->finalPath = finalPath;
  file->temporaryPath = directory + "/." + base + ".part-" + std::to_string(getpid()) + "-" +
                        std::to_string(counter.fetch_add(1));
  const int fd = open(file->temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = DirectoryProblem(directory, errno);
    file->temporaryPath.clear();
    return nullptr;
  }
  file->stream = fdopen(fd, "wb");
  if (!file->stream) {
    close(fd);
    error = "cannot open " + file->temporaryPath + ": " + std::strerror(errno);
    return nullptr;
  }
  return file;
}

PendingFile::~PendingFile() {
  if (stream) std::fclose(stream);
  if (!committed && !temporaryPath.empty()) unlink(temporaryPath.c_str());
}

bool PendingFile::CloseStream() {
  if (!stream) return !writeFailed;
  if (std::ferror(stream)) writeFailed = true;
  if (std::fclose(stream) != 0) writeFailed = true;
  stream = nullptr;
  return !writeFailed;
}

bool PendingFile::Commit(std::string& error) {
  if (!CloseStream()) {
    error = "writing " + finalPath + " failed (disk full?)";
    return false;
  }
  if (std::rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
    error = "cannot move the finished file to " + finalPath + ": " + std::strerror(errno);
    return false;
  }
  committed = true;
  return true;
}

bool CheckOutputDirectory(const std::string& path, std::string& error) {
  return PendingFile::Create(path, error) != nullptr;
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error) {
  std::unique_ptr<PendingFile> file = PendingFile::Create(path, error);
  if (!file) return false;
  if (std::fwrite(text.data(), 1, text.size(), file->Stream()) != text.size() || !file->CloseStream()) {
    error = "writing " + path + " failed (disk full?)";
    return false;
  }
  return file->Commit(error);
}

}  // namespace hostkit
