#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace texkit2::images {

// The file name a texture's picture is written under: the same on every platform, one file
// per name even where letter case is not told apart, and reversible.
//  - Lower-case letters, digits and  + - _ { } ( ) [ ] ! # $ & ' , ; = @ ~  stay as they are.
//  - An upper-case letter becomes ^ and the letter: WALL1 -> ^W^A^L^L1.
//  - Every other byte becomes % and its two upper-case hex digits: *water1 -> %2Awater1,
//    and so do % ^ . and the space themselves.
//  - A name that Windows keeps for a device (con, prn, aux, nul, com0-9, lpt0-9) has its first
//    letter written as %XX: con -> %63on.
//  - Then ".png" for level 0, ".mip1.png" to ".mip3.png" for the smaller levels.
// `name` is the texture's name up to its first zero byte.
std::string TextureFileName(std::string_view name, int level = 0);

struct TextureFileNameParts {
  std::string name;
  int level = 0;
};

// The texture name and level a file name of TextureFileName's stands for; nullopt for any
// other file name.
std::optional<TextureFileNameParts> ParseTextureFileName(std::string_view fileName);

} // namespace texkit2::images
