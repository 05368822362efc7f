// Pages in the desktop window: loading, DOM reads and writes through page
// scripts, link clicks and the screens' page settings.
#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

constexpr const char* kFormPage = R"(<!DOCTYPE html>
<html><body>
<input id="txtFirstName" value="initial">
<input type="checkbox" id="chkNews">
<input name="txtEmail" id="txtEmailAddr"><input name="txtEmail" id="txtEmailConfirm">
<textarea id="txtNote"></textarea>
<a id="legal" href="vblink/license.htm">License</a>
<a id="popup" href="vblink/license.htm" target="_blank">License</a>
<p style="height: 3000px">long</p>
</body></html>)";

// Reads give what the user typed and ticked; values travel as string
// literals, so nothing in them is script.
TEST_F(GtkTest, PageFieldsAreLiveAndTakeAnyTextAndTheScreensSettings) {
  GtkBrowser* page = LoadPage(kFormPage);
  page->EvaluateScript("document.getElementById('txtFirstName').value = 'Anna'");
  page->EvaluateScript("document.getElementById('chkNews').click()");
  EXPECT_EQ(page->GetAttribute(ElementRef::ById("txtFirstName"), "value"), "Anna");
  EXPECT_EQ(page->GetAttribute(ElementRef::ById("chkNews"), "checked"), "true");

  const std::string nasty =
      "O'Brien \"; window.injected = 1; \" '); window.injected = 1; (' back\\slash\\\n"
      "new line</script><script>window.injected = 1</script>\xE2\x80\xA8\xE6\x97\xA5\xE6\x9C\xAC";
  EXPECT_TRUE(page->SetAttribute(ElementRef::ById("txtNote"), "value", nasty));
  EXPECT_EQ(page->GetAttribute(ElementRef::ById("txtNote"), "value"), nasty);
  EXPECT_EQ(page->EvaluateScript("typeof window.injected"), "undefined") << "nothing ran";

  EXPECT_TRUE(page->Focus(ElementRef::ById("txtEmailConfirm")));
  EXPECT_EQ(page->EvaluateScript("document.activeElement.id"), "txtEmailConfirm");
  EXPECT_FALSE(page->Focus(ElementRef::ById("missing")));

  // The screens' page settings.
  EXPECT_TRUE(page->SetBackgroundColor("08A0FF"));
  EXPECT_EQ(page->EvaluateScript("document.bgColor"), "#08A0FF");
  GdkRGBA viewColour;
  webkit_web_view_get_background_color(page->View(), &viewColour);
  EXPECT_NEAR(viewColour.green, 160 / 255.0, 0.01) << "the view around the page too";

  EXPECT_TRUE(page->SetBodyScroll("no"));
  EXPECT_EQ(page->EvaluateScript("getComputedStyle(document.documentElement).overflow"), "hidden")
      << "no scroll bars on the long page";
  EXPECT_EQ(page->EvaluateScript("getComputedStyle(document.body).overflow"), "hidden");
}

// Link clicks ask the screen; the page goes nowhere else of its own, but
// for pages of the screen's own folder, and keeps no data.
TEST_F(GtkTest, LinksAskTheScreenAndAPageGoesNowhereElseOfItsOwn) {
  events.mayLoad = "file://" + dir.path().string() + "/";
  dir.Write("vblink/license.htm", "<html><body>License text</body></html>");
  dir.Write("next.htm", "<html><body>Next</body></html>");
  GtkBrowser* page = LoadPage(kFormPage);
  EXPECT_EQ(events.log, (std::vector<std::string>{"activated", "complete WebBrowser1"}))
      << "the screen's own Navigate never asks";
  EXPECT_TRUE(webkit_web_view_is_ephemeral(page->View()));
  const std::string pageUrl = page->Url();
  const std::string linkUrl = "file://" + dir.File("vblink/license.htm");
  for (const char* script :
       {"location.href = 'file:///etc/hostname'", "location.href = 'http://127.0.0.1:9/'",
        "location.href = 'data:text/html,<p>x</p>'", "window.open('next.htm')",
        "document.getElementById('popup').click()"}) {
    page->EvaluateScript(script);
    ui->Loop().Sleep(200ms);
    EXPECT_EQ(page->Url(), pageUrl) << script;
  }
  EXPECT_EQ(events.Count("before WebBrowser1 " + linkUrl), 1)
      << "a link meant for a new window is the screen's to decide, and opens none";

  events.cancelNavigation = true;
  page->EvaluateScript("document.getElementById('legal').click()");
  ASSERT_TRUE(WaitFor([&] { return events.Count("before WebBrowser1 " + linkUrl) == 2; }));
  ui->Loop().Sleep(300ms);
  EXPECT_EQ(page->Url(), pageUrl) << "a cancelled link leaves the page";
  EXPECT_EQ(events.Count("complete WebBrowser1"), 1);

  events.cancelNavigation = false;
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
  LoadPage(kFormPage);
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
  EXPECT_TRUE(modalOverTheWindow) << "the dialog belongs to the window";

  gtk_button_clicked(GTK_BUTTON(window->NativeWidget("cmdNext")));
  EXPECT_TRUE(WaitFor([&] { return events.Count("clicked cmdNext") == 1; }))
      << "the window answers after the dialog";
}

}  // namespace
}  // namespace pavane::os::gtk::testing
