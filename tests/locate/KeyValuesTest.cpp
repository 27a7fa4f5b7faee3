#include "locate/KeyValues.h"

#include <gtest/gtest.h>

namespace texkit2::locate {
namespace {

TEST(KeyValuesTest, ReadsWhatSteamWrites) {
  struct Case {
    const char* name;
    std::string text;
    std::string installdir; // AppState/installdir as read
  };
  const Case cases[] = {
      {"quoted", "\"AppState\"\n{\n\t\"appid\"\t\"2310\"\n\t\"installdir\"\t\"Quake\"\n}\n",
       "Quake"},
      {"bare tokens", "AppState { appid 2310 installdir Quake }", "Quake"},
      {"any letter case", "\"appstate\" { \"InstallDir\" \"Hexen 2\" }", "Hexen 2"},
      {"escapes", R"("AppState" { "installdir" "a\"b\\c\d" })", "a\"b\\c\\d"},
      {"comments", "// made by Steam\n\"AppState\" // the app\n{ \"installdir\" \"Q\" // x\n}",
       "Q"},
      {"unknown keys and blocks first",
       "\"AppState\" { \"UserConfig\" { \"language\" \"english\" } \"installdir\" \"Q\" }", "Q"},
      {"a condition tag", "\"AppState\" { \"installdir\" \"Q\" [$WIN32] }", "Q"},
      {"byte order mark", "\xEF\xBB\xBF\"AppState\" { \"installdir\" \"Q\" }", "Q"},
      {"bytes that are not UTF-8", "\"AppState\" { \"installdir\" \"Q\xE9\xFF\" }", "Q\xE9\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const KeyValuesResult read = readKeyValues(c.text);
    EXPECT_TRUE(read.ok()) << read.error;
    const KeyValue* state = read.find("AppState");
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->block);
    EXPECT_EQ(state->valueOf("installdir"), c.installdir);
  }
}

TEST(KeyValuesTest, StopsWithAnErrorOnBadInputAndKeepsWhatItRead) {
  struct Case {
    const char* name;
    std::string text;
    bool keepsInstalldir; // what was read before the fault is kept
  };
  std::string binary;
  for (int i = 0; i < 4096; ++i) {
    binary += static_cast<char>((i * 7919) & 0xFF);
  }
  const Case cases[] = {
      {"truncated in a block", "\"AppState\" { \"installdir\" \"Q\" \"x\" { ", true},
      {"truncated in a string", "\"AppState\" { \"installdir\" \"Q\" \"name\" \"Qu", true},
      {"a key without a value", "\"AppState\" { \"installdir\" \"Q\" \"name\" }", true},
      {"unbalanced }", "\"AppState\" { \"installdir\" \"Q\" } }", true},
      {"100,000 deep", std::string(100'000, '{'), false},
      {"100,000 deep with keys",
       [] {
         std::string text;
         for (int i = 0; i < 100'000; ++i) {
           text += "k{";
         }
         return text;
       }(),
       false},
      {"binary", binary, false},
      {"100 MB", std::string(100u << 20, ' '), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const KeyValuesResult read = readKeyValues(c.text);
    // Binary noise may still read as tokens; everything else must say what stopped it.
    if (std::string(c.name) != "binary") {
      EXPECT_FALSE(read.ok());
    }
    const KeyValue* state = read.find("AppState");
    EXPECT_EQ(state != nullptr && state->valueOf("installdir") == "Q", c.keepsInstalldir);
  }
}

TEST(KeyValuesTest, BoundsDepthAndKeys) {
  KeyValuesLimits limits;
  limits.maxDepth = 2;
  EXPECT_TRUE(readKeyValues("a { b { c d } }", limits).ok());
  EXPECT_FALSE(readKeyValues("a { b { c { d e } } }", limits).ok());
  limits = {};
  limits.maxNodes = 3;
  EXPECT_TRUE(readKeyValues("a 1 b 2 c 3", limits).ok());
  EXPECT_FALSE(readKeyValues("a 1 b 2 c 3 d 4", limits).ok());
}

} // namespace
} // namespace texkit2::locate
