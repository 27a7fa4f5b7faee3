#pragma once

// What the WAD File Info box shows after an extraction, for the tests that run one.

#include "app/WadInfoDlg.h"
#include "tests/support/SampleGame.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace texkit2::testing {

// The box's texts by control: 1021 file name, 1016 size, 1017 entries, 1018 simple and 1019
// animated textures.
inline std::map<int, std::string> wadInfoTexts(const app::CWadInfoDlg& box) {
  std::map<int, std::string> shown;
  for (const int id : {1016, 1017, 1018, 1019, 1021}) {
    shown[id] = box.GetDlgItemText(id);
  }
  return shown;
}

// The summary of the sample Quake's WAD file.
inline void expectSampleQuakeSummary(const std::map<int, std::string>& shown,
                                     const fixtures::SampleGameInfo& sample) {
  const auto text = [&](int id) {
    const auto it = shown.find(id);
    return it == shown.end() ? std::string() : it->second;
  };
  EXPECT_EQ(text(1021), "Quake.wad");
  EXPECT_EQ(text(1016), std::to_string(sample.wadLength / 1024) + " KB");
  EXPECT_EQ(text(1017), std::to_string(sample.uniqueTextures));
  EXPECT_EQ(text(1018), std::to_string(sample.simpleTextures));
  EXPECT_EQ(text(1019), std::to_string(sample.animatedTextures));
}

} // namespace texkit2::testing
