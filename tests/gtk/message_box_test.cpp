// Message boxes from the Windows style bits, answered by a "user" that a
// timer lets find the dialog.
#include <csignal>
#include <tuple>

#include "gtk/gtk_fixture.h"

namespace pavane::os::gtk::testing {
namespace {

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

class MessageBoxTest : public GtkTest {
 protected:
  // Shows a box and lets `act` handle it once it is up.
  int Show(std::uint32_t style, const UserAction& act) {
    EventLoop::TimerId timer = 0;
    timer = ui->Loop().StartTimer(50ms, [&, this] {
      GtkDialog* dialog = ShownDialog();
      if (dialog == nullptr) return;
      ui->Loop().StopTimer(timer);
      seen = Describe(GTK_MESSAGE_DIALOG(dialog));
      act(dialog);
    });
    const int answer = ui->MessageBox(nullptr, "First line\r\nSecond line", style, "Pavane");
    ui->Loop().StopTimer(timer);
    return answer;
  }

  std::string seen;
};

// Each row: the style bits, what the user does, the answer and what the box
// looked like. Closed, a box answers as Windows does; a Yes/No box stays
// until the user answers.
TEST_F(MessageBoxTest, StyleBitsGiveButtonsIconAndDefault) {
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
    EXPECT_EQ(Show(style, act), answer) << "style " << style;
    EXPECT_EQ(seen, box) << "style " << style;
  }
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

}  // namespace
}  // namespace pavane::os::gtk::testing
