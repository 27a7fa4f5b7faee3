#pragma once

#include "cli/Commands.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace texkit2::cli {

// One command's options, parsed by CLI11. CLI11's help and error texts never reach the user:
// the command keeps its own help text and its usage errors read as they always have.
//
//   CommandLine line("texkit2-cli games: ");
//   line.value("--game", game, "a value: quake or hexen2");
//   line.flag("--json", json);
//   if (const auto exit = line.parse(args, context, kGamesHelp)) return *exit;
class CommandLine {
 public:
  // `prefix` begins each usage error: "texkit2-cli games: ".
  explicit CommandLine(std::string prefix);

  // --name, anywhere before "--".
  CommandLine& flag(std::string name, bool& given);
  // --name VALUE or --name=VALUE; the last one given counts. A missing value is a usage error,
  // "--name needs " + `needs`; so is an empty one when `emptyIsMissing`.
  CommandLine& value(std::string name, std::optional<std::string>& value, std::string needs,
                     bool emptyIsMissing = false);
  // --name VALUE, as often as given, in order.
  CommandLine& values(std::string name, std::vector<std::string>& values, std::string needs,
                      bool emptyIsMissing = false);
  // The arguments that are no option, in order: every argument after "--" among them. Without
  // this, each is a usage error, "unexpected argument 'X' (see --help)".
  CommandLine& arguments(std::vector<std::string>& arguments);

  // Where unknown options are said to be "unknown option 'X'" after another prefix than the
  // other usage errors ("texkit2-cli: ").
  CommandLine& unknownOptionPrefix(std::string prefix);
  // Where every argument, an option too, is an unexpected one: a command that takes none.
  CommandLine& unknownOptionsAreArguments();

  // Parses the arguments after the command's name. Returns the exit status when the command is
  // done: help printed on stdout (--help, -h), or a usage error on stderr; nullopt to run it.
  std::optional<int> parse(const std::vector<std::string>& args, CliContext& context,
                           std::string_view help);

 private:
  enum class Kind { Flag, Value, Values };
  struct Declared {
    std::string name;
    Kind kind = Kind::Flag;
    bool* given = nullptr;
    std::optional<std::string>* value = nullptr;
    std::vector<std::string>* values = nullptr;
    std::string needs;
    bool emptyIsMissing = false;
  };

  const Declared* find(std::string_view name) const;
  std::string needsValue(const std::string& name) const;
  std::string unknownOption(const std::string& arg) const;

  std::string m_prefix;
  std::optional<std::string> m_unknownPrefix;
  bool m_unknownOptionsAreArguments = false;
  std::vector<Declared> m_declared;
  std::vector<std::string>* m_arguments = nullptr;
  bool m_help = false;
};

} // namespace texkit2::cli
