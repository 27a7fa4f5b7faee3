// texkit2.exe: the main dialog as the application's main window, drawn by Win32.
#include "Version.h"
#include "app/ExtractApp.h"
#include "app/Help.h"
#include "app/LocateCommands.h"
#include "app/TextureBrowserDlg.h"
#include "app/win32/Screenshots.h"
#include "extract/TrenchBroomPreferences.h"
#include "framework/MessageBox.h"
#include "framework/win32/Win32Api.h"
#include "framework/win32/Win32Dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kVersion = TEXKIT2_VERSION;

// A GUI program has no console of its own; --version and --help answer on the one it was
// started from, if any.
void say(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
      out = GetStdHandle(STD_OUTPUT_HANDLE);
    }
  }
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE) {
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

// The README beside the program, where the zip puts it.
std::string readmePath() {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, length);
  const auto slash = path.find_last_of("\\/");
  path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "README.txt";
  return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? std::string() : path;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--version") {
      say(std::string("texkit2 ") + kVersion + "\r\n");
      return 0;
    }
    if (arguments[i] == "--help") {
      say("Usage: texkit2 [--version] [--help] [--screenshots FOLDER DATAFOLDER] [FILE.wad]\r\n\r\n"
          "Opens the Texkit2 window: choose the game, find its data folder, and extract every\r\n"
          "map texture of PAK0.PAK and PAK1.PAK into one WAD2 file. See texkit2-cli for the\r\n"
          "command line. Given FILE.wad, opens the texture browser on that file alone.\r\n\r\n"
          "  --screenshots FOLDER DATAFOLDER   picture every dialog as .bmp files in FOLDER,\r\n"
          "                                    extracting the Quake installation in "
          "DATAFOLDER\r\n");
      return 0;
    }
    if (arguments[i] == "--screenshots") {
      if (i + 2 >= arguments.size()) {
        say("texkit2: --screenshots needs FOLDER and DATAFOLDER\r\n");
        return 2;
      }
      texkit2::app::Win32ScreenshotCamera camera;
      const auto line = [](const std::string& text) { say(text + "\r\n"); };
      // What the pictures were drawn with, which the manifest decides.
      line(texkit2::app::drawnWith());
      return texkit2::app::runScreenshotCommand(camera, texkit2::platform::hostFileSystem(),
                                                arguments[i + 1], arguments[i + 2], line, line);
    }
  }

  texkit2::framework::SystemMessageBoxService messages;
  texkit2::app::AppServices services{
      texkit2::platform::hostFileSystem(),
      messages,
      [] { return texkit2::platform::openHostRegistry(); },
      {},
      {},
      [&messages] {
        texkit2::app::showHelp(messages, readmePath(), [](const std::string& path) {
          return reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", path.c_str(), nullptr,
                                                         nullptr, SW_SHOWNORMAL)) > 32;
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
  services.confirm = texkit2::framework::win32::askOkCancel;
  texkit2::app::CExtractApp app(std::move(arguments), services);
  return app.Run();
}
