#pragma once
// Command-line mistakes said so that a newcomer can act on them: an unknown command names
// itself and lists the commands; an unknown option names the nearest options of its command.

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace swirlcli {

// One line for a parse error of `app`; `args` are the arguments after the program's name.
std::string DescribeParseError(CLI::App& app, const CLI::ParseError& error, const std::vector<std::string>& args);

}  // namespace swirlcli
