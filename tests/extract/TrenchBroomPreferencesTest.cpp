#include "extract/TrenchBroomPreferences.h"

#include "tests/common/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace texkit2::extract {
namespace {

using testing::readAll;
using testing::TempFolder;
using testing::writeText;
using Edit = PreferencesEdit::Kind;
using Outcome = TrenchBroomOutcome::Kind;

// As TrenchBroom writes it: Qt's indented layout, every kind of value it stores.
const std::string kTrenchBroomFile = R"({
    "Games/Hexen 2/Path": "/games/hexen2",
    "Games/Quake/Path": "/games/old",
    "Menu/File/Open...": "Ctrl+O",
    "Renderer/Brightness": 1.399999976158142,
    "Renderer/Grid/Alpha": 0.5,
    "Renderer/Show axes": true,
    "Texture Browser/Icon size": 1,
    "Unicode": "Ünïcødé \\ \"quoted\" \u001f",
    "Views/Map view layout": [
        2,
        {
            "nested": null
        }
    ]
}
)";

bool sameText(const std::string& a, const std::string& b) {
  return a == b;
}

PreferencesEdit edit(std::string_view document, bool exists, const std::string& value,
                     bool force = false, bool previousExists = true) {
  return EditTrenchBroomPreferences(document, exists, "Games/Quake/Path", value, force, sameText,
                                    [&](const std::string&) { return previousExists; });
}

// A path as a JSON string holds it: Windows' backslashes doubled.
std::string escaped(std::string path) {
  for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 2)) {
    path.insert(at, 1, '\\');
  }
  return path;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

TEST(TrenchBroomPreferences, KeysAreTrenchBroomsOwn) {
  EXPECT_EQ(TrenchBroomPathKey(kGameQuake), "Games/Quake/Path");
  EXPECT_EQ(TrenchBroomPathKey(kGameHexen2), "Games/Hexen 2/Path");
  EXPECT_EQ(TrenchBroomPathKey(kGameNone), "");
}

TEST(TrenchBroomPreferences, NewFileHoldsTheKeyAlone) {
  const auto result = edit("", false, "/games/quake");
  ASSERT_EQ(result.kind, Edit::Updated);
  EXPECT_EQ(result.document, "{\n    \"Games/Quake/Path\": \"/games/quake\"\n}\n");
}

TEST(TrenchBroomPreferences, OtherKeysAreKeptByteForByteInTheirOrder) {
  const auto result = edit(kTrenchBroomFile, true, "/games/quake", true);
  ASSERT_EQ(result.kind, Edit::Updated) << result.reason;
  EXPECT_EQ(result.document, replaced(kTrenchBroomFile, "/games/old", "/games/quake"));
  EXPECT_EQ(result.previous, "/games/old");
}

TEST(TrenchBroomPreferences, MissingKeyIsAddedAtTheEnd) {
  const std::string document = "{\n    \"b\": 1,\n    \"a\": \"x\"\n}\n";
  const auto result = edit(document, true, "C:\\Games\\Quake");
  ASSERT_EQ(result.kind, Edit::Updated);
  EXPECT_EQ(result.document, "{\n    \"b\": 1,\n    \"a\": \"x\",\n    \"Games/Quake/Path\": "
                             "\"C:\\\\Games\\\\Quake\"\n}\n");
}

TEST(TrenchBroomPreferences, ExistingValueDecidesWhetherItIsReplaced) {
  struct Case {
    const char* name;
    std::string document;
    bool force;
    bool previousExists;
    Edit expected;
  };
  const std::string quake = "{\"Games/Quake/Path\": ";
  const std::vector<Case> cases = {
      {"same folder", quake + "\"/games/quake\"}", false, true, Edit::AlreadySet},
      {"same folder, forced", quake + "\"/games/quake\"}", true, true, Edit::AlreadySet},
      {"other existing folder", quake + "\"/games/old\"}", false, true, Edit::OtherFolderSet},
      {"other existing folder, forced", quake + "\"/games/old\"}", true, true, Edit::Updated},
      {"other folder that is gone", quake + "\"/games/old\"}", false, false, Edit::Updated},
      {"a number", quake + "42}", false, true, Edit::Updated},
      {"null", quake + "null}", false, true, Edit::Updated},
      {"an object", quake + "{\"a\": 1}}", false, true, Edit::Updated},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = edit(c.document, true, "/games/quake", c.force, c.previousExists);
    EXPECT_EQ(result.kind, c.expected);
    if (c.expected == Edit::Updated) {
      EXPECT_EQ(result.document, "{\n    \"Games/Quake/Path\": \"/games/quake\"\n}\n");
    }
  }
}

TEST(TrenchBroomPreferences, BadDocumentsAreRefusedWithTheReason) {
  struct Case {
    const char* name;
    std::string document;
    std::string reason; // a part of it
  };
  const std::vector<Case> cases = {
      {"empty", "", "is empty"},
      {"blank", " \n\t", "is empty"},
      {"truncated", kTrenchBroomFile.substr(0, 80), "is not valid JSON"},
      {"binary", std::string("\x00\x01\xff\xfe", 4), "is not valid JSON"},
      {"invalid UTF-8 in a string", "{\"a\": \"\xff\"}", "is not valid JSON"},
      {"trailing garbage", "{} x", "is not valid JSON"},
      {"an array", "[1, 2]", "holds a JSON array"},
      {"a string", "\"text\"", "holds a JSON string"},
      {"nested 100,000 deep", std::string(100000, '[') + std::string(100000, ']'),
       "nests deeper than"},
      {"nested in objects", "{\"a\":" + std::string(70, '[') + std::string(70, ']') + "}",
       "nests deeper than"},
      {"100 MB", "{\"a\": \"" + std::string(100 * 1024 * 1024, 'x') + "\"}", "larger than"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = edit(c.document, true, "/games/quake");
    EXPECT_EQ(result.kind, Edit::Refused);
    EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
    EXPECT_TRUE(result.document.empty());
  }
}

TEST(TrenchBroomPreferences, BracketsInsideStringsDoNotCountAsNesting) {
  const std::string deepText = "{\"a\": \"" + std::string(1000, '[') + "\\\"\"}";
  EXPECT_EQ(edit(deepText, true, "/q").kind, Edit::Updated);
}

TEST(TrenchBroomPreferences, FolderNameThatIsNotUtf8IsRefused) {
  const auto result = edit("{}", true, "/games/\xff");
  EXPECT_EQ(result.kind, Edit::Refused);
  EXPECT_NE(result.reason.find("UTF-8"), std::string::npos);
}

TEST(TrenchBroomPreferences, FileLocationComesFromTheEnvironment) {
  std::string whyNot;
  const auto missing = TrenchBroomPreferencesFile([](const char*) { return nullptr; }, whyNot);
  EXPECT_FALSE(missing);
  EXPECT_NE(whyNot.find("is not set"), std::string::npos);
  EXPECT_FALSE(TrenchBroomPreferencesFile([](const char*) { return ""; }, whyNot));
#if defined(_WIN32)
  const auto found =
      TrenchBroomPreferencesFile([](const char*) { return "C:\\Users\\me\\AppData"; }, whyNot);
  EXPECT_EQ(found, "C:\\Users\\me\\AppData\\TrenchBroom\\Preferences.json");
#elif !defined(__APPLE__)
  const auto found = TrenchBroomPreferencesFile(
      [](const char* name) { return std::string(name) == "HOME" ? "/home/me/" : nullptr; }, whyNot);
  EXPECT_EQ(found, "/home/me/.TrenchBroom/Preferences.json");
#endif
}

TEST(TrenchBroomPreferences, WadValueIsRelativeToTheGamePath) {
  EXPECT_EQ(TrenchBroomWadValue("/games/quake/id1/", "Quake.wad"), "id1/Quake.wad");
  EXPECT_EQ(InstallationFolder("/games/quake/id1/"), "/games/quake");
}

// On disk.
class TrenchBroomFile : public ::testing::Test {
 protected:
  std::string preferences() const { return (m_folder / ".TrenchBroom/Preferences.json").string(); }
  TrenchBroomOutcome set(const std::string& value, bool force = false) {
    return SetTrenchBroomGamePath(platform::hostFileSystem(), preferences(), kGameQuake, value,
                                  force);
  }
  std::string text(const std::string& path) const {
    const auto bytes = readAll(path);
    return {bytes.begin(), bytes.end()};
  }
  std::string gameFolder() const { return (m_folder / "quake").string(); }

  TempFolder m_folder;
};

TEST_F(TrenchBroomFile, MissingFileAndFolderAreCreated) {
  const auto outcome = set(gameFolder());
  ASSERT_EQ(outcome.kind, Outcome::Written) << outcome.message;
  EXPECT_EQ(text(preferences()),
            "{\n    \"Games/Quake/Path\": \"" + escaped(gameFolder()) + "\"\n}\n");
  EXPECT_EQ(testing::folderNames(m_folder / ".TrenchBroom"),
            std::vector<std::string>{"Preferences.json"});
}

TEST_F(TrenchBroomFile, ExistingFileKeepsItsOtherKeys) {
  writeText(preferences(), kTrenchBroomFile);
  const auto outcome = set(gameFolder(), true);
  ASSERT_EQ(outcome.kind, Outcome::Written) << outcome.message;
  EXPECT_EQ(text(preferences()), replaced(kTrenchBroomFile, "/games/old", escaped(gameFolder())));
  EXPECT_NE(outcome.message.find("replacing /games/old"), std::string::npos);
}

TEST_F(TrenchBroomFile, SameAndOtherFoldersAreLeftAndNamed) {
  std::filesystem::create_directories(gameFolder());
  const std::string other = (m_folder / "other").string();
  std::filesystem::create_directories(other);
  struct Case {
    const char* name;
    std::string set;
    Outcome expected;
    std::vector<std::string> named;
  };
  const std::vector<Case> cases = {
      {"same", gameFolder(), Outcome::AlreadySet, {"already", gameFolder()}},
      {"same, with a separator", gameFolder() + "/", Outcome::AlreadySet, {"already"}},
      {"other", other, Outcome::OtherFolderSet, {other, gameFolder()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string document = "{\"Games/Quake/Path\": \"" + escaped(c.set) + "\"}";
    writeText(preferences(), document);
    const auto outcome = set(gameFolder());
    EXPECT_EQ(outcome.kind, c.expected);
    for (const auto& name : c.named) {
      EXPECT_NE(outcome.message.find(name), std::string::npos) << outcome.message;
    }
    EXPECT_EQ(text(preferences()), document);
  }
}

TEST_F(TrenchBroomFile, LockFileMeansTrenchBroomMustBeClosed) {
  writeText(preferences(), "{}");
  writeText(preferences() + ".lck", "1234\n");
  const auto outcome = set(gameFolder());
  EXPECT_EQ(outcome.kind, Outcome::Locked);
  EXPECT_NE(outcome.message.find("close TrenchBroom first"), std::string::npos);
  EXPECT_EQ(text(preferences()), "{}");
}

TEST_F(TrenchBroomFile, FilesThatCannotBeTakenAreLeftWhole) {
  struct Case {
    const char* name;
    std::string content;
    Outcome expected;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"not JSON", "{\"a\": ", Outcome::Refused, "is not valid JSON"},
      {"an array", "[]", Outcome::Refused, "holds a JSON array"},
      {"empty", "", Outcome::Refused, "is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeText(preferences(), c.content);
    const auto outcome = set(gameFolder());
    EXPECT_EQ(outcome.kind, c.expected);
    EXPECT_NE(outcome.message.find(c.reason), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("left as it is"), std::string::npos) << outcome.message;
    EXPECT_EQ(text(preferences()), c.content);
    EXPECT_EQ(testing::folderNames(m_folder / ".TrenchBroom"),
              std::vector<std::string>{"Preferences.json"});
  }
}

TEST_F(TrenchBroomFile, FolderInItsPlaceIsLeft) {
  std::filesystem::create_directories(preferences());
  const auto outcome = set(gameFolder());
  EXPECT_EQ(outcome.kind, Outcome::Refused);
  EXPECT_NE(outcome.message.find("is a folder"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(preferences()));
}

TEST_F(TrenchBroomFile, OversizedFileIsNotRead) {
  writeText(preferences(), std::string(kMaxPreferencesSize + 1, ' '));
  const auto outcome = set(gameFolder());
  EXPECT_EQ(outcome.kind, Outcome::Refused);
  EXPECT_NE(outcome.message.find("larger than"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(preferences()), kMaxPreferencesSize + 1);
}

#ifndef _WIN32
TEST_F(TrenchBroomFile, ReadOnlyFileIsLeft) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root may write a read-only file";
  }
  writeText(preferences(), "{}");
  std::filesystem::permissions(preferences(), std::filesystem::perms::owner_read);
  const auto outcome = set(gameFolder());
  EXPECT_EQ(outcome.kind, Outcome::Failed);
  EXPECT_NE(outcome.message.find("could not write"), std::string::npos);
  EXPECT_EQ(text(preferences()), "{}");
}

TEST_F(TrenchBroomFile, LinkIsFollowedAndKept) {
  const auto real = m_folder / "dotfiles/Preferences.json";
  writeText(real, "{\"a\": 1}");
  std::filesystem::create_directories(m_folder / ".TrenchBroom");
  std::filesystem::create_symlink(real, preferences());
  const auto outcome = set(gameFolder());
  ASSERT_EQ(outcome.kind, Outcome::Written) << outcome.message;
  EXPECT_TRUE(std::filesystem::is_symlink(preferences()));
  EXPECT_EQ(text(real.string()),
            "{\n    \"a\": 1,\n    \"Games/Quake/Path\": \"" + gameFolder() + "\"\n}\n");
}

TEST_F(TrenchBroomFile, FolderThatCannotBeCreatedIsReported) {
  writeText(m_folder / ".TrenchBroom", "a file where the folder should be");
  const auto outcome = set(gameFolder());
  EXPECT_EQ(outcome.kind, Outcome::Failed);
  EXPECT_FALSE(outcome.message.empty());
  EXPECT_EQ(text((m_folder / ".TrenchBroom").string()), "a file where the folder should be");
}
#endif

} // namespace
} // namespace texkit2::extract
