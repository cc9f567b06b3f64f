#include "host/log_channel.h"

#include <iostream>
#include <sstream>
#include <string>

#include "host/debugger_output.h"

namespace {
FFGLLogFunction hostLogFunction = nullptr;
}

void LogLine(const char* prefix, const char* text) {
  std::ostringstream stream;
  stream << (prefix ? prefix : "") << (text ? text : "");
  const std::string line = stream.str();
  DebuggerOutput(line.c_str());
  DebuggerOutput("\n");
  std::cout << line << std::endl;
}

FFGLLogFunction StoredHostLogFunction() { return hostLogFunction; }

void StoreHostLogFunction(FFGLLogFunction function) { hostLogFunction = function; }
