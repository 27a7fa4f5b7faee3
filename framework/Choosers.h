#pragma once

#include <optional>
#include <string>

namespace texkit2::framework {

class CDialog;

// The system's file and folder choosers, modal over `owner`; nothing when the user cancels.
// `patterns` is what the file chooser lists first ("*.wad"); any file can still be chosen.
std::optional<std::string> ChooseFileToOpen(CDialog* owner, const std::string& title,
                                            const std::string& filterName,
                                            const std::string& patterns);
std::optional<std::string> ChooseFolder(CDialog* owner, const std::string& title);

} // namespace texkit2::framework
