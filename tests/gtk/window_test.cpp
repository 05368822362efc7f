// Desktop windows built from a window design: events, widgets, the Enter key,
// accessibility, colours and pictures, display facts, modal windows; their
// pages (link clicks, what a page may load of its own, printing) and message
// boxes from the Windows style bits, answered by a "user" that a timer lets
// find the dialog.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <csignal>
#include <tuple>

#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

TEST_F(GtkTest, WindowEventsReachTheScreenOnTheLoop) {
  ShowScreen();
  window->Show();
  ui->Loop().Sleep(200ms);
  EXPECT_EQ(events.Count("activated"), 1) << "showing the active window again activates nothing";

  gtk_button_clicked(GTK_BUTTON(window->NativeWidget("cmdNext")));
  EXPECT_EQ(events.Count("clicked cmdNext"), 0) << "delivered later, not inside GTK's signal";
  EXPECT_TRUE(WaitFor([&] { return events.Count("clicked cmdNext") == 1; }));

  gtk_window_close(window->NativeWindow());
  EXPECT_TRUE(WaitFor([&] { return events.Count("close requested") == 1; }));
  EXPECT_TRUE(window->IsOpen()) << "the screen decides whether it closes";
  window->RemoveCloseButton();
  EXPECT_FALSE(gtk_window_get_deletable(window->NativeWindow()));
  gtk_window_close(window->NativeWindow());
  ui->Loop().Sleep(100ms);
  EXPECT_EQ(events.Count("close requested"), 1) << "no close button, nothing to ask";

  gtk_button_clicked(GTK_BUTTON(window->NativeWidget("cmdSkip")));
  window->Close();
  ui->Loop().Sleep(100ms);
  EXPECT_EQ(events.Count("clicked cmdSkip"), 0) << "events of a closed window are dropped";
  EXPECT_FALSE(window->IsOpen());
}

TEST_F(GtkTest, WidgetsFollowTheDesignAndItsChanges) {
  ShowScreen();
  window->SetTitle("Newsletter");
  EXPECT_STREQ(gtk_window_get_title(window->NativeWindow()), "Newsletter");
  EXPECT_EQ(window->NativeWidget("UniFormCaptionB1"), nullptr) << "the caption bar is the title";

  GtkWidget* next = window->NativeWidget("cmdNext");
  gtk_widget_activate(window->NativeWidget("txtName"));
  EXPECT_TRUE(WaitFor([&] { return events.Count("clicked cmdNext") == 1; }))
      << "Enter in a field presses the last bottom button";
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(next)), "_Next >");
  EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(next)), "Next >");
  GtkWidget* legal = window->NativeWidget("lblLegal");
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(legal)), "[License]") << "markers as markup";
  EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(legal)), "[License]");
  EXPECT_EQ(gtk_widget_get_parent(legal), window->NativeWidget("fraBottom")) << "in its frame";
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(next, gtk_widget_get_toplevel(next), 0, 0, &x, &y);
  EXPECT_EQ(x, 200) << "3000 twips at 15 to the pixel";
  EXPECT_EQ(y, 208) << "fraBottom at 200 pixels, the button 8 below";
  EXPECT_EQ(gtk_widget_get_allocated_width(next), 100);

  WidgetSpec changed = ScreenDesign().widgets[6];  // cmdNext
  changed.state.caption = "&Weiter\n\r>";          // a caption's {CRLF}
  changed.state.enabled = false;
  changed.state.toolTipText = "Go on";
  window->UpdateWidget(changed);
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(next)), "_Weiter\n>") << "one line break";
  ui->Loop().Sleep(100ms);
  gtk_widget_translate_coordinates(next, gtk_widget_get_toplevel(next), 0, 0, &x, &y);
  EXPECT_EQ(y, 208) << "the button keeps its row";
  EXPECT_FALSE(gtk_widget_get_sensitive(next));
  EXPECT_STREQ(gtk_widget_get_tooltip_text(next), "Go on");
  changed.state.visible = false;
  window->UpdateWidget(changed);
  EXPECT_FALSE(gtk_widget_get_visible(next));

  WidgetSpec text = ScreenDesign().widgets[7];  // txtName
  text.state.text = "Anna";
  window->UpdateWidget(text);
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(window->NativeWidget("txtName"))), "Anna");
}

TEST_F(GtkTest, SampledPixelsPicturesIconsAndDisplayFacts) {
  window = OpenWindow(events);
  EXPECT_EQ(window->SamplePixel("fraTop", 1, 1), std::nullopt) << "nothing drawn before showing";
  ShowScreen();
  EXPECT_EQ(window->SamplePixel("fraTop", 1, 1), 0x00FFA008u) << "a panel's own colour, BGR";
  const auto dummy = window->SamplePixel("pictDummy", 1, 1);
  ASSERT_TRUE(dummy.has_value());
  EXPECT_EQ(dummy, window->SamplePixel("fraBottom", 1, 1))
      << "the picture has the window colour, as a panel of the theme's colour shows";
  EXPECT_NE(dummy, 0x00FFA008u) << "the picture is opaque, though it lies on fraTop";
  EXPECT_EQ(window->SamplePixel("nothing", 1, 1), std::nullopt);
  EXPECT_EQ(window->SamplePixel("pictDummy", 500, 1), std::nullopt);

  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 20, 10);
  gdk_pixbuf_fill(picture, 0xff0000ff);
  const std::string file = dir.File("icon.png");
  ASSERT_TRUE(gdk_pixbuf_save(picture, file.c_str(), "png", nullptr, nullptr));
  g_object_unref(picture);
  window->SetIcon(file);
  EXPECT_NE(gtk_window_get_icon(window->NativeWindow()), nullptr);
  using Size = std::pair<std::int32_t, std::int32_t>;
  EXPECT_EQ(window->SetImage("pictDummy", file), (Size{300, 150})) << "size in twips";
  EXPECT_EQ(window->SetImage("pictDummy", dir.Write("broken.png", "not a picture")), std::nullopt);
  EXPECT_EQ(window->SetImage("cmdNext", file), std::nullopt) << "not a picture widget";

  EXPECT_TRUE(ui->HasJapaneseFont()) << "fonts-noto-cjk is installed";

  // Twips per pixel follow the resolution.
  GtkSettings* settings = gtk_settings_get_default();
  gint before = 0;
  g_object_get(settings, "gtk-xft-dpi", &before, nullptr);
  g_object_set(settings, "gtk-xft-dpi", 120 * 1024, nullptr);
  std::string error;
  const auto display = GtkWindowSystem::Create(error);
  g_object_set(settings, "gtk-xft-dpi", before, nullptr);
  ASSERT_NE(display, nullptr) << error;
  EXPECT_EQ(display->TwipsPerPixelX(), 12) << "120 dots per inch";
  EXPECT_EQ(display->TwipsPerPixelY(), 12);
}

// Quit from a timer ends a modal wait and then Run, with its status. A modal
// window that closes, and its owner's return to the front, are played by the
// desktop's whole run through the legal window.
TEST_F(GtkTest, QuitEndsRunAndModalWindows) {
  ShowScreen();
  RecordedEvents modalEvents;
  WindowSpec dialogDesign = ScreenDesign();
  dialogDesign.name = "frmModal";
  auto modal = OpenWindow(modalEvents, dialogDesign);
  ui->Loop().StartTimer(100ms, [&] { ui->Loop().Quit(7); });
  modal->ShowModal(window.get());
  EXPECT_TRUE(modal->IsOpen()) << "ended by the quit, not closed";
  EXPECT_EQ(ui->Loop().Run(), 7) << "a run already quitting returns at once";
}

constexpr const char* kLinksPage = R"(<html><body>
<a id="legal" href="vblink/license.htm">License</a>
<a id="popup" href="vblink/license.htm" target="_blank">License</a></body></html>)";

// Link clicks ask the screen; the page goes nowhere else of its own, but
// for pages of the screen's own folder, and keeps no data.
TEST_F(GtkTest, LinksAskTheScreenAndAPageGoesNowhereElseOfItsOwn) {
  events.mayLoad = "file://" + dir.path().string() + "/";
  dir.Write("vblink/license.htm", "<html><body>License text</body></html>");
  dir.Write("next.htm", "<html><body>Next</body></html>");
  ShowScreen();
  GtkBrowser* page = window->FindBrowser("WebBrowser1");
  page->Navigate("file://" + dir.Write("page.htm", kLinksPage) + "?application=OL");
  ASSERT_TRUE(WaitFor([&] { return events.Count("complete WebBrowser1") == 1; }));
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
}

TEST_F(GtkTest, PrintAsksOverTheWindow) {
  ShowScreen();
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
}

// What the user sees of a box: its icon, its buttons by answer code, the one
// Enter presses, and whether it closes without an answer.
std::string Describe(GtkMessageDialog* dialog) {
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog)), "Pavane");
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  EXPECT_STREQ(text, "First line\nSecond line");
  g_free(text);
  // The icon leads the row of the message.
  const gchar* icon = nullptr;
  GtkWidget* row = gtk_widget_get_parent(gtk_message_dialog_get_message_area(dialog));
  GList* children = gtk_container_get_children(GTK_CONTAINER(row));
  if (GTK_IS_IMAGE(children->data) && gtk_widget_get_visible(GTK_WIDGET(children->data))) {
    gtk_image_get_icon_name(GTK_IMAGE(children->data), &icon, nullptr);
  }
  g_list_free(children);
  std::string seen = "icon " + std::string(icon != nullptr ? icon : "none") + ", buttons";
  std::string enter;
  for (int code : {1, 2, 6, 7}) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), code);
    if (button == nullptr) continue;
    seen += " " + std::to_string(code);
    if (gtk_widget_has_default(button)) enter = std::to_string(code);
  }
  return seen + ", Enter " + enter +
         (gtk_window_get_deletable(GTK_WINDOW(dialog)) ? "" : ", must answer");
}

// What the test's user does with a box.
using UserAction = std::function<void(GtkDialog*)>;
UserAction Press(int button) {
  return [button](GtkDialog* box) { gtk_dialog_response(box, button); };
}
const UserAction kCloseBox = [](GtkDialog* box) { gtk_window_close(GTK_WINDOW(box)); };

// Each row: the style bits, what the user does, the answer and what the box
// looked like. Closed, a box answers as Windows does; a Yes/No box stays
// until the user answers. The session ending while a box waits takes the
// box away unanswered, and the program hears of it on its loop, for every
// signal a session's end sends.
TEST_F(GtkTest, MessageBoxesFromTheStyleBitsAndTheSessionsEnd) {
  std::string seen;
  // Shows a box and lets `act` handle it once it is up.
  const auto show = [&](std::uint32_t style, const UserAction& act) {
    EventLoop::TimerId timer = 0;
    timer = ui->Loop().StartTimer(50ms, [&] {
      GtkDialog* dialog = ShownDialog();
      if (dialog == nullptr) return;
      ui->Loop().StopTimer(timer);
      seen = Describe(GTK_MESSAGE_DIALOG(dialog));
      act(dialog);
    });
    const int answer = ui->MessageBox(nullptr, "First line\r\nSecond line", style, "Pavane");
    ui->Loop().StopTimer(timer);
    return answer;
  };
  EventLoop::TimerId later = 0;
  const UserAction closeThenYes = [&](GtkDialog* box) {
    kCloseBox(box);
    later = ui->Loop().StartTimer(100ms, [&, box] {
      ui->Loop().StopTimer(later);
      gtk_dialog_response(box, 6);
    });
  };
  for (const auto& [style, act, answer, box] :
       std::initializer_list<std::tuple<int, UserAction, int, const char*>>{
           {0x23, Press(7), 7, "icon dialog-question, buttons 2 6 7, Enter 6"},
           {0x134, closeThenYes, 6, "icon dialog-warning, buttons 6 7, Enter 7, must answer"},
           {0x41, kCloseBox, 2, "icon dialog-information, buttons 1 2, Enter 1"},
           {0x10, kCloseBox, 1, "icon dialog-error, buttons 1, Enter 1"},
           {0x0, Press(1), 1, "icon none, buttons 1, Enter 1"},
       }) {
    EXPECT_EQ(show(style, act), answer) << "style " << style;
    EXPECT_EQ(seen, box) << "style " << style;
  }

  std::vector<int> heard;
  int current = 0;
  ui->OnEndRequest([&] { heard.push_back(current); });
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    current = number;
    EXPECT_EQ(show(0x24, [number](GtkDialog*) { std::raise(number); }), 0) << number;
  }
  ui->OnEndRequest(nullptr);
  EXPECT_EQ(heard, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
}

}  // namespace
}  // namespace pavane::os::gtk::testing
