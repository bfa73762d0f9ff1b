// command_line_check.cpp
#include "command_line_check.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <string_view>

#include "data_error.h"

namespace linkan::app {
namespace {

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<std::string> LongOptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

// True when `option` (a registered long option of `app`) takes a value, so
// that the next argument is that value and not a command or option.
bool TakesValue(const CLI::App& app, const std::string& option) {
  for (const CLI::Option* o : app.get_options()) {
    for (const std::string& name : o->get_lnames()) {
      if ("--" + name == option) return o->get_type_size() != 0;
    }
  }
  return false;
}

std::string WithSuggestion(std::string message, const std::string& word,
                           const std::vector<std::string>& candidates) {
  const std::string closest = ClosestName(word, candidates);
  if (!closest.empty()) message += "; did you mean " + closest + "?";
  return message;
}

}  // namespace

std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates) {
  const std::size_t limit = std::max<std::size_t>(2, word.size() / 3);
  std::string best;
  std::size_t bestDistance = limit + 1;
  for (const std::string& candidate : candidates) {
    const std::size_t d = EditDistance(word, candidate);
    if (d < bestDistance) {
      bestDistance = d;
      best = candidate;
    }
  }
  return best;
}

void CheckCommandLine(const CLI::App& app, int argc, const char* const* argv) {
  std::vector<std::string> commands;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    commands.push_back(sub->get_name());
  }
  const CLI::App* command = nullptr;
  bool valueExpected = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") break;
    if (valueExpected) {
      valueExpected = false;
      continue;
    }
    if (arg.rfind("--", 0) == 0) {
      const std::string name = arg.substr(0, arg.find('='));
      std::vector<std::string> known = LongOptionNames(app);
      if (command) {
        const std::vector<std::string> own = LongOptionNames(*command);
        known.insert(known.end(), own.begin(), own.end());
      }
      if (std::find(known.begin(), known.end(), name) == known.end()) {
        const std::string where = command ? "linkan " + command->get_name() : "linkan";
        throw UsageError(WithSuggestion("unknown option " + name + " of " + where, name, known));
      }
      const CLI::App& owner =
          command && TakesValue(*command, name) ? *command : app;
      valueExpected = arg.find('=') == std::string::npos && TakesValue(owner, name);
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') continue;  // short options: CLI11 checks them
    if (!command) {
      if (std::find(commands.begin(), commands.end(), arg) == commands.end()) {
        std::string list;
        for (const std::string& c : commands) list += (list.empty() ? "" : ", ") + c;
        throw UsageError(WithSuggestion("unknown command \"" + arg + "\" (the commands: " + list +
                                            ")",
                                        arg, commands));
      }
      command = app.get_subcommand(arg);
    }
  }
}

}  // namespace linkan::app
