#include "extract/TexturePack.h"

#include <algorithm>
#include <array>

namespace texkit2::extract {

using namespace platform;

CRegistryKey::CRegistryKey(RegistryStore& store, RegKeyHandle initialKey)
    : m_store(store), m_key(initialKey) {}

CRegistryKey::~CRegistryKey() {
  Close();
}

bool CRegistryKey::Open(RegKeyHandle root, const std::string& subKey) {
  m_keyPath = subKey;
  RegKeyHandle opened = 0;
  m_lastResult = m_store.openKey(root, subKey, opened);
  if (m_lastResult == kRegSuccess) {
    m_key = opened;
  }
  m_valueType = kRegNone;
  m_valueSize = 0;
  return m_lastResult == kRegSuccess;
}

void CRegistryKey::Close() {
  // The initial handle is one of the predefined roots, never ours to close.
  if (m_key != 0 && m_key != kRegLocalMachine && m_key != kRegCurrentUser) {
    m_store.closeKey(m_key);
  }
  m_key = 0;
}

bool CRegistryKey::SetDWORD(const std::string& valueName, std::uint32_t value) {
  const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(value & 0xFFu),
                                          static_cast<std::uint8_t>((value >> 8) & 0xFFu),
                                          static_cast<std::uint8_t>((value >> 16) & 0xFFu),
                                          static_cast<std::uint8_t>((value >> 24) & 0xFFu)};
  m_lastResult = m_store.setValue(m_key, valueName, kRegDword, bytes.data(), 4);
  m_valueType = kRegDword;
  m_valueSize = 4;
  return m_lastResult == kRegSuccess;
}

bool CRegistryKey::SetString(const std::string& valueName, const std::string& text) {
  const auto size = static_cast<std::uint32_t>(text.size() + 1);
  m_lastResult = m_store.setValue(m_key, valueName, kRegString,
                                  reinterpret_cast<const std::uint8_t*>(text.c_str()), size);
  m_valueType = kRegString;
  m_valueSize = size;
  return m_lastResult == kRegSuccess;
}

bool CRegistryKey::QueryString(const std::string& valueName, std::string& text) {
  std::array<std::uint8_t, kQueryBufferSize> buffer{};
  std::uint32_t type = kRegNone;
  std::uint32_t size = kQueryBufferSize;
  m_lastResult = m_store.queryValue(m_key, valueName, type, buffer.data(), size);
  m_valueType = type;
  m_valueSize = size;
  if (m_lastResult != kRegSuccess) {
    return false;
  }
  // A value stored without its NUL ends where the returned bytes end.
  const auto end = buffer.begin() + std::min<std::uint32_t>(size, kQueryBufferSize);
  text.assign(buffer.begin(), std::find(buffer.begin(), end, std::uint8_t{0}));
  return true;
}

RegistrationOutcome RegisterTexturePack(RegistryStore& store, GameKind game,
                                        const std::string& dataFolder,
                                        const std::string& fileName) {
  CRegistryKey key(store, kRegLocalMachine);
  std::string name;
  int taken = -1;
  for (int slot = 0; slot < kTexturePackSlots; ++slot) {
    if (!key.Open(kRegCurrentUser, kTexturePackBase + std::to_string(slot))) {
      return {slot == 0 ? RegistrationOutcome::Kind::NoSettings
                        : RegistrationOutcome::Kind::SlotMissing,
              slot};
    }
    key.QueryString("name", name);
    if (name.empty() || name == "Quake.wad" || name == "Hexen2.wad") {
      taken = slot;
      break;
    }
    key.Close();
    name.clear();
  }
  if (taken == -1) {
    return {RegistrationOutcome::Kind::AllSlotsTaken, -1};
  }
  const GameInfo* info = gameInfo(game);
  if (info == nullptr) {
    key.Close();
    return {RegistrationOutcome::Kind::UnknownGame, taken};
  }
  if (dataFolder.empty()) {
    key.Close();
    return {RegistrationOutcome::Kind::NoPath, taken};
  }
  name = info->wadFileName;
  // Every write is made even after one fails; the first failure is kept for the caller.
  RegistrationOutcome outcome{RegistrationOutcome::Kind::Written, taken};
  const auto note = [&](bool ok) {
    if (!ok && outcome.writeResult == kRegSuccess) {
      outcome.writeResult = key.lastResult();
    }
  };
  note(key.SetDWORD("type", 1));
  note(key.SetString("path", dataFolder + (fileName.empty() ? name : fileName)));
  note(key.SetString("name", name));
  key.Close();
  return outcome;
}

std::string DescribeRegistration(const RegistrationOutcome& outcome) {
  const std::string slot = "txpack" + std::to_string(outcome.slot);
  switch (outcome.kind) {
  case RegistrationOutcome::Kind::Written:
    if (outcome.writeResult != kRegSuccess) {
      return "not registered: writing to " + slot + " failed (error " +
             std::to_string(outcome.writeResult) + ")";
    }
    return "registered as texture pack " + slot;
  case RegistrationOutcome::Kind::NoSettings:
    return "not registered: the level editor's settings (txpack0) were not found";
  case RegistrationOutcome::Kind::SlotMissing:
    return "not registered: the slots before " + slot + " hold other packs and " + slot +
           " does not exist";
  case RegistrationOutcome::Kind::AllSlotsTaken:
    return "not registered: all 32 texture-pack slots hold other packs";
  case RegistrationOutcome::Kind::UnknownGame:
    return "not registered: no game chosen";
  case RegistrationOutcome::Kind::NoPath:
    return "not registered: the level editor could not open the WAD file by any name";
  }
  return {};
}

} // namespace texkit2::extract
