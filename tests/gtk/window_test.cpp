// Desktop windows built from a window design: events, widgets, the Enter key,
// accessibility, colours and pictures, display facts, modal windows.
#include <gdk-pixbuf/gdk-pixbuf.h>

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

  WidgetSpec changed = ScreenDesign().widgets[7];  // cmdNext
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

  WidgetSpec text = ScreenDesign().widgets[8];  // txtName
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
  dir.Write("broken.png", "not a picture");
  window->SetIcon(file);
  EXPECT_NE(gtk_window_get_icon(window->NativeWindow()), nullptr);
  using Size = std::pair<std::int32_t, std::int32_t>;
  EXPECT_EQ(window->SetImage("pictDummy", file), (Size{300, 150})) << "size in twips";
  EXPECT_EQ(window->SetImage("pictDummy", dir.File("broken.png")), std::nullopt);
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

TEST_F(GtkTest, QuitEndsRunAndModalWindows) {
  ShowScreen();
  RecordedEvents modalEvents;
  WindowSpec dialogDesign = ScreenDesign();
  dialogDesign.name = "frmModal";
  auto modal = OpenWindow(modalEvents, dialogDesign);

  // A modal window returns when it closes; its owner is active again.
  ui->Loop().StartTimer(200ms, [&] {
    if (modal->IsOpen()) modal->Close();
  });
  modal->ShowModal(window.get());
  EXPECT_FALSE(modal->IsOpen());
  EXPECT_EQ(modalEvents.Count("activated"), 1);
  EXPECT_TRUE(WaitFor([&] { return events.Count("activated") == 2; }))
      << "the owner is activated again";

  // Quit from a timer ends the modal wait and then Run, with its status.
  auto second = OpenWindow(modalEvents, dialogDesign);
  ui->Loop().StartTimer(100ms, [&] { ui->Loop().Quit(7); });
  second->ShowModal(window.get());
  EXPECT_TRUE(second->IsOpen()) << "ended by the quit, not closed";
  EXPECT_EQ(ui->Loop().Run(), 7) << "a run already quitting returns at once";
}

}  // namespace
}  // namespace pavane::os::gtk::testing
