#pragma once

#include <set>
#include <string>
#include <string_view>

namespace texkit2::images {

// A texture's name as a file name stem that every system takes and every shell reads as it
// is (no ^ or % escapes of letters, which cmd would take for its own):
//  - the name as it is where it is a portable file name;
//  - '*' as '#', as Quake engines name the external textures of liquids (*water1 -> #water1);
//  - bytes no system takes (control bytes, / \ : ? " < > |, non-ASCII) as % and two upper-case
//    hex digits;
//  - a Windows device name (con, nul, prn, aux, com1-com9, lpt1-lpt9, in any letter case,
//    also before a '.') with '_' after it: con -> con_, lpt1.tex -> lpt1_.tex.
// Not one to one (#water1 and *water1 meet): TextureFileNamer keeps the files apart.
// `name` is the texture's name up to its first zero byte.
std::string PortableTextureName(std::string_view name);

// The file name of level `level` of the texture whose stem is `stem`: ".png" for level 0,
// ".mip1.png" to ".mip3.png" for the smaller levels.
std::string TextureFileName(std::string_view stem, int level = 0);

// Gives the textures written into one folder their stems, in the order they are written: a
// texture whose files would meet an earlier one's, where letter case is not told apart (as on
// Windows and macOS), gets ~2, ~3, ... after its stem (wall1, WALL1 -> wall1, WALL1~2).
class TextureFileNamer {
 public:
  // `levels`: the levels each texture is written at (1, or 4 with the smaller ones).
  explicit TextureFileNamer(int levels = 1) : m_levels(levels) {}

  std::string stem(std::string_view name);

 private:
  bool taken(const std::string& stem) const;

  int m_levels;
  std::set<std::string> m_files; // letter case folded
};

} // namespace texkit2::images
