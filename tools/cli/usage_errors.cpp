#include "tools/cli/usage_errors.h"

#include <algorithm>

#include "tools/hostkit/params/parameter_model.h"

namespace swirlcli {
namespace {

std::string DidYouMean(const std::string& wanted, const std::vector<std::string>& candidates) {
  const std::string nearest = hostkit::DidYouMean(wanted, candidates);
  return nearest.empty() ? "" : "; " + nearest;
}

std::vector<std::string> CommandNames(CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
    names.push_back(command->get_name());
  }
  return names;
}

std::vector<std::string> OptionNames(CLI::App& command) {
  std::vector<std::string> names;
  for (const CLI::Option* option : command.get_options()) {
    for (const auto& name : option->get_lnames()) names.push_back("--" + name);
    for (const auto& name : option->get_snames()) names.push_back("-" + name);
  }
  return names;
}

}  // namespace

std::string DescribeParseError(CLI::App& app, const CLI::ParseError& error, const std::vector<std::string>& args) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  if (chosen.empty()) {
    const std::vector<std::string> commands = CommandNames(app);
    const std::string usage = "swirlmoss COMMAND [OPTIONS], where COMMAND is one of " + hostkit::JoinNames(commands, " or ");
    const auto word = std::find_if(args.begin(), args.end(), [](const std::string& a) { return a.rfind('-', 0) != 0; });
    if (word != args.end()) {
      return "unknown command \"" + *word + "\"" + DidYouMean(*word, commands) + " (" + usage + ")";
    }
    return (args.empty() ? "no command given: " : "no command given before " + args.front() + ": ") + usage;
  }
  CLI::App& command = *chosen.back();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    std::vector<std::string> extras = command.remaining();
    for (const auto& extra : app.remaining()) extras.push_back(extra);
    const auto unexpected = [&](const std::string& arg) {
      return std::find(extras.begin(), extras.end(), arg) != extras.end();
    };
    const std::string name = command.get_name();
    for (const auto& arg : args) {
      if (arg.rfind('-', 0) != 0 || arg == "-" || !unexpected(arg)) continue;
      const std::string option = arg.substr(0, arg.find('='));
      const std::string nearest = DidYouMean(option, OptionNames(command));
      return "unknown option " + option + " for " + name +
             (nearest.empty() ? " (swirlmoss " + name + " --help lists its options)" : nearest);
    }
    const auto extra = std::find_if(args.begin(), args.end(), unexpected);
    if (extra != args.end()) {
      return name + " does not take \"" + *extra + "\" there: each value follows its option, such as --set NAME=VALUE";
    }
  }
  return error.what();
}

}  // namespace swirlcli
