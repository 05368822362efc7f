// Pages in the desktop window: link clicks, what a page may load of its own,
// printing.
#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

constexpr const char* kLinksPage = R"(<html><body>
<a id="legal" href="vblink/license.htm">License</a>
<a id="popup" href="vblink/license.htm" target="_blank">License</a></body></html>)";

// Link clicks ask the screen; the page goes nowhere else of its own, but
// for pages of the screen's own folder, and keeps no data.
TEST_F(GtkTest, LinksAskTheScreenAndAPageGoesNowhereElseOfItsOwn) {
  events.mayLoad = "file://" + dir.path().string() + "/";
  dir.Write("vblink/license.htm", "<html><body>License text</body></html>");
  dir.Write("next.htm", "<html><body>Next</body></html>");
  GtkBrowser* page = LoadPage(kLinksPage);
  EXPECT_EQ(events.log, (std::vector<std::string>{"activated", "complete WebBrowser1"}))
      << "the screen's own Navigate never asks";
  EXPECT_TRUE(webkit_web_view_is_ephemeral(page->View()));
  const std::string pageUrl = page->Url();
  const std::string linkUrl = "file://" + dir.File("vblink/license.htm");
  events.cancelNavigation = true;
  page->EvaluateScript("document.getElementById('legal').click()");
  ASSERT_TRUE(WaitFor([&] { return events.Count("before WebBrowser1 " + linkUrl) == 1; }));
  ui->Loop().Sleep(300ms);
  EXPECT_EQ(page->Url(), pageUrl) << "a cancelled link leaves the page";

  events.cancelNavigation = false;
  for (const char* script :
       {"location.href = 'file:///etc/hostname'", "location.href = 'http://127.0.0.1:9/'",
        "location.href = 'data:text/html,<p>x</p>'", "window.open('next.htm')",
        "document.getElementById('popup').click()"}) {
    page->EvaluateScript(script);
    ui->Loop().Sleep(200ms);
    EXPECT_EQ(page->Url(), pageUrl) << script;
  }
  EXPECT_EQ(events.Count("before WebBrowser1 " + linkUrl), 2)
      << "a link meant for a new window is the screen's to decide, and opens none";
  EXPECT_EQ(events.Count("complete WebBrowser1"), 1);

  page->EvaluateScript("document.getElementById('legal').click()");
  ASSERT_TRUE(WaitFor([&] { return events.Count("complete WebBrowser1") == 2; }));
  EXPECT_EQ(page->Url(), linkUrl);

  page->EvaluateScript("location.href = '../next.htm'");
  EXPECT_TRUE(WaitFor([&] { return events.Count("complete WebBrowser1") == 3; }))
      << "a page of the screen's own folder loads";
  page->Navigate("file://" + dir.File("nowhere.htm"));
  EXPECT_TRUE(WaitFor([&] { return !page->Busy() && events.Count("complete WebBrowser1") == 4; }))
      << "a missing page still completes";
}

TEST_F(GtkTest, PrintAsksOverTheWindowAndTheWindowStaysUsable) {
  LoadPage(kLinksPage);
  // The user looks at the print dialog for a moment and cancels it.
  bool modalOverTheWindow = false;
  int ticks = 0;
  const auto user = ui->Loop().StartTimer(100ms, [&] {
    GtkDialog* dialog = ShownDialog();
    if (dialog == nullptr || ++ticks < 4) return;
    modalOverTheWindow = gtk_window_get_modal(GTK_WINDOW(dialog)) &&
                         gtk_window_get_transient_for(GTK_WINDOW(dialog)) == window->NativeWindow();
    gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL);
  });
  ui->PrintPage(*window, "WebBrowser1");
  ui->Loop().StopTimer(user);
  EXPECT_EQ(ui->MainLoop().TimerCount(), 0u) << "a stopped timer is forgotten";
  EXPECT_TRUE(modalOverTheWindow) << "the dialog belongs to the window";

  gtk_button_clicked(GTK_BUTTON(window->NativeWidget("cmdNext")));
  EXPECT_TRUE(WaitFor([&] { return events.Count("clicked cmdNext") == 1; }))
      << "the window answers after the dialog";
}

}  // namespace
}  // namespace pavane::os::gtk::testing
