#include "tools/cli/usage_errors.h"

#include <algorithm>

namespace swirlcli {
namespace {

std::string WithoutDashes(const std::string& name) {
  return name.substr(std::min(name.find_first_not_of('-'), name.size()));
}

// Edits from `a` to `b`: insertions, deletions, substitutions and swaps of neighbours.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// "a", "a or b", "a, b or c".
std::string Join(const std::vector<std::string>& names, const char* last) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? last : ", ") + names[i];
  }
  return text;
}

std::string DidYouMean(const std::vector<std::string>& names) {
  return names.empty() ? "" : "; did you mean " + Join(names, " or ") + "?";
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

std::vector<std::string> NearestNames(const std::string& wanted, const std::vector<std::string>& candidates) {
  const std::string bare = WithoutDashes(wanted);
  std::vector<std::string> found;
  if (bare.size() >= 2) {
    for (const auto& candidate : candidates) {
      if (WithoutDashes(candidate).rfind(bare, 0) == 0 && found.size() < 3) found.push_back(candidate);
    }
  }
  if (!found.empty()) return found;
  size_t best = bare.size() / 3;
  for (const auto& candidate : candidates) best = std::min(best, EditDistance(bare, WithoutDashes(candidate)));
  if (best == 0) return found;  // an exact name would have been taken
  for (const auto& candidate : candidates) {
    if (EditDistance(bare, WithoutDashes(candidate)) == best && found.size() < 3) found.push_back(candidate);
  }
  return found;
}

std::string DescribeParseError(CLI::App& app, const CLI::ParseError& error, const std::vector<std::string>& args) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  if (chosen.empty()) {
    const std::vector<std::string> commands = CommandNames(app);
    const std::string usage = "swirlmoss COMMAND [OPTIONS], where COMMAND is one of " + Join(commands, " or ");
    const auto word = std::find_if(args.begin(), args.end(), [](const std::string& a) { return a.rfind('-', 0) != 0; });
    if (word != args.end()) {
      return "unknown command \"" + *word + "\"" + DidYouMean(NearestNames(*word, commands)) + " (" + usage + ")";
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
      const std::vector<std::string> nearest = NearestNames(option, OptionNames(command));
      return "unknown option " + option + " for " + name +
             (nearest.empty() ? " (swirlmoss " + name + " --help lists its options)" : DidYouMean(nearest));
    }
    const auto extra = std::find_if(args.begin(), args.end(), unexpected);
    if (extra != args.end()) {
      return name + " does not take \"" + *extra + "\" there: each value follows its option, such as --set NAME=VALUE";
    }
  }
  return error.what();
}

}  // namespace swirlcli
