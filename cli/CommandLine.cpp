#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

namespace texkit2::cli {

CommandLine::CommandLine(std::string prefix) : m_prefix(std::move(prefix)) {
  // Not through a pointer to m_help: a CommandLine may be moved.
  m_declared.push_back({"--help", Kind::Flag, nullptr, nullptr, nullptr, {}, false});
  m_declared.push_back({"-h", Kind::Flag, nullptr, nullptr, nullptr, {}, false});
}

CommandLine& CommandLine::flag(std::string name, bool& given) {
  m_declared.push_back({std::move(name), Kind::Flag, &given, nullptr, nullptr, {}, false});
  return *this;
}

CommandLine& CommandLine::value(std::string name, std::optional<std::string>& value,
                                std::string needs, bool emptyIsMissing) {
  m_declared.push_back(
      {std::move(name), Kind::Value, nullptr, &value, nullptr, std::move(needs), emptyIsMissing});
  return *this;
}

CommandLine& CommandLine::values(std::string name, std::vector<std::string>& values,
                                 std::string needs, bool emptyIsMissing) {
  m_declared.push_back(
      {std::move(name), Kind::Values, nullptr, nullptr, &values, std::move(needs), emptyIsMissing});
  return *this;
}

CommandLine& CommandLine::arguments(std::vector<std::string>& arguments) {
  m_arguments = &arguments;
  return *this;
}

CommandLine& CommandLine::unknownOptionPrefix(std::string prefix) {
  m_unknownPrefix = std::move(prefix);
  return *this;
}

CommandLine& CommandLine::unknownOptionsAreArguments() {
  m_unknownOptionsAreArguments = true;
  return *this;
}

const CommandLine::Declared* CommandLine::find(std::string_view name) const {
  for (const Declared& declared : m_declared) {
    if (declared.name == name) {
      return &declared;
    }
  }
  return nullptr;
}

std::string CommandLine::needsValue(const std::string& name) const {
  const Declared* declared = find(name);
  // "-ho": -h, then -o without its value; never an option of its own.
  if (declared == nullptr) {
    return unknownOption(name);
  }
  return m_prefix + name + " needs " + declared->needs + '\n';
}

std::string CommandLine::unknownOption(const std::string& arg) const {
  if (m_unknownOptionsAreArguments) {
    return m_prefix + "unexpected argument '" + arg + "' (see --help)\n";
  }
  return m_unknownPrefix.value_or(m_prefix) + "unknown option '" + arg + "'\n";
}

std::optional<int> CommandLine::parse(const std::vector<std::string>& args, CliContext& context,
                                      std::string_view help) {
  // CLI11 reads "--name=" as --name with its value in the next argument, "-o=VALUE" as the value
  // "=VALUE", and "--flag=VALUE" as the flag set to VALUE. Here they have always been an empty
  // value, VALUE, and an unknown option: split the first two, and take the third out.
  std::vector<std::string> prepared;
  std::optional<std::string> flagWithValue;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      prepared.insert(prepared.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
      break;
    }
    const Declared* declared = find(arg);
    if (declared != nullptr && declared->kind != Kind::Flag) {
      // The next argument is its value, whatever it looks like.
      prepared.push_back(arg);
      if (i + 1 < args.size()) {
        prepared.push_back(args[++i]);
      }
      continue;
    }
    const std::size_t equals = arg.find('=');
    const Declared* named = equals == std::string::npos ? nullptr : find(arg.substr(0, equals));
    if (named == nullptr) {
      prepared.push_back(arg);
    } else if (named->kind == Kind::Flag) {
      flagWithValue = flagWithValue.value_or(arg);
    } else {
      prepared.push_back(arg.substr(0, equals));
      prepared.push_back(arg.substr(equals + 1));
    }
  }
  if (flagWithValue) {
    context.err << unknownOption(*flagWithValue);
    return kExitUsage;
  }

  CLI::App app;
  app.set_help_flag();
  // Unknown options and the other arguments stay, in order, for the messages below.
  app.allow_extras();
  std::vector<CLI::Option*> options;
  for (const Declared& declared : m_declared) {
    CLI::Option* option =
        declared.kind == Kind::Flag ? app.add_flag(declared.name) : app.add_option(declared.name);
    option->multi_option_policy(declared.kind == Kind::Values ? CLI::MultiOptionPolicy::TakeAll
                                                              : CLI::MultiOptionPolicy::TakeLast);
    options.push_back(option);
  }
  // CLI11 takes the arguments last first.
  std::vector<std::string> pending(prepared.rbegin(), prepared.rend());
  std::optional<std::string> withoutValue;
  try {
    app.parse(pending);
  } catch (const CLI::ArgumentMismatch&) {
    // An option that takes a value takes the next argument, whatever it is: only the last one
    // can lack it.
    withoutValue = prepared.back();
  } catch (const CLI::ParseError& error) {
    context.err << m_prefix << error.what() << '\n';
    return kExitUsage;
  }

  // What CLI11 left is, in order: unknown options and the other arguments, then "--" and every
  // argument after it. Before "--", what begins with '-' is meant as an option; "-" too, unless
  // the command takes arguments (other tools read it as standard input's name).
  std::vector<std::string> arguments;
  bool optionsEnded = false;
  for (const std::string& arg : app.remaining()) {
    if (arg == "--" && !optionsEnded) {
      optionsEnded = true;
      continue;
    }
    const bool option =
        !optionsEnded && arg.starts_with('-') && (arg.size() > 1 || m_arguments == nullptr);
    if (option) {
      context.err << unknownOption(arg);
      return kExitUsage;
    }
    if (m_arguments == nullptr) {
      context.err << m_prefix << "unexpected argument '" << arg << "' (see --help)\n";
      return kExitUsage;
    }
    arguments.push_back(arg);
  }
  if (withoutValue) {
    context.err << needsValue(*withoutValue);
    return kExitUsage;
  }
  for (std::size_t i = 0; i < m_declared.size(); ++i) {
    const Declared& declared = m_declared[i];
    const std::vector<std::string>& results = options[i]->results();
    if (declared.kind == Kind::Flag) {
      bool& given = declared.given != nullptr ? *declared.given : m_help;
      given = given || !results.empty();
      continue;
    }
    for (const std::string& result : results) {
      if (result.empty() && declared.emptyIsMissing) {
        context.err << needsValue(declared.name);
        return kExitUsage;
      }
    }
    if (declared.kind == Kind::Value && !results.empty()) {
      *declared.value = results.back();
    } else if (declared.kind == Kind::Values) {
      declared.values->insert(declared.values->end(), results.begin(), results.end());
    }
  }
  if (m_help) {
    context.out << help;
    return kExitSuccess;
  }
  if (m_arguments != nullptr) {
    *m_arguments = std::move(arguments);
  }
  return std::nullopt;
}

} // namespace texkit2::cli
