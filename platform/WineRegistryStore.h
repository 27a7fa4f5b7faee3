#pragma once

#include "platform/RegistryStore.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace texkit2::platform {

// Where to look for a running wineserver, and the clock for key timestamps. Empty members take
// the defaults; tests point the roots into their own folder.
struct WineRegistryOptions {
  std::filesystem::path serverRoot; // default /tmp/.wine-<uid>
  std::filesystem::path tmpRoot;    // default /tmp, for the folder named in <prefix>/wineserver
  std::function<std::chrono::system_clock::time_point()> clock; // default system_clock::now
  // The machine's keys (HKEY_LOCAL_MACHINE, system.reg) instead of the user's (user.reg).
  bool machine = false;
  // For lookups: what the file holds is read even while a wineserver runs (it may be a little
  // behind the server's memory), keys with sub-keys but no values of their own open, and every
  // setValue is refused.
  bool readOnly = false;
  // With readOnly: only the keys at or below these paths (as openKey takes them) are read; the
  // rest of the file is skipped unparsed. Empty: every key.
  std::vector<std::string> keys = {};
};

// The current user's registry of a Wine prefix, read from and written to its user.reg text file
// (or, with WineRegistryOptions::machine, the machine's, from system.reg).
// Every setValue that changes a value rewrites the file at once (atomically, by rename), so a
// closeKey never writes and a failed write is reported by the setValue that made it. Keys are
// never created. Not thread-safe.
class WineRegistryStore final : public RegistryStore {
 public:
  explicit WineRegistryStore(std::filesystem::path prefix, WineRegistryOptions options = {});
  ~WineRegistryStore() override;
  WineRegistryStore(const WineRegistryStore&) = delete;
  WineRegistryStore& operator=(const WineRegistryStore&) = delete;

  // $WINEPREFIX, else $HOME/.wine.
  static std::filesystem::path defaultPrefix();

  const std::filesystem::path& prefix() const { return m_prefix; }
  // Empty when keys can be opened; otherwise why not, in words for the command line.
  std::string unavailableReason() const;
  // True while a wineserver holds this prefix's registry in memory.
  bool wineserverRunning() const;
  // The path as a Windows program under this prefix sees it, through the prefix's dosdevices
  // links; in the ANSI code page (Windows-1252), as setValue expects strings. Empty, with the
  // reason in `whyNot`, when no drive letter reaches it or that code page lacks one of its
  // characters: an ANSI program could not open it.
  std::optional<std::string> windowsPathFor(const std::filesystem::path& unixPath,
                                            std::string& whyNot) const;

  RegResult openKey(RegKeyHandle root, const std::string& subKey, RegKeyHandle& key) override;
  RegResult queryValue(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                       std::uint8_t* data, std::uint32_t& size) override;
  RegResult setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult closeKey(RegKeyHandle key) override;
  // Sub-key names come back in lower case (Latin-1 folded), in the file's order.
  RegResult enumSubKey(RegKeyHandle key, std::uint32_t index, std::string& name) override;

  struct Document; // the parsed user.reg; defined in the source file

 private:
  struct Check {
    RegResult result = kRegSuccess;
    std::string reason;
  };

  std::filesystem::path userReg() const {
    return m_prefix / (m_options.machine ? "system.reg" : "user.reg");
  }
  RegKeyHandle root() const { return m_options.machine ? kRegLocalMachine : kRegCurrentUser; }
  Check load(Document& doc) const;
  // Reads the file into m_doc unless an open or write already did.
  RegResult loadOnce();
  bool resolve(RegKeyHandle handle, std::u16string& folded) const;
  RegResult writeDocument(const Document& doc, const std::string& text) const;

  std::filesystem::path m_prefix;
  WineRegistryOptions m_options;
  std::unique_ptr<Document> m_doc;                  // as read by the last open or write
  std::map<RegKeyHandle, std::u16string> m_handles; // open handle -> folded key path
  RegKeyHandle m_nextHandle = 0x1000;
};

} // namespace texkit2::platform
