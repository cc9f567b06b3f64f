#include "tools/hostkit/platform/pending_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/hostkit/platform/file_system.h"
#include "tools/hostkit/platform/interrupt.h"

namespace hostkit {
namespace {

std::string BaseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryProblem(const std::string& directory, const std::string& reason) {
  std::error_code ignored;
  const auto status = std::filesystem::status(directory, ignored);
  if (!std::filesystem::exists(status)) return "output directory does not exist: " + directory;
  if (!std::filesystem::is_directory(status)) return "output directory is not a directory: " + directory;
  return "output directory is not writable: " + directory + " (" + reason + ")";
}

// `path` with the symbolic links that name it followed, so that the file written is the link's
// target and the link stays. A link to a file not yet there names the file to create.
std::string FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path at = path;
  std::error_code error;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, error)); ++hops) {
    const fs::path target = fs::read_symlink(at, error);
    if (error) break;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return at.string();
}

// The longest file name (one path component, in bytes) Linux's file systems take.
constexpr size_t kLongestName = 255;

// The hidden name the file is written under: the final name cut short enough that the name,
// with its dot and unique suffix, is still one a file system takes.
std::string TemporaryName(const std::string& base, unsigned serial) {
  const std::string suffix = ".part-" + std::to_string(ProcessId()) + "-" + std::to_string(serial);
  return "." + base.substr(0, kLongestName - 1 - suffix.size()) + suffix;
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
  const std::string base = BaseOf(finalPath);
  if (base.empty()) {
    error = "output path names a directory, not a file: " + finalPath;
    return nullptr;
  }
  std::error_code ignored;
  if (std::filesystem::is_directory(finalPath, ignored)) {
    error = "output path is a directory, not a file: " + finalPath;
    return nullptr;
  }
  if (base.size() > kLongestName) {
    error = "output file name is too long: " + std::to_string(base.size()) + " bytes, where file systems take at most " +
            std::to_string(kLongestName) + ": " + base.substr(0, 40) + "...";
    return nullptr;
  }
  std::unique_ptr<PendingFile> file(new PendingFile());
  file->finalPath = finalPath;
  file->targetPath = FollowLinks(finalPath);
  // Beside the target, so that the rename stays on its file system.
  const std::string targetDirectory = DirectoryOf(file->targetPath);
  file->temporaryPath = targetDirectory + "/" + TemporaryName(BaseOf(file->targetPath), counter.fetch_add(1));
  std::string reason;
  file->stream = CreateNewFile(file->temporaryPath, reason);
  if (!file->stream) {
    error = DirectoryProblem(targetDirectory, reason);
    file->temporaryPath.clear();
    return nullptr;
  }
  // The file replaced keeps its permissions (a map kept private stays private).
  const auto replaced = std::filesystem::status(file->targetPath, ignored);
  if (std::filesystem::is_regular_file(replaced)) {
    std::filesystem::permissions(file->temporaryPath, replaced.permissions(), ignored);
  }
  file->forcedExitTicket = RememberTemporaryFile(file->temporaryPath);
  return file;
}

PendingFile::~PendingFile() {
  if (stream) std::fclose(stream);
  if (!committed && !temporaryPath.empty()) std::remove(temporaryPath.c_str());
  Forget(forcedExitTicket);
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
  std::string reason;
  if (!SyncFileToDisk(temporaryPath, reason)) {
    error = "writing " + finalPath + " failed: " + reason;
    return false;
  }
  if (std::rename(temporaryPath.c_str(), targetPath.c_str()) != 0) {
    error = "cannot move the finished file to " + finalPath + ": " + std::strerror(errno);
    return false;
  }
  committed = true;
  Forget(forcedExitTicket);
  forcedExitTicket = -1;
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
