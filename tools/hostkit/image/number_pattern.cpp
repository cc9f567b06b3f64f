#include "tools/hostkit/image/number_pattern.h"

#include <cctype>

namespace hostkit {

std::string NumberPattern::Format(int number) const {
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return prefix + digits + suffix;
}

bool FindNumberPattern(const std::string& path, NumberPattern& pattern) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t hash = path.find('#', nameStart);
  if (hash != std::string::npos) {
    const size_t end = path.find_first_not_of('#', hash);
    pattern.prefix = path.substr(0, hash);
    pattern.width = static_cast<int>((end == std::string::npos ? path.size() : end) - hash);
    pattern.suffix = end == std::string::npos ? "" : path.substr(end);
    return true;
  }
  for (size_t percent = path.find('%', nameStart); percent != std::string::npos;
       percent = path.find('%', percent + 1)) {
    size_t cursor = percent + 1;
    int width = 0;
    while (cursor < path.size() && std::isdigit(static_cast<unsigned char>(path[cursor]))) {
      width = width * 10 + (path[cursor] - '0');
      if (width > 12) return false;
      ++cursor;
    }
    if (cursor < path.size() && path[cursor] == 'd') {
      pattern.prefix = path.substr(0, percent);
      pattern.width = width;
      pattern.suffix = path.substr(cursor + 1);
      return true;
    }
  }
  return false;
}

}  // namespace hostkit
