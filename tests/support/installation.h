// An installation of the program for a whole run in a test: the built pages
// and language files in a temporary folder, a stub downloader in the
// downloader's place, a registry file of its own with the main application's
// key, the reference server on a port of its own (started when first asked
// for, so that a skipped test starts nothing), and the same stub registered
// as the desktop's web browser (for runs on the desktop window system).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "os/posix/sqlite_registry_store.h"
#include "platform/registry.h"
#include "support/devserver_process.h"
#include "support/temp_dir.h"

namespace pavane::testing {

class Installation {
 public:
  static constexpr const char* kOrlentKey = "HKEY_LOCAL_MACHINE\\Software\\Orlent";

  // `stage` is the build tree's staged layout, `downloader` the stub that
  // records its arguments, `devserver` the reference server program.
  Installation(const std::string& stage, const std::string& downloader,
               const std::string& devserver);
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  // Registers `stub` as the desktop's web browser for the rest of this
  // process. GLib reads where the desktop's folders are once per process, so
  // a test program that may open windows before its first installation
  // calls this first; the constructor calls it too.
  static void RegisterTestBrowser(const std::string& stub);

  const std::string& Root() const { return root_; }
  const TempDir& Dir() const { return dir_; }
  // The folder the program runs from.
  std::string ProgramFolder() const { return root_ + "/PV"; }
  const DevserverProcess& Server() const;
  platform::Registry& Registry() { return *registry_; }

  std::string Value(const std::string& key, const std::string& name) {
    return registry_->GetStringValue(key, name);
  }
  void Set(const std::string& key, const std::string& name, const std::string& value);
  // A sibling product counts as installed when its program file exists.
  void Install(const std::string& code);
  // Moves the downloader to the development layout's folder.
  void UseDevelopmentLayout();
  // The pages are the build's; this gives the installation a copy of its
  // own to change, and returns its "HTML Screens" folder.
  std::string OwnPages();
  // The arguments the stub downloader was started with ({} when it was not
  // started within a few seconds).
  std::vector<std::string> DownloaderArguments() const;
  // Whether the stub downloader has been started, without waiting.
  bool DownloaderStarted() const;
  // The arguments the desktop's browser was started with ({} when it was
  // not started within a few seconds).
  std::vector<std::string> BrowserArguments() const;
  // What reached the reference server, waiting for at least `count` lines.
  std::vector<std::string> ServerLog(std::size_t count) const;

 private:
  TempDir dir_;
  std::string root_;
  std::vector<std::unique_ptr<ScopedEnv>> environment_;
  std::unique_ptr<os::SqliteRegistryStore> store_;
  std::unique_ptr<platform::Registry> registry_;
  std::string devserver_;
  mutable std::unique_ptr<DevserverProcess> server_;
};

}  // namespace pavane::testing
