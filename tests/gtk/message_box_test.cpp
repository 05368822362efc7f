// Message boxes from the Windows style bits, answered by a "user" that a
// timer lets find the dialog.
#include <csignal>

#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

struct SeenBox {
  std::string title;
  std::string text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  std::vector<int> buttons;
  int defaultCode = 0;  // the button Enter answers
  bool deletable = true;
  std::string icon;  // the theme icon shown beside the text
};

void FindIcon(GtkWidget* widget, std::string& icon) {
  if (GTK_IS_IMAGE(widget)) {
    const gchar* name = nullptr;
    gtk_image_get_icon_name(GTK_IMAGE(widget), &name, nullptr);
    if (name != nullptr && gtk_widget_get_visible(widget)) icon = name;
  } else if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* it = children; it != nullptr; it = it->next) FindIcon(GTK_WIDGET(it->data), icon);
    g_list_free(children);
  }
}

class MessageBoxTest : public GtkTest {
 protected:
  // Shows a box and lets `act` handle it once it is up.
  int Show(std::uint32_t style, const std::function<void(GtkDialog*)>& act) {
    EventLoop::TimerId timer = 0;
    timer = ui->Loop().StartTimer(50ms, [&, this] {
      GtkMessageDialog* dialog = OpenMessageDialog();
      if (dialog == nullptr) return;
      ui->Loop().StopTimer(timer);
      Look(dialog);
      act(GTK_DIALOG(dialog));
    });
    const int answer = ui->MessageBox(nullptr, "First line\r\nSecond line", style, "Pavane");
    ui->Loop().StopTimer(timer);
    return answer;
  }

  void Look(GtkMessageDialog* dialog) {
    seen = {};
    seen.title = gtk_window_get_title(GTK_WINDOW(dialog));
    gchar* text = nullptr;
    g_object_get(dialog, "text", &text, "message-type", &seen.type, nullptr);
    seen.text = text;
    g_free(text);
    for (int code : {1, 2, 6, 7}) {
      GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), code);
      if (button == nullptr) continue;
      seen.buttons.push_back(code);
      if (gtk_widget_has_default(button)) seen.defaultCode = code;
    }
    seen.deletable = gtk_window_get_deletable(GTK_WINDOW(dialog));
    FindIcon(gtk_message_dialog_get_message_area(dialog), seen.icon);
    FindIcon(gtk_widget_get_parent(gtk_message_dialog_get_message_area(dialog)), seen.icon);
  }

  SeenBox seen;
};

TEST_F(MessageBoxTest, StyleBitsGiveButtonsIconAndDefault) {
  EXPECT_EQ(Show(0x23, [](GtkDialog* d) { gtk_dialog_response(d, 7); }), 7) << "No";
  EXPECT_EQ(seen.title, "Pavane");
  EXPECT_EQ(seen.text, "First line\nSecond line");
  EXPECT_EQ(seen.type, GTK_MESSAGE_QUESTION);
  EXPECT_EQ(seen.icon, "dialog-question");
  EXPECT_EQ(seen.buttons, (std::vector<int>{2, 6, 7})) << "Yes, No, Cancel";
  EXPECT_EQ(seen.defaultCode, 6) << "the first button by default";

  EXPECT_EQ(Show(0x134, [](GtkDialog* d) { gtk_dialog_response(d, 6); }), 6) << "Yes";
  EXPECT_EQ(seen.type, GTK_MESSAGE_WARNING);
  EXPECT_EQ(seen.icon, "dialog-warning");
  EXPECT_EQ(seen.buttons, (std::vector<int>{6, 7}));
  EXPECT_EQ(seen.defaultCode, 7) << "0x100: the second button";
  EXPECT_FALSE(seen.deletable) << "Yes/No cannot be closed without an answer";

  EXPECT_EQ(Show(0x41, [](GtkDialog* d) { gtk_dialog_response(d, 1); }), 1) << "OK";
  EXPECT_EQ(seen.type, GTK_MESSAGE_INFO);
  EXPECT_EQ(seen.icon, "dialog-information");
  EXPECT_EQ(Show(0x10, [](GtkDialog* d) { gtk_dialog_response(d, 1); }), 1);
  EXPECT_EQ(seen.type, GTK_MESSAGE_ERROR);
  EXPECT_EQ(seen.icon, "dialog-error");
  EXPECT_EQ(seen.buttons, (std::vector<int>{1}));
  EXPECT_EQ(Show(0x0, [](GtkDialog* d) { gtk_dialog_response(d, 1); }), 1);
  EXPECT_EQ(seen.icon, "") << "no style, no icon";
}

// The session ending while a box waits: the box goes away unanswered and the
// program hears of it on its loop, for every signal a session's end sends.
TEST_F(MessageBoxTest, TheSessionsEndClosesTheBoxUnanswered) {
  std::vector<int> heard;
  int current = 0;
  ui->OnEndRequest([&] { heard.push_back(current); });
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    current = number;
    EXPECT_EQ(Show(0x24, [number](GtkDialog*) { std::raise(number); }), 0) << number;
  }
  ui->OnEndRequest(nullptr);
  EXPECT_EQ(heard, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
}

TEST_F(MessageBoxTest, ClosingTheBoxAnswersAsWindowsDoes) {
  EXPECT_EQ(Show(0x1, [](GtkDialog* d) { gtk_window_close(GTK_WINDOW(d)); }), 2)
      << "OK/Cancel closed: Cancel";
  EXPECT_EQ(Show(0x0, [](GtkDialog* d) { gtk_window_close(GTK_WINDOW(d)); }), 1)
      << "OK alone closed: OK";
  // Yes/No: closing is refused; the user must answer.
  int step = 0;
  EXPECT_EQ(Show(0x4,
                 [&](GtkDialog* d) {
                   gtk_window_close(GTK_WINDOW(d));
                   ui->Loop().StartTimer(100ms, [&step, d] {
                     if (step++ == 0) gtk_dialog_response(d, 6);
                   });
                 }),
            6);
}

}  // namespace
}  // namespace pavane::os::gtk::testing
