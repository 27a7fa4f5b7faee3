// The CLI's JSON text, byte for byte: scripts compare it, so every escape is fixed.
#include "cli/Json.h"

#include <gtest/gtest.h>

namespace texkit2::cli {
namespace {

TEST(Json, TextIsAsciiWithEveryOtherCharacterEscaped) {
  const struct {
    const char* name;
    std::string text;
    std::string json;
  } rows[] = {
      {"plain", "maps/e1m1.bsp", R"("maps/e1m1.bsp")"},
      {"quote and backslash", R"(say "hi" \)", R"("say \"hi\" \\")"},
      {"control characters", std::string("\t\n\r\b\f\x01\x1f\x7f", 8),
       R"("\u0009\u000a\u000d\u0008\u000c\u0001\u001f\u007f")"},
      {"nul", std::string("a\0b", 3), R"("a\u0000b")"},
      {"latin and beyond",
       "Qu\xC3\xA9"
       "bec \xE2\x9C\x93",
       R"("Qu\u00e9bec \u2713")"},
      {"past U+FFFF in two halves", "\xF0\x9F\x98\x80", R"("\ud83d\ude00")"},
      {"a stray byte as Latin-1", "caf\xE9", R"("caf\u00e9")"},
      {"a cut sequence", "\xE2\x9C", R"("\u00e2\u009c")"},
      {"an overlong form", "\xC0\xAF", R"("\u00c0\u00af")"},
      {"a surrogate", "\xED\xA0\x80", R"("\u00ed\u00a0\u0080")"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", R"("\u00f4\u0090\u0080\u0080")"},
      {"a lone continuation then text",
       "\x80"
       "a\xFF",
       R"("\u0080a\u00ff")"},
      {"a sequence cut by ASCII",
       "\xC3"
       "A\xC3\xA9",
       R"("\u00c3A\u00e9")"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(jsonText(row.text), row.json);
  }
}

TEST(Json, TextureNamesAreBytesEachTakenAsLatin1) {
  const struct {
    std::string name;
    std::string json;
  } rows[] = {
      {"*water1", R"("*water1")"},
      {"caf\xC3\xA9", R"("caf\u00c3\u00a9")"},
      {std::string("a\n\0\x7f\"\\", 6), R"("a\u000a\u0000\u007f\"\\")"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.json);
    EXPECT_EQ(jsonString(row.name), row.json);
  }
}

TEST(Json, ObjectsAndListsAreOneLineWithSpacesAfterTheirSeparators) {
  EXPECT_EQ(jsonObject({}), "{}");
  EXPECT_EQ(
      jsonObject({{"size", std::to_string(4294967295u)},
                  {"gamma", "-1.5e-07"},
                  {"caf\xE9", "null"},
                  {"list", jsonTextList({"a", "\xE2\x9C\x93"})}}),
      R"({"size": 4294967295, "gamma": -1.5e-07, "caf\u00e9": null, "list": ["a", "\u2713"]})");
  EXPECT_EQ(jsonTextList({}), "[]");
  EXPECT_EQ(jsonPath(std::filesystem::path(u8"Qu\u00e9bec/id1")), R"("Qu\u00e9bec/id1")");
}

} // namespace
} // namespace texkit2::cli
