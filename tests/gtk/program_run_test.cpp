// One whole run of the program on the desktop window system: the newsletter
// screen of an installed build, driven like a user would (typing into the
// page, pressing the native buttons, answering the message box).
#include <gtest/gtest.h>

#include <memory>

#include "app/program.h"
#include "gtk/gtk_fixture.h"
#include "os/curl/curl_http_client.h"
#include "os/posix/sqlite_registry_store.h"
#include "platform/registry.h"
#include "support/devserver_process.h"

namespace pavane::os::gtk::testing {
namespace {

using pavane::testing::ScopedEnv;

bool Logged(const pavane::testing::DevserverProcess& server, const std::string& text) {
  for (const std::string& line : server.LogLines()) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST_F(GtkTest, NewsletterScreenRunsOnTheDesktop) {
  std::vector<std::unique_ptr<ScopedEnv>> environment;
  for (const auto& [name, value] :
       {std::pair{"ProgramFiles", dir.File("programs")}, std::pair{"Temp", dir.File("tmp")},
        std::pair{"XDG_RUNTIME_DIR", dir.File("run")}}) {
    dir.Write(value.substr(dir.path().string().size() + 1) + "/.keep", "");
    environment.push_back(std::make_unique<ScopedEnv>(name, value.c_str()));
  }
  pavane::testing::DevserverProcess server(PAVANE_DEVSERVER_PROGRAM);
  ASSERT_TRUE(server.started());
  os::SqliteRegistryStore store(dir.File("registry.db"));
  platform::Registry registry(
      store, [](const std::string& text) { ADD_FAILURE() << "registry message: " << text; });
  const std::string orlent = "HKEY_LOCAL_MACHINE\\Software\\Orlent";
  registry.CreateKey(orlent);
  registry.SetStringValue(orlent, "Tandem", "");

  // The user: types one address only and presses Next; answers the box that
  // asks for the confirmation; then empties the address and presses Next,
  // which declines. Each step happens on a tick of a 100 ms timer, which
  // also runs while the screen waits (a message box, a page script).
  int step = 0;
  int settling = 0;
  std::string boxText;
  std::string focusedAfterBox;
  const auto user = ui->Loop().StartTimer(100ms, [&] {
    // A user sees the window only once it is shown and active.
    GtkScreenWindow* window = ui->FindWindow("frmEmail");
    if (window == nullptr || ui->ActiveWindow() != window) return;
    GtkBrowser* page = window->FindBrowser("WebBrowser1");
    if (page == nullptr || !page->HasBody()) return;
    GtkButton* next = GTK_BUTTON(window->NativeWidget("cmdNext"));
    if (step == 0) {
      // The screen's activation ends by putting the caret in the first field
      // (the page's autofocus does too, earlier): the user starts typing
      // half a second after seeing it there, once the activation is over.
      if (page->EvaluateScript("document.activeElement.id") != "txtFirstName") return;
      if (++settling < 5) return;
      page->EvaluateScript("document.getElementById('txtEmailAddr').value = 'anna@example.com'");
      gtk_button_clicked(next);
      ++step;
    } else if (step == 1) {
      if (GtkMessageDialog* box = OpenMessageDialog()) {
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        boxText = text;
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(box), message_box::kIdOk);
        ++step;
      }
    } else if (step == 2 && OpenMessageDialog() == nullptr) {
      ++step;  // the screen goes on after its box; the user looks a moment later
    } else if (step == 3) {
      focusedAfterBox = page->EvaluateScript("document.activeElement.id").value_or("");
      page->EvaluateScript("document.getElementById('txtEmailAddr').value = ''");
      gtk_button_clicked(next);
      ++step;
    }
  });
  // A run that goes astray must still end: boxes answered, the run quit.
  const auto watchdog = ui->Loop().StartTimer(60s, [&] {
    if (GtkMessageDialog* box = OpenMessageDialog()) gtk_dialog_response(GTK_DIALOG(box), 1);
    ui->Loop().Quit(99);
  });

  os::CurlHttpClient http;
  const int status =
      app::RunProgram(*ui, registry, http, {server.BaseUrl(), server.BaseUrl(), "norvale.example"},
                      "/app=OL /language=en /onlyemail", PAVANE_STAGE_DIR "/PV");
  ui->Loop().StopTimer(user);
  ui->Loop().StopTimer(watchdog);

  EXPECT_EQ(status, 0);
  EXPECT_EQ(step, 4) << "the user got through every step";
  EXPECT_NE(boxText.find("second time"), std::string::npos) << boxText;
  EXPECT_EQ(focusedAfterBox, "txtEmailConfirm") << "the screen focused the confirmation field";
  server.WaitForLogLines(2, 10s);
  EXPECT_TRUE(Logged(server, "Newsletter_Displayed"));
  EXPECT_TRUE(Logged(server, "Newsletter_Declined"));
  EXPECT_EQ(ui->FindWindow("frmEmail"), nullptr) << "the screen closed its window";
}

}  // namespace
}  // namespace pavane::os::gtk::testing
