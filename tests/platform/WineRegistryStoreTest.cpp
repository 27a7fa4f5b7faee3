#include "platform/WineRegistryStore.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace texkit2::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// 1800000000 s and 1234567 ticks after the Unix epoch: header seconds and #time are exact.
const auto kNow = std::chrono::system_clock::time_point(std::chrono::seconds(1800000000)) +
                  std::chrono::microseconds(123456) + std::chrono::nanoseconds(700);
constexpr const char* kNowHeader = "] 1800000000";
constexpr const char* kNowTime = "#time=1dda4c66b465687";

const std::string kSettings = R"(Software\Corvanne\Stratel\Settings)";
const std::string kEmpty = R"(Software\Wine\Empty)";
const std::string kEmptySection = "[Software\\\\Wine\\\\Empty] 1796752147\n#time=1dd873c6c3203de\n";

// Written as Wine writes it, plus the lines Wine tolerates: comments, #class, odd spacing.
const std::string kSample = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Control Panel\\Desktop] 1700000000
#time=1da1b2c3d4e5f60
"FontSmoothing"="2"

[Software\\Corvanne\\Stratel\\Settings] 1796752147
#time=1dd873c6c3203de
#class="Settings"
@=""
"GamePath"="C:\\Games\\Quake"
"Title"="Caf\xe9 \"Q\""
"Hexy"="\x00e9a"
"PackCount"=dword:00000002
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\
  16,17,18,19,1a,1b,1c
"Expand"=str(2):"%USERPROFILE%\\x"
"Multi"=str(7):"a\0b\0"
"Qword"=hex(b):01,00,00,00,00,00,00,00

[Software\\Corvanne\\Stratel\\Settings\\txpack0] 1796752147
#time=1dd873c6c3203de
"path"="Z:\\home\\me\\quake\\id1\\Quake.wad"

[Software\\Wine\\Empty] 1796752147
#time=1dd873c6c3203de
)";

Bytes bytesOf(const std::string& text, bool withNul = true) {
  Bytes out(text.begin(), text.end());
  if (withNul) {
    out.push_back(0);
  }
  return out;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> listing(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    names.insert(entry.path().lexically_relative(folder).string());
  }
  return names;
}

// Holds wineserver's lock from another process: POSIX locks never conflict within one process.
class ForeignLock {
 public:
  explicit ForeignLock(const fs::path& file) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    EXPECT_EQ(::pipe(m_release), 0);
    m_child = ::fork();
    if (m_child == 0) {
      const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      lock.l_len = 1;
      const char ok = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? '1' : '0';
      ::close(m_release[1]);
      (void)!::write(ready[1], &ok, 1);
      char done = 0;
      (void)!::read(m_release[0], &done, 1); // returns once the parent closes its end
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(m_release[0]);
    char ok = 0;
    EXPECT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    ::close(ready[0]);
  }
  ~ForeignLock() {
    ::close(m_release[1]);
    int status = 0;
    ::waitpid(m_child, &status, 0);
  }
  ForeignLock(const ForeignLock&) = delete;
  ForeignLock& operator=(const ForeignLock&) = delete;

 private:
  int m_release[2] = {-1, -1};
  pid_t m_child = -1;
};

class WineRegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "texkit2-registry-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    m_prefix = m_root / "prefix";
    fs::create_directories(m_prefix);
    writeFile(userReg(), kSample);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }

  fs::path userReg() const { return m_prefix / "user.reg"; }
  WineRegistryStore store() const {
    return WineRegistryStore(m_prefix, {m_root / "server", m_root / "tmp", [] { return kNow; }});
  }
  fs::path serverFolder() const {
    struct stat info {};
    EXPECT_EQ(::stat(m_prefix.c_str(), &info), 0);
    std::ostringstream name;
    name << "server-" << std::hex << info.st_dev << "-" << info.st_ino;
    return m_root / "server" / name.str();
  }
  RegKeyHandle open(WineRegistryStore& reg, const std::string& path) {
    RegKeyHandle key = 0;
    EXPECT_EQ(reg.openKey(kRegCurrentUser, path, key), kRegSuccess) << path;
    return key;
  }
  RegResult setString(const std::string& path, const std::string& name, const std::string& value) {
    auto reg = store();
    const RegKeyHandle key = open(reg, path);
    const Bytes bytes = bytesOf(value);
    const RegResult result =
        reg.setValue(key, name, kRegString, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    EXPECT_EQ(reg.closeKey(key), kRegSuccess);
    return result;
  }
  // Reads through a fresh store, so the value comes from the file.
  Bytes query(const std::string& path, const std::string& name, std::uint32_t& type) {
    auto reg = store();
    const RegKeyHandle key = open(reg, path);
    std::uint32_t size = 0;
    EXPECT_EQ(reg.queryValue(key, name, type, nullptr, size), kRegSuccess) << name;
    Bytes data(size);
    EXPECT_EQ(reg.queryValue(key, name, type, data.data(), size), kRegSuccess) << name;
    EXPECT_EQ(reg.closeKey(key), kRegSuccess);
    return data;
  }

  fs::path m_root;
  fs::path m_prefix;
};

TEST_F(WineRegistryStoreTest, QueriesEveryTypeAsTheAnsiApiReturnsIt) {
  const Bytes blob = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                      15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
  const struct {
    std::string key, name;
    std::uint32_t type;
    Bytes data;
  } cases[] = {
      {kSettings, "", kRegString, bytesOf("")},
      {kSettings, "GamePath", kRegString, bytesOf(R"(C:\Games\Quake)")},
      {kSettings, "Title", kRegString, bytesOf("Caf\xe9 \"Q\"")},
      {kSettings, "Hexy", kRegString,
       bytesOf("\xe9"
               "a")},
      {kSettings, "PackCount", kRegDword, {2, 0, 0, 0}},
      {kSettings, "Blob", 3, blob},
      {kSettings, "Expand", 2, bytesOf(R"(%USERPROFILE%\x)")},
      {kSettings, "Multi", 7, {'a', 0, 'b', 0, 0}},
      {kSettings, "Qword", 0xb, {1, 0, 0, 0, 0, 0, 0, 0}},
      {kSettings + R"(\txpack0)", "path", kRegString, bytesOf(R"(Z:\home\me\quake\id1\Quake.wad)")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint32_t type = 0;
    EXPECT_EQ(query(c.key, c.name, type), c.data);
    EXPECT_EQ(type, c.type);
  }
}

TEST_F(WineRegistryStoreTest, QueryErrorsFollowTheAnsiApi) {
  auto reg = store();
  const RegKeyHandle key = open(reg, kSettings);
  const RegKeyHandle closed = open(reg, kSettings);
  ASSERT_EQ(reg.closeKey(closed), kRegSuccess);
  const struct {
    const char* what;
    RegKeyHandle key;
    std::string name;
    std::uint32_t offered, expectedSize;
    RegResult expected;
  } cases[] = {
      {"buffer one byte short", key, "GamePath", 14, 15, kRegMoreData},
      {"buffer exactly right", key, "GamePath", 15, 15, kRegSuccess},
      {"missing value", key, "Nope", 64, 64, kRegFileNotFound},
      {"closed handle", closed, "GamePath", 64, 64, kRegInvalidHandle},
      {"never opened", 0x1234, "GamePath", 64, 64, kRegInvalidHandle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes buffer(64, 0xAA);
    std::uint32_t type = 0;
    std::uint32_t size = c.offered;
    EXPECT_EQ(reg.queryValue(c.key, c.name, type, buffer.data(), size), c.expected);
    EXPECT_EQ(size, c.expectedSize);
    if (c.expected != kRegSuccess) {
      EXPECT_EQ(buffer, Bytes(64, 0xAA)) << "nothing may be copied";
    }
  }
  EXPECT_EQ(reg.closeKey(key), kRegSuccess);
  EXPECT_EQ(reg.closeKey(key), kRegInvalidHandle);
}

TEST_F(WineRegistryStoreTest, KeysAndValueNamesMatchWithoutRegardToCase) {
  std::uint32_t type = 0;
  EXPECT_EQ(query(R"(software\CORVANNE\stratel\SETTINGS\TxPack0)", "PATH", type),
            bytesOf(R"(Z:\home\me\quake\id1\Quake.wad)"));
}

TEST_F(WineRegistryStoreTest, MissingKeysAreNeverCreated) {
  const std::string cases[] = {
      kSettings + R"(\txpack1)",
      R"(Software\Corvanne)", // an intermediate key without a section of its own
      R"(Software\Nope\Deeper)",
  };
  const auto before = listing(m_root);
  for (const auto& path : cases) {
    SCOPED_TRACE(path);
    auto reg = store();
    RegKeyHandle key = 0;
    EXPECT_EQ(reg.openKey(kRegCurrentUser, path, key), kRegFileNotFound);
  }
  EXPECT_EQ(readFile(userReg()), kSample);
  EXPECT_EQ(listing(m_root), before);
}

TEST_F(WineRegistryStoreTest, SetValuesReadBackThroughAFreshStore) {
  const std::string pack = kSettings + R"(\txpack0)";
  ASSERT_EQ(setString(pack, "path", R"(Z:\home\me\hexen2\data1\Hexen2.wad)"), kRegSuccess);
  ASSERT_EQ(setString(pack, "name", "Hexen2.wad"), kRegSuccess);
  {
    auto reg = store();
    const RegKeyHandle key = open(reg, kSettings);
    const std::uint32_t count = 3;
    ASSERT_EQ(reg.setValue(key, "PackCount", kRegDword,
                           reinterpret_cast<const std::uint8_t*>(&count), sizeof(count)),
              kRegSuccess);
    EXPECT_EQ(reg.closeKey(key), kRegSuccess);
  }
  std::uint32_t type = 0;
  EXPECT_EQ(query(pack, "path", type), bytesOf(R"(Z:\home\me\hexen2\data1\Hexen2.wad)"));
  EXPECT_EQ(query(pack, "name", type), bytesOf("Hexen2.wad"));
  EXPECT_EQ(query(kSettings, "PackCount", type), Bytes({3, 0, 0, 0}));
  EXPECT_EQ(type, kRegDword);
}

TEST_F(WineRegistryStoreTest, WritingChangesOnlyTheValueAndItsKeysTimestamps) {
  const std::string header = "[Software\\\\Corvanne\\\\Stratel\\\\Settings] 1796752147\n"
                             "#time=1dd873c6c3203de\n";
  const std::string newHeader = std::string("[Software\\\\Corvanne\\\\Stratel\\\\Settings") +
                                kNowHeader + "\n" + kNowTime + "\n";
  for (const std::string eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol == "\n" ? "LF" : "CRLF");
    auto withEol = [&](std::string text) {
      std::string out;
      for (char c : text) {
        out += c == '\n' ? eol : std::string(1, c);
      }
      return out;
    };
    writeFile(userReg(), withEol(kSample));
    ASSERT_EQ(setString(kSettings, "GamePath", R"(D:\Quake)"), kRegSuccess);
    ASSERT_EQ(setString(kSettings, "Added", "new"), kRegSuccess);
    std::string expected = replaced(kSample, header, newHeader);
    expected = replaced(expected, R"("GamePath"="C:\\Games\\Quake")", R"("GamePath"="D:\\Quake")");
    expected = replaced(expected, "hex(b):01,00,00,00,00,00,00,00\n",
                        "hex(b):01,00,00,00,00,00,00,00\n\"Added\"=\"new\"\n");
    EXPECT_EQ(readFile(userReg()), withEol(expected));
  }
}

TEST_F(WineRegistryStoreTest, SettingTheSameValueAgainLeavesTheFileAlone) {
  ASSERT_EQ(setString(kSettings, "gamepath", R"(C:\Games\Quake)"), kRegSuccess);
  EXPECT_EQ(readFile(userReg()), kSample);
}

TEST_F(WineRegistryStoreTest, EscapesSurviveARoundTrip) {
  const struct {
    std::string value, line;
  } cases[] = {
      {R"(C:\a "b")", R"("v"="C:\\a \"b\"")"},
      {"Caf\xe9", R"("v"="Caf\xe9")"},
      {"\xe9"
       "1",
       R"("v"="\x00e91")"}, // a hex digit after the escape needs four digits
      {"\xe9g", R"("v"="\xe9g")"},
      {"\x80", R"("v"="\x20ac")"}, // the euro sign of Windows-1252
      {"a\tb\r\n\x1b", R"("v"="a\tb\r\n\e")"},
      {"\x01"
       "7\x02x",
       R"("v"="\0017\2x")"}, // octal, padded when an octal digit follows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    writeFile(userReg(), kSample);
    ASSERT_EQ(setString(kEmpty, "v", c.value), kRegSuccess);
    EXPECT_EQ(readFile(userReg()), replaced(kSample, kEmptySection,
                                            "[Software\\\\Wine\\\\Empty" + std::string(kNowHeader) +
                                                "\n" + kNowTime + "\n" + c.line + "\n"));
    std::uint32_t type = 0;
    EXPECT_EQ(query(kEmpty, "v", type), bytesOf(c.value));
  }
}

TEST_F(WineRegistryStoreTest, MultiLineHexValuesAreReplacedWhole) {
  auto reg = store();
  const RegKeyHandle key = open(reg, kSettings);
  Bytes data(40);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(i);
  }
  ASSERT_EQ(reg.setValue(key, "Blob", 3, data.data(), 40), kRegSuccess);
  const std::string text = readFile(userReg());
  EXPECT_NE(
      text.find("\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,"
                "14,15,\\\n  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27\n\"Expand\""),
      std::string::npos)
      << text;
  EXPECT_EQ(reg.closeKey(key), kRegSuccess);
}

TEST_F(WineRegistryStoreTest, AppendsToTheLastKeyOfAFileWithoutFinalNewline) {
  const std::string unterminated = kSample.substr(0, kSample.size() - 1);
  writeFile(userReg(), unterminated);
  ASSERT_EQ(setString(kEmpty, "v", "x"), kRegSuccess);
  EXPECT_EQ(readFile(userReg()),
            replaced(unterminated, kEmptySection.substr(0, kEmptySection.size() - 1),
                     "[Software\\\\Wine\\\\Empty" + std::string(kNowHeader) + "\n" + kNowTime +
                         "\n\"v\"=\"x\""));
}

TEST_F(WineRegistryStoreTest, ReplacesTheFileAtomicallyKeepingItsPermissions) {
  fs::permissions(userReg(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  struct stat before {};
  ASSERT_EQ(::stat(userReg().c_str(), &before), 0);
  const auto names = listing(m_root);
  ASSERT_EQ(setString(kSettings, "GamePath", "x"), kRegSuccess);
  struct stat after {};
  ASSERT_EQ(::stat(userReg().c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino) << "renamed over, not rewritten in place";
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(listing(m_root), names) << "no temporary file left behind";
}

TEST_F(WineRegistryStoreTest, AFailedWriteIsReportedAndChangesNothing) {
  // A file size limit makes the temporary file's write fail, even for root.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  const auto names = listing(m_root);
  const RegResult result = setString(kSettings, "GamePath", "x");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(result, kRegWriteFault);
  EXPECT_EQ(readFile(userReg()), kSample);
  EXPECT_EQ(listing(m_root), names);
}

TEST_F(WineRegistryStoreTest, ARunningWineserverBlocksOpening) {
  const fs::path debian = m_root / "tmp" / "wine-debian";
  const struct {
    const char* what;
    fs::path folder;
    bool viaSocket;
  } cases[] = {
      {"lock in the server folder", serverFolder(), false},
      {"lock in the folder named by <prefix>/wineserver", debian, false},
      {"server folder inside that folder", debian / serverFolder().filename(), false},
      {"socket that accepts", serverFolder(), true},
  };
  writeFile(m_prefix / "wineserver", "wine-debian\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::create_directories(c.folder);
    {
      std::optional<ForeignLock> lock;
      int listener = -1;
      if (c.viaSocket) {
        listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = (c.folder / "socket").string();
        ASSERT_LT(path.size(), sizeof(address.sun_path));
        path.copy(address.sun_path, path.size());
        ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(::listen(listener, 4), 0);
      } else {
        lock.emplace(c.folder / "lock");
      }
      auto reg = store();
      RegKeyHandle key = 0;
      EXPECT_EQ(reg.openKey(kRegCurrentUser, kSettings, key), kRegAccessDenied);
      EXPECT_NE(reg.unavailableReason().find("wineserver is running for " + m_prefix.string()),
                std::string::npos);
      if (listener >= 0) {
        ::close(listener);
      }
    }
    // Stale leftovers (an unlocked lock file, a socket nobody listens on) do not block.
    EXPECT_EQ(store().unavailableReason(), "");
    fs::remove_all(c.folder);
  }
  EXPECT_EQ(readFile(userReg()), kSample);
}

TEST_F(WineRegistryStoreTest, AnUnusableRegistryIsRefused) {
  const struct {
    const char* what;
    std::function<void()> arrange;
    RegResult expected;
    std::string reason;
  } cases[] = {
      {"no prefix", [&] { fs::remove_all(m_prefix); }, kRegFileNotFound, "(folder missing)"},
      {"no user.reg", [&] { fs::remove(userReg()); }, kRegFileNotFound, "(user.reg missing)"},
      {"user.reg is a folder",
       [&] {
         fs::remove(userReg());
         fs::create_directory(userReg());
       },
       kRegAccessDenied, "cannot read"},
      {"not a registry file", [&] { writeFile(userReg(), "REGEDIT4\n" + kSample); },
       kRegAccessDenied, "not a Wine registry file"},
      {"unknown architecture", [&] { writeFile(userReg(), replaced(kSample, "win64", "arm99")); },
       kRegAccessDenied, "not a Wine registry file"},
      {"unreadable", [&] { fs::permissions(userReg(), fs::perms::none); }, kRegAccessDenied,
       "cannot read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (std::string(c.what) == "unreadable" && ::geteuid() == 0) {
      continue; // root reads anything
    }
    fs::remove_all(m_prefix);
    fs::create_directories(m_prefix);
    writeFile(userReg(), kSample);
    c.arrange();
    const auto names = listing(m_root);
    auto reg = store();
    RegKeyHandle key = 0;
    EXPECT_EQ(reg.openKey(kRegCurrentUser, kSettings, key), c.expected);
    EXPECT_NE(reg.unavailableReason().find(c.reason), std::string::npos) << reg.unavailableReason();
    EXPECT_EQ(listing(m_root), names);
  }
}

TEST_F(WineRegistryStoreTest, WindowsPathsGoThroughTheLongestDosDevice) {
  const fs::path devices = m_prefix / "dosdevices";
  fs::create_directories(devices);
  fs::create_directory_symlink("../drive_c", devices / "c:");
  fs::create_directory_symlink("/home/me", devices / "e:");
  fs::create_directory_symlink("/home/me/games", devices / "d:");
  fs::create_directory_symlink("/", devices / "z:");
  fs::create_symlink("/dev/ttyS0", devices / "com1");
  fs::create_symlink("/dev/sda1", devices / "c::");
  const struct {
    fs::path unixPath;
    std::string windows;
  } cases[] = {
      {m_prefix / "drive_c/users/me/x.wad", R"(C:\users\me\x.wad)"},
      {"/home/me/games/quake/id1/Quake.wad", R"(D:\quake\id1\Quake.wad)"},
      {"/home/me/other", R"(E:\other)"},
      {"/home/me2/x", R"(Z:\home\me2\x)"}, // whole components only
      {"/opt/a/../b/", R"(Z:\opt\b)"},
      {"/home/me", R"(E:\)"},
      {"/srv/caf\u00e9 \u20ac", "Z:\\srv\\caf\xe9 \x80"}, // UTF-8 name, ANSI result
  };
  const auto reg = store();
  std::string whyNot;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unixPath.string());
    EXPECT_EQ(reg.windowsPathFor(c.unixPath, whyNot), c.windows);
  }
  // An ANSI program could open none of these.
  const struct {
    fs::path unixPath;
    std::string whyNot;
  } refused[] = {
      {"/srv/Qu\u00e9bec \u2713", "(\u2713: not in Windows code page 1252)"},
      {"/srv/\xe9t\xe9", "(\\xe9: not in Windows code page 1252)"}, // not UTF-8
      {"/srv/\xc3\xa9\xed\xa0\x80", "(\xed\xa0\x80: not in"},       // a lone surrogate
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.unixPath.string());
    whyNot.clear();
    EXPECT_EQ(reg.windowsPathFor(c.unixPath, whyNot), std::nullopt);
    EXPECT_NE(whyNot.find(c.whyNot), std::string::npos) << whyNot;
  }
  fs::remove_all(devices);
  EXPECT_EQ(reg.windowsPathFor("/home/me/x", whyNot), std::nullopt);
  EXPECT_EQ(whyNot,
            "no drive letter of the Wine prefix (" + devices.string() + ") reaches /home/me/x");
}

TEST_F(WineRegistryStoreTest, DefaultPrefixIsWineprefixElseHomeWine) {
  // Restores the variables this test changes.
  struct SavedEnv {
    const char* name;
    std::optional<std::string> value;
    ~SavedEnv() { value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name); }
  };
  auto save = [](const char* name) {
    const char* value = std::getenv(name);
    return SavedEnv{name, value != nullptr ? std::optional<std::string>(value) : std::nullopt};
  };
  const SavedEnv prefix = save("WINEPREFIX");
  const SavedEnv home = save("HOME");
  ::setenv("WINEPREFIX", "/somewhere/pfx", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(WineRegistryStore::defaultPrefix(), fs::path("/somewhere/pfx"));
  ::unsetenv("WINEPREFIX");
  EXPECT_EQ(WineRegistryStore::defaultPrefix(), fs::path("/home/someone/.wine"));
}

} // namespace
} // namespace texkit2::platform

namespace texkit2::platform {
namespace {

// The machine's keys as Wine keeps them in system.reg: a key with only sub-keys has no section.
const std::string kSystemReg = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
                               "#arch=win64\n\n"
                               "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1435828198] "
                               "1700000000\n\"path\"=\"C:\\\\GOG Games\\\\Quake\"\n\n"
                               "[Software\\\\Wow6432Node\\\\GOG.com\\\\Games\\\\1207000000] "
                               "1700000000\n\"gameName\"=\"Hexen II\"\n";

TEST(WineMachineRegistryTest, ReadsSystemRegForLookupsOnly) {
  const fs::path prefix =
      fs::temp_directory_path() / ("texkit2-wine-machine-" + std::to_string(::getpid()));
  fs::create_directories(prefix);
  std::ofstream(prefix / "system.reg", std::ios::binary) << kSystemReg;
  WineRegistryOptions options;
  options.machine = true;
  options.readOnly = true;
  WineRegistryStore store(prefix, options);
  RegKeyHandle key = 0;
  EXPECT_EQ(store.openKey(kRegCurrentUser, "Software", key), kRegFileNotFound);
  ASSERT_EQ(store.openKey(kRegLocalMachine, R"(SOFTWARE\Wow6432Node\GOG.com\Games)", key),
            kRegSuccess);
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; store.enumSubKey(key, i, name) == kRegSuccess; ++i) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"1435828198", "1207000000"}));
  RegKeyHandle game = 0;
  ASSERT_EQ(store.openKey(key, "1435828198", game), kRegSuccess);
  char path[64] = {};
  std::uint32_t type = 0;
  std::uint32_t size = sizeof path;
  ASSERT_EQ(store.queryValue(game, "PATH", type, reinterpret_cast<std::uint8_t*>(path), size),
            kRegSuccess);
  EXPECT_EQ(std::string(path), R"(C:\GOG Games\Quake)");
  const std::uint8_t data[] = {'x', 0};
  EXPECT_EQ(store.setValue(game, "path", kRegString, data, sizeof data), kRegAccessDenied);
  store.closeKey(game);
  store.closeKey(key);
  std::ifstream in(prefix / "system.reg", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kSystemReg);

  // A lookup that names its keys reads those alone, in any letter case.
  options.keys = {R"(software\wow6432node\gog.com\games\1207000000)"};
  WineRegistryStore filtered(prefix, options);
  EXPECT_EQ(
      filtered.openKey(kRegLocalMachine, R"(SOFTWARE\Wow6432Node\GOG.com\Games\1207000000)", key),
      kRegSuccess);
  filtered.closeKey(key);
  EXPECT_EQ(
      filtered.openKey(kRegLocalMachine, R"(SOFTWARE\Wow6432Node\GOG.com\Games\1435828198)", key),
      kRegFileNotFound);
  fs::remove_all(prefix);
}

} // namespace
} // namespace texkit2::platform
