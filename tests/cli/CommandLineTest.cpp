#include "cli/CommandLine.h"

#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::cli {
namespace {

// How the command under test is declared, beyond its options.
enum class Shape {
  TakesArguments,
  TakesNone,
  OwnUnknownPrefix,    // unknown options after "texkit2-cli: "
  EverythingUnexpected // no options, no arguments
};

struct Parsed {
  std::optional<int> exit;
  std::string out;
  std::string err;
  std::optional<std::string> game;
  std::optional<std::string> prefix;
  std::optional<std::string> output;
  std::vector<std::string> wads;
  bool json = false;
  std::vector<std::string> arguments;
};

Parsed parse(const std::vector<std::string>& args, Shape shape = Shape::TakesArguments) {
  Parsed parsed;
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err, false};
  CommandLine line("texkit2-cli test: ");
  if (shape != Shape::EverythingUnexpected) {
    line.value("--game", parsed.game, "a value: quake or hexen2")
        .value("--wine-prefix", parsed.prefix, "a folder", true)
        .value("-o", parsed.output, "a file", true)
        .values("--exclude-wad", parsed.wads, "a file", true)
        .flag("--json", parsed.json);
  }
  if (shape == Shape::TakesArguments || shape == Shape::OwnUnknownPrefix) {
    line.arguments(parsed.arguments);
  }
  if (shape == Shape::OwnUnknownPrefix) {
    line.unknownOptionPrefix("texkit2-cli: ");
  }
  if (shape == Shape::EverythingUnexpected) {
    line.unknownOptionsAreArguments();
  }
  parsed.exit = line.parse(args, context, "HELP\n");
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(CommandLineTest, ReadsAValueInEachForm) {
  const struct {
    std::vector<std::string> args;
    std::string game;
    std::string output;
  } cases[] = {
      {{"--game", "quake"}, "quake", ""},
      {{"--game=quake"}, "quake", ""},
      {{"--game=a=b"}, "a=b", ""},
      {{"--game", ""}, "", ""},
      // The next argument is the value, whatever it looks like.
      {{"--game", "--json"}, "--json", ""},
      {{"--game", "--"}, "--", ""},
      {{"--game", "-"}, "-", ""},
      {{"-o", "a.png"}, "", "a.png"},
      {{"-o=a.png"}, "", "a.png"},
      {{"-oa.png"}, "", "a.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    const Parsed parsed = parse(c.args);
    ASSERT_FALSE(parsed.exit) << parsed.err;
    EXPECT_EQ(parsed.game.value_or(""), c.game);
    EXPECT_EQ(parsed.output.value_or(""), c.output);
    EXPECT_FALSE(parsed.json);
    EXPECT_TRUE(parsed.arguments.empty());
  }
}

TEST(CommandLineTest, KeepsArgumentsAsGivenAndEndsOptionsAtDoubleDash) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> arguments;
    bool json;
  } cases[] = {
      {{"a", "--json", "b"}, {"a", "b"}, true},
      {{"", "-", "[a,b]", "{x}"}, {"", "-", "[a,b]", "{x}"}, false},
      {{"--", "--json", "-x", "--"}, {"--json", "-x", "--"}, false},
      {{"a", "--", "--game=quake"}, {"a", "--game=quake"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Parsed parsed = parse(c.args);
    ASSERT_FALSE(parsed.exit) << parsed.err;
    EXPECT_EQ(parsed.arguments, c.arguments);
    EXPECT_EQ(parsed.json, c.json);
    EXPECT_FALSE(parsed.game);
  }
}

TEST(CommandLineTest, TakesTheLastOfARepeatedOptionAndEveryRepeatableOne) {
  const Parsed parsed =
      parse({"--game", "quake", "--exclude-wad", "a.wad", "--json", "--game=hexen2",
             "--exclude-wad=b.wad", "--json", "--exclude-wad", "a.wad"});
  ASSERT_FALSE(parsed.exit) << parsed.err;
  EXPECT_EQ(parsed.game, "hexen2");
  EXPECT_EQ(parsed.wads, (std::vector<std::string>{"a.wad", "b.wad", "a.wad"}));
  EXPECT_TRUE(parsed.json);
}

TEST(CommandLineTest, SaysWhatIsWrongWithTheLine) {
  const struct {
    std::vector<std::string> args;
    Shape shape;
    std::string err;
  } cases[] = {
      {{"--bogus"}, Shape::TakesArguments, "texkit2-cli test: unknown option '--bogus'\n"},
      {{"-x"}, Shape::TakesArguments, "texkit2-cli test: unknown option '-x'\n"},
      {{"-5"}, Shape::TakesArguments, "texkit2-cli test: unknown option '-5'\n"},
      {{"---x"}, Shape::TakesArguments, "texkit2-cli test: unknown option '---x'\n"},
      {{"--json=true"}, Shape::TakesArguments, "texkit2-cli test: unknown option '--json=true'\n"},
      {{"--help=x"}, Shape::TakesArguments, "texkit2-cli test: unknown option '--help=x'\n"},
      {{"--game"},
       Shape::TakesArguments,
       "texkit2-cli test: --game needs a value: quake or hexen2\n"},
      {{"a", "--wine-prefix"},
       Shape::TakesArguments,
       "texkit2-cli test: --wine-prefix needs a folder\n"},
      {{"--wine-prefix", ""},
       Shape::TakesArguments,
       "texkit2-cli test: --wine-prefix needs a folder\n"},
      {{"--wine-prefix="},
       Shape::TakesArguments,
       "texkit2-cli test: --wine-prefix needs a folder\n"},
      {{"-o="}, Shape::TakesArguments, "texkit2-cli test: -o needs a file\n"},
      {{"--exclude-wad", "a", "--exclude-wad", ""},
       Shape::TakesArguments,
       "texkit2-cli test: --exclude-wad needs a file\n"},
      {{"--bogus", "--game"},
       Shape::TakesArguments,
       "texkit2-cli test: unknown option '--bogus'\n"},
      {{"a"}, Shape::TakesNone, "texkit2-cli test: unexpected argument 'a' (see --help)\n"},
      {{"a", "--bogus"},
       Shape::TakesNone,
       "texkit2-cli test: unexpected argument 'a' (see --help)\n"},
      {{"-"}, Shape::TakesNone, "texkit2-cli test: unknown option '-'\n"},
      {{"--", "-x"}, Shape::TakesNone, "texkit2-cli test: unexpected argument '-x' (see --help)\n"},
      {{"--bogus"}, Shape::OwnUnknownPrefix, "texkit2-cli: unknown option '--bogus'\n"},
      {{"--game"},
       Shape::OwnUnknownPrefix,
       "texkit2-cli test: --game needs a value: quake or hexen2\n"},
      {{"--all"},
       Shape::EverythingUnexpected,
       "texkit2-cli test: unexpected argument '--all' (see --help)\n"},
      {{"-"},
       Shape::EverythingUnexpected,
       "texkit2-cli test: unexpected argument '-' (see --help)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const Parsed parsed = parse(c.args, c.shape);
    EXPECT_EQ(parsed.exit, kExitUsage);
    EXPECT_EQ(parsed.err, c.err);
    EXPECT_EQ(parsed.out, "");
  }
}

TEST(CommandLineTest, PrintsHelpWhenTheLineHasNoUsageError) {
  const struct {
    std::vector<std::string> args;
    int exit;
    std::string out;
  } cases[] = {
      {{"--help"}, kExitSuccess, "HELP\n"},
      {{"a", "-h", "--game", "quake"}, kExitSuccess, "HELP\n"},
      {{"--help", "--bogus"}, kExitUsage, ""},
      {{"--", "--help"}, -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Parsed parsed = parse(c.args);
    EXPECT_EQ(parsed.exit.value_or(-1), c.exit);
    EXPECT_EQ(parsed.out, c.out);
  }
}

} // namespace
} // namespace texkit2::cli
