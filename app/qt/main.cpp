#include "Version.h"
#include "app/ExtractApp.h"
#include "app/Help.h"
#include "app/LocateCommands.h"
#include "app/TextureBrowserDlg.h"
#include "app/qt/Screenshots.h"
#include "extract/TrenchBroomPreferences.h"
#include "framework/MessageBox.h"
#include "framework/qt/QtDialog.h"
#include "framework/qt/QtResources.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char* kVersion = TEXKIT2_VERSION;

constexpr const char* kHelp =
    R"(Usage: texkit2 [--version] [--help] [--screenshots FOLDER DATAFOLDER] [FILE.wad]

Opens the Texkit2 window: choose the game, find its data folder, and extract every map
texture of PAK0.PAK and PAK1.PAK into one WAD2 file. See texkit2-cli for the command line.
Given FILE.wad, opens the texture browser on that file alone.

  --screenshots FOLDER DATAFOLDER   render every dialog to PNG files in FOLDER, extracting the
                                    Quake installation in DATAFOLDER (use QT_QPA_PLATFORM=offscreen)
)";

// Beside the program as installed (bin/../share/doc/texkit2), so any install prefix works; the
// build tree has a copy at the same place.
QString readmePath() {
  const QString path = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                       QStringLiteral(TEXKIT2_README_FROM_PROGRAM));
  return QFileInfo::exists(path) ? path : QString();
}

// Qt aborts when it cannot reach the window system it is told to use; say so instead. Only a
// local X display's socket is checked; a remote one is left to Qt.
bool windowSystemReachable() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform != nullptr && *platform != '\0' && std::string(platform).rfind("xcb", 0) != 0 &&
      std::string(platform).rfind("wayland", 0) != 0) {
    return true; // offscreen, vnc, ...: nothing to reach
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland != nullptr && *wayland != '\0') {
    return true;
  }
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    return false;
  }
  const std::string name(display);
  if (name[0] != ':') {
    return true;
  }
  const std::string number = name.substr(1, name.find('.') - 1);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = "/tmp/.X11-unix/X" + number;
  if (socketPath.size() >= sizeof(address.sun_path)) {
    return true;
  }
  socketPath.copy(address.sun_path, socketPath.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return true;
  }
  // The abstract socket Xorg and Xvfb also listen on, then the file.
  bool reached = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  if (!reached) {
    sockaddr_un abstract{};
    abstract.sun_family = AF_UNIX;
    socketPath.copy(abstract.sun_path + 1, socketPath.size());
    const int again = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (again >= 0) {
      const auto length =
          static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + socketPath.size());
      reached = connect(again, reinterpret_cast<const sockaddr*>(&abstract), length) == 0;
      close(again);
    }
  }
  return reached;
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
  if (!windowSystemReachable()) {
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display == '\0') {
      display = nullptr;
    }
    std::fprintf(stderr,
                 "texkit2: no display to open the window on (DISPLAY is %s%s%s).\n"
                 "Run it on a desktop, or without one under a virtual X server:\n"
                 "  xvfb-run -a texkit2\n"
                 "or use the command line: texkit2-cli --help\n",
                 display != nullptr ? "'" : "", display != nullptr ? display : "unset",
                 display != nullptr ? "', which cannot be reached" : "");
    return 1;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("Texkit2");
  QApplication::setApplicationVersion(kVersion);
  QApplication::setWindowIcon(texkit2::framework::LoadIcon(128));
  texkit2::framework::initResources();

  texkit2::framework::SystemMessageBoxService messages;
  texkit2::app::AppServices services{
      texkit2::platform::hostFileSystem(),
      messages,
      [] { return texkit2::platform::openHostRegistry(); },
      {},
      {},
      [&messages] {
        texkit2::app::showHelp(messages, readmePath().toStdString(), [](const std::string& path) {
          return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
        });
      },
      {}};
  texkit2::app::installLocateCommands(services, texkit2::platform::hostDrives());
  auto browser = texkit2::app::systemBrowserServices(services.files, messages);
  services.browseTextures = [&browser](texkit2::framework::CDialog* owner,
                                       const std::string& wadPath) {
    texkit2::app::BrowseTextures(browser, owner, wadPath);
  };
  services.trenchBroomPreferences = [](std::string& whyNot) {
    return texkit2::extract::TrenchBroomPreferencesFile(
        [](const char* name) { return std::getenv(name); }, whyNot);
  };
  services.confirm = [](texkit2::framework::CDialog& owner, const std::string& text,
                        const std::string& caption) {
    return QMessageBox::question(texkit2::framework::qtDialog(owner),
                                 QString::fromStdString(caption), QString::fromStdString(text),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
  };

  const QStringList arguments = QApplication::arguments();
  const qsizetype shots = arguments.indexOf("--screenshots");
  if (shots >= 0) {
    if (shots + 2 >= arguments.size()) {
      std::fputs("texkit2: --screenshots needs FOLDER and DATAFOLDER\n", stderr);
      return 2;
    }
    texkit2::app::QtScreenshotCamera camera;
    return texkit2::app::runScreenshotCommand(
        camera, services.files, arguments[shots + 1].toStdString(),
        arguments[shots + 2].toStdString(),
        [](const std::string& line) { std::printf("%s\n", line.c_str()); },
        [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
  }

  std::vector<std::string> words;
  for (const QString& argument : arguments) {
    words.push_back(argument.toStdString());
  }
  texkit2::app::CExtractApp app(std::move(words), services);
  return app.Run();
}
