#include "support/child_process.h"

#include <gio/gio.h>

#include <stdexcept>

namespace pavane::testing {
namespace {

std::string Text(GBytes* bytes) {
  gsize size = 0;
  const auto* data = static_cast<const char*>(bytes ? g_bytes_get_data(bytes, &size) : nullptr);
  std::string text(data ? data : "", size);
  if (bytes) g_bytes_unref(bytes);
  return text;
}

}  // namespace

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment) {
  std::vector<const char*> argv{program.c_str()};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  GSubprocessLauncher* launcher = g_subprocess_launcher_new(
      GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE));
  for (const std::string& entry : environment) {
    const std::size_t sign = entry.find('=');
    g_subprocess_launcher_setenv(launcher, entry.substr(0, sign).c_str(), entry.c_str() + sign + 1,
                                 TRUE);
  }
  GError* error = nullptr;
  GSubprocess* child = g_subprocess_launcher_spawnv(launcher, argv.data(), &error);
  g_object_unref(launcher);
  GBytes* out = nullptr;
  GBytes* err = nullptr;
  if (child != nullptr) g_subprocess_communicate(child, nullptr, nullptr, &out, &err, &error);
  if (error != nullptr) {
    const std::string message = error->message;
    g_error_free(error);
    if (child != nullptr) g_object_unref(child);
    throw std::runtime_error("cannot run " + program + ": " + message);
  }
  ProcessResult result{g_subprocess_get_if_exited(child) ? g_subprocess_get_exit_status(child) : -1,
                       Text(out), Text(err)};
  g_object_unref(child);
  return result;
}

}  // namespace pavane::testing
