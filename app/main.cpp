#include "app/ExtractApp.h"
#include "app/LocateCommands.h"
#include "app/Screenshots.h"
#include "framework/Resources.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>

namespace {

constexpr const char* kVersion = "1.0.12.99";

constexpr const char* kHelp =
    R"(Usage: texkit2 [--version] [--help] [--screenshots FOLDER DATAFOLDER]

Opens the Texkit2 window: choose the game, find its data folder, and extract every map
texture of PAK0.PAK and PAK1.PAK into one WAD2 file. See texkit2-cli for the command line.

  --screenshots FOLDER DATAFOLDER   render every dialog to PNG files in FOLDER, extracting the
                                    Quake installation in DATAFOLDER (use QT_QPA_PLATFORM=offscreen)
)";

QString readmePath() {
  for (const QString& candidate :
       {QStringLiteral(TEXKIT2_INSTALLED_README), QStringLiteral(TEXKIT2_SOURCE_README)}) {
    if (QFileInfo::exists(candidate)) {
      return candidate;
    }
  }
  return {};
}

} // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    if (arg == "--version") {
      std::printf("texkit2 %s\n", kVersion);
      return 0;
    }
    if (arg == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("Texkit2");
  QApplication::setApplicationVersion(kVersion);
  QApplication::setWindowIcon(texkit2::framework::LoadIcon(128));
  texkit2::framework::initResources();

  texkit2::framework::QtMessageBoxService messages;
  texkit2::app::AppServices services{texkit2::platform::hostFileSystem(),
                                     messages,
                                     [] { return texkit2::platform::openHostRegistry(); },
                                     {},
                                     {},
                                     [] {
                                       const QString path = readmePath();
                                       if (!path.isEmpty()) {
                                         QDesktopServices::openUrl(QUrl::fromLocalFile(path));
                                       }
                                     }};
  texkit2::app::installLocateCommands(services, texkit2::platform::hostDrives());

  const QStringList arguments = QApplication::arguments();
  const qsizetype shots = arguments.indexOf("--screenshots");
  if (shots >= 0) {
    if (shots + 2 >= arguments.size()) {
      std::fputs("texkit2: --screenshots needs FOLDER and DATAFOLDER\n", stderr);
      return 2;
    }
    // Screenshots must never touch the user's editor settings.
    services.openRegistry = [] { return texkit2::platform::HostRegistry{}; };
    const QStringList written =
        texkit2::app::writeScreenshots(arguments[shots + 1], arguments[shots + 2], services);
    for (const QString& file : written) {
      std::printf("%s\n", qPrintable(file));
    }
    return written.isEmpty() ? 1 : 0;
  }

  texkit2::app::CExtractApp app(arguments, services);
  return app.Run();
}
