#include "app/qt/Help.h"

namespace texkit2::app {

void showHelp(framework::MessageBoxService& messages, const QString& readme,
              const std::function<bool(const QUrl&)>& open) {
  if (!readme.isEmpty() && open(QUrl::fromLocalFile(readme))) {
    return;
  }
  const std::string text =
      readme.isEmpty()
          ? "The README was not installed. Run texkit2-cli --help for the command line."
          : "No program was found to open the help with. The README is at:\n" +
                readme.toStdString();
  messages.show(nullptr, text, "Texkit2 Help", framework::BoxIcon::None);
}

} // namespace texkit2::app
