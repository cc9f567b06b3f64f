#include "tests/support/gl_test_context.h"

#include <memory>

namespace testsupport {

hostkit::EglContext* SharedGlContext(std::string* error) {
  static std::string creationError;
  static std::unique_ptr<hostkit::EglContext> context = hostkit::EglContext::Create(creationError);
  if (error) *error = creationError;
  return context.get();
}

}  // namespace testsupport
