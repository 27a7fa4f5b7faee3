#pragma once

#include "extract/GameKind.h"
#include "platform/RegistryStore.h"

#include <cstdint>
#include <string>

namespace texkit2::extract {

// A thin wrapper over one registry key that remembers the outcome of its last call.
class CRegistryKey {
 public:
  static constexpr std::uint32_t kQueryBufferSize = 200;

  CRegistryKey(platform::RegistryStore& store, platform::RegKeyHandle initialKey);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens an existing key; never creates one, never closes a key held before.
  bool Open(platform::RegKeyHandle root, const std::string& subKey);
  void Close();
  bool SetDWORD(const std::string& valueName, std::uint32_t value);
  bool SetString(const std::string& valueName, const std::string& text);
  // Leaves `text` unchanged when the value cannot be read into 200 bytes.
  bool QueryString(const std::string& valueName, std::string& text);

  platform::RegResult lastResult() const { return m_lastResult; }
  std::uint32_t valueType() const { return m_valueType; }
  std::uint32_t valueSize() const { return m_valueSize; }
  platform::RegKeyHandle key() const { return m_key; }
  const std::string& keyPath() const { return m_keyPath; }

 private:
  platform::RegistryStore& m_store;
  platform::RegResult m_lastResult = platform::kRegSuccess;
  std::uint32_t m_valueType = platform::kRegNone;
  std::uint32_t m_valueSize = 0;
  platform::RegKeyHandle m_key;
  std::string m_keyPath;
};

// The level editor's texture-pack slots: txpack0 to txpack31 under this key.
inline constexpr const char* kTexturePackBase = "Software\\Corvanne\\Stratel\\Settings\\txpack";
inline constexpr int kTexturePackSlots = 32;

// What the registration did, for callers that tell the user (the window stays silent).
struct RegistrationOutcome {
  enum class Kind {
    Written,       // `slot` received the pack
    NoSettings,    // txpack0 is missing: the editor has not made its slots
    SlotMissing,   // the slots before `slot` hold other packs and `slot` is missing
    AllSlotsTaken, // all 32 slots hold other packs
    UnknownGame,   // a free slot was found but the game is neither Quake nor Hexen II
    NoPath,        // a free slot was found but the folder is empty: no name the editor can open
  };
  Kind kind = Kind::NoSettings;
  int slot = -1;
  // For Written: the result of the first of the three writes that failed, else kRegSuccess.
  platform::RegResult writeResult = platform::kRegSuccess;

  // True when the slot holds the pack now.
  bool registered() const { return kind == Kind::Written && writeResult == platform::kRegSuccess; }
};

// Records `dataFolder` + the game's WAD file name in the first slot that is free or holds one of
// the tool's own packs. `dataFolder` is spelt as the editor sees it, ending in a separator; empty
// when the editor could not open it by any name, and then nothing is written. `fileName`, when
// given, is that file's name as spelt on disk (quake.wad) for the path; the slot's "name" stays
// the game's own, by which later runs know the slot.
RegistrationOutcome RegisterTexturePack(platform::RegistryStore& store, GameKind game,
                                        const std::string& dataFolder,
                                        const std::string& fileName = {});

std::string DescribeRegistration(const RegistrationOutcome& outcome);

} // namespace texkit2::extract
