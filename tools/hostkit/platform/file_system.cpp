#include <filesystem>

#include "tools/hostkit/platform/file_system.h"

namespace hostkit {

bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::equivalent(a, b, error) && !error) return true;
  const fs::path left = fs::absolute(a, error).lexically_normal();
  const fs::path right = fs::absolute(b, error).lexically_normal();
  return !error && left == right;
}

}  // namespace hostkit
