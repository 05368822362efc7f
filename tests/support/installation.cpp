#include "support/installation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/elapsed.h"

namespace pavane::testing {
namespace fs = std::filesystem;

namespace {

// The desktop's folders, with the stub registered as the web browser. GLib
// reads where they are once per process, so every installation of a test
// program shares them.
const TempDir& DesktopFolder(const std::string& stub) {
  static const TempDir folder;
  static const bool registered = [&] {
    folder.Write("data/applications/pavane-test-browser.desktop",
                 "[Desktop Entry]\nType=Application\nName=Test browser\n"
                 "MimeType=x-scheme-handler/http;x-scheme-handler/https;\n"
                 "Exec=env PAVANE_STUB_RECORD=" +
                     folder.File("browser.txt") + " " + stub + " %u\n");
    folder.Write("config/mimeapps.list",
                 "[Default Applications]\n"
                 "x-scheme-handler/http=pavane-test-browser.desktop\n"
                 "x-scheme-handler/https=pavane-test-browser.desktop\n");
    return true;
  }();
  (void)registered;
  return folder;
}

// The arguments in a stub's record. The stub runs on its own; it gets a
// moment to write its record.
std::vector<std::string> RecordedArguments(const std::string& record) {
  WaitFor([&] { return fs::exists(record); }, std::chrono::seconds(5));
  std::vector<std::string> arguments;
  std::istringstream in(ReadBytes(record));
  for (std::string line; std::getline(in, line);) arguments.push_back(line);
  return arguments;
}

}  // namespace

Installation::Installation(const std::string& stage, const std::string& downloader,
                           const std::string& devserver)
    // Installations live where users put them: under folders with blanks,
    // "?", "#" and "%" in their names.
    : root_((dir_.path() / "Maker Apps ?#%").string()), devserver_(devserver) {
  for (const char* folder : {"/PV", "/programs", "/tmp", "/run"}) {
    fs::create_directories(root_ + folder);
  }
  // A copy: a developer-mode run builds its language file beside these.
  fs::copy(fs::path(stage) / "PV" / "localized", root_ + "/PV/localized",
           fs::copy_options::recursive);
  fs::create_directory_symlink(fs::path(stage) / "localized", root_ + "/localized");
  fs::create_directory_symlink(fs::path(stage) / "HTML Screens", root_ + "/HTML Screens");
  fs::create_symlink(downloader, root_ + "/PV/Fetchwick.exe");

  for (const auto& [name, value] :
       {std::pair{"ProgramFiles", root_ + "/programs"}, std::pair{"Temp", root_ + "/tmp"},
        std::pair{"PAVANE_STUB_RECORD", root_ + "/downloader.txt"},
        std::pair{"XDG_RUNTIME_DIR", root_ + "/run"}, std::pair{"LANG", std::string("C")},
        std::pair{"LC_ALL", std::string()}, std::pair{"LC_MESSAGES", std::string()}}) {
    environment_.push_back(
        std::make_unique<ScopedEnv>(name, value.empty() ? nullptr : value.c_str()));
  }

  // The desktop's browser records what it was given; a record of an earlier
  // installation in this test program is gone.
  RegisterTestBrowser(downloader);
  fs::remove(DesktopFolder(downloader).File("browser.txt"));

  store_ = std::make_unique<os::SqliteRegistryStore>(root_ + "/registry.db");
  registry_ = std::make_unique<platform::Registry>(
      *store_, [](const std::string& text) { ADD_FAILURE() << "registry message: " << text; });
  // The main application's setup leaves its key and an empty reply value.
  registry_->CreateKey(kOrlentKey);
  registry_->SetStringValue(kOrlentKey, "Tandem", "");
}

void Installation::RegisterTestBrowser(const std::string& stub) {
  const TempDir& folder = DesktopFolder(stub);
  setenv("XDG_DATA_HOME", folder.File("data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
}

void Installation::Set(const std::string& key, const std::string& name, const std::string& value) {
  registry_->CreateKey(key);
  registry_->SetStringValue(key, name, value);
}

void Installation::Install(const std::string& code) {
  const std::string file = code == "OL"   ? "Orlent/orlent.exe"
                           : code == "SW" ? "Sweeple/sweeple.exe"
                                          : "Patchory/Patch-ory.exe";
  dir_.Write(fs::relative(root_ + "/programs/" + file, dir_.path()).string(), "installed");
}

void Installation::UseDevelopmentLayout() {
  const fs::path downloader = fs::read_symlink(root_ + "/PV/Fetchwick.exe");
  fs::remove(root_ + "/PV/Fetchwick.exe");
  fs::create_directories(root_ + "/FW");
  fs::create_symlink(downloader, root_ + "/FW/Fetchwick.exe");
}

std::string Installation::OwnPages() {
  const fs::path pages = root_ + "/HTML Screens";
  const fs::path stage = fs::read_symlink(pages);
  fs::remove(pages);
  fs::copy(stage, pages, fs::copy_options::recursive);
  return pages.string();
}

std::vector<std::string> Installation::DownloaderArguments() const {
  return RecordedArguments(root_ + "/downloader.txt");
}

bool Installation::DownloaderStarted() const {
  return fs::exists(root_ + "/downloader.txt");
}

std::vector<std::string> Installation::BrowserArguments() const {
  return RecordedArguments(DesktopFolder("").File("browser.txt"));
}

const DevserverProcess& Installation::Server() const {
  if (!server_) server_ = std::make_unique<DevserverProcess>(devserver_);
  return *server_;
}

std::vector<std::string> Installation::ServerLog(std::size_t count) const {
  return Server().WaitForLogLines(count, std::chrono::seconds(10));
}

}  // namespace pavane::testing
