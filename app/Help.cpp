#include "app/Help.h"

namespace texkit2::app {

void showHelp(framework::MessageBoxService& messages, const std::string& readme,
              const std::function<bool(const std::string&)>& open) {
  if (!readme.empty() && open(readme)) {
    return;
  }
  const std::string text =
      readme.empty() ? "The README was not installed. Run texkit2-cli --help for the command line."
                     : "No program was found to open the help with. The README is at:\n" + readme;
  messages.show(nullptr, text, "Texkit2 Help", framework::BoxIcon::None);
}

} // namespace texkit2::app
