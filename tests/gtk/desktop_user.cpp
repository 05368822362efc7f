#include "gtk/desktop_user.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gtk/gtk_fixture.h"
#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_compat.h"
#include "os/gtk/script_literal.h"

namespace pavane::os::gtk::testing {
namespace {

using namespace std::chrono_literals;

// Ticks the readiness must hold before the user acts (150 ms).
constexpr int kSettleTicks = 3;

GtkBrowser* LoadedBrowser(GtkScreenWindow& window, const char* name) {
  GtkBrowser* browser = window.FindBrowser(name);
  return browser != nullptr && !browser->Url().empty() ? browser : nullptr;
}

// The record's name for the test that is running: "TandemRoad-xa".
std::string RoadName() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test != nullptr ? test->name() : "road";
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '-');
  return name;
}

}  // namespace

bool ShowsErrorText(std::string_view text) {
  for (std::string_view sign : {"Error in function", "{str", "{#", ">>>"}) {
    if (text.find(sign) != text.npos) return true;
  }
  return false;
}

GtkBrowser* PageWith(GtkScreenWindow& window, const std::string& id) {
  for (const char* name : {"WebBrowser1", "WebBrowser2"}) {
    GtkBrowser* browser = LoadedBrowser(window, name);
    if (browser != nullptr && browser->EvaluateScript("document.getElementById(" +
                                                      ScriptLiteral(id) + ") !== null") == "true") {
      return browser;
    }
  }
  return nullptr;
}

std::vector<std::string> LayoutFaults(GtkScreenWindow& window) {
  std::vector<std::string> faults;
  for (const std::string& name : window.WidgetNames()) {
    GtkWidget* widget = window.NativeWidget(name);
    if (widget == nullptr || !gtk_widget_is_visible(widget)) continue;
    GtkAllocation place;
    gtk_widget_get_allocation(widget, &place);
    int width = -1;
    int height = -1;
    gtk_widget_get_size_request(widget, &width, &height);
    if (GTK_IS_LABEL(widget) || GTK_IS_BUTTON(widget)) {
      if (width > 0 && place.width > width) {
        faults.push_back(name + " needs " + std::to_string(place.width) + " pixels across, has " +
                         std::to_string(width));
      }
      if (height > 0 && place.height > height) {
        faults.push_back(name + " needs " + std::to_string(place.height) + " pixels down, has " +
                         std::to_string(height));
      }
    }
    if (GtkWidget* panel = gtk_widget_get_parent(widget); panel != nullptr) {
      GtkAllocation bounds;
      gtk_widget_get_allocation(panel, &bounds);
      // The panels have no window of their own: a widget's place and its
      // panel's are both in the toplevel's coordinates.
      if (place.x + place.width > bounds.x + bounds.width ||
          place.y + place.height > bounds.y + bounds.height) {
        faults.push_back(name + " reaches out of its panel");
      }
    }
    GtkWidget* text = GTK_IS_BUTTON(widget) ? gtk_bin_get_child(GTK_BIN(widget)) : widget;
    if (text != nullptr && GTK_IS_LABEL(text)) {
      // The laid-out text against the room the label got: a wrapped text
      // with more lines than its box holds is cut without the box growing.
      int textWidth = 0;
      int textHeight = 0;
      pango_layout_get_pixel_size(gtk_label_get_layout(GTK_LABEL(text)), &textWidth, &textHeight);
      GtkAllocation room;
      gtk_widget_get_allocation(text, &room);
      if (textWidth > room.width || textHeight > room.height) {
        faults.push_back(name + " text needs " + std::to_string(textWidth) + " x " +
                         std::to_string(textHeight) + " pixels, has " + std::to_string(room.width) +
                         " x " + std::to_string(room.height));
      }
      if (pango_layout_get_unknown_glyphs_count(gtk_label_get_layout(GTK_LABEL(text))) > 0) {
        faults.push_back(name + " has characters without a glyph");
      }
      if (const std::string shown = gtk_label_get_text(GTK_LABEL(text)); ShowsErrorText(shown)) {
        faults.push_back(name + " shows an error text: " + shown);
      }
    }
  }
  if (const char* title = gtk_window_get_title(window.NativeWindow());
      title != nullptr && ShowsErrorText(title)) {
    faults.push_back(std::string("the title shows an error text: ") + title);
  }
  return faults;
}

namespace {

// The widget drawn on its own, opaque; null when it has no size yet.
cairo_surface_t* Draw(GtkWidget* widget) {
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  if (width <= 1 || height <= 1) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(widget, cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  return surface;
}

}  // namespace

bool SavePng(GtkWidget* widget, const std::string& file) {
  cairo_surface_t* surface = Draw(widget);
  if (surface == nullptr) return false;
  const bool saved = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return saved;
}

std::string RenderedColour(GtkWidget* widget, int x, int y) {
  cairo_surface_t* surface = Draw(widget);
  if (surface == nullptr) return "";
  std::string colour;
  if (x >= 0 && y >= 0 && x < cairo_image_surface_get_width(surface) &&
      y < cairo_image_surface_get_height(surface)) {
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    char text[8];
    std::snprintf(text, sizeof text, "#%06X",
                  reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFFu);
    colour = text;
  }
  cairo_surface_destroy(surface);
  return colour;
}

DesktopUser::DesktopUser(GtkWindowSystem& ui, std::string shots, std::chrono::seconds limit)
    : ui_(ui), shots_(std::move(shots)) {
  timer_ = ui_.Loop().StartTimer(50ms, [this] { OnTick(); });
  watchdog_ = ui_.Loop().StartTimer(limit, [this] {
    if (gaveUp_) return;
    gaveUp_ = true;
    ADD_FAILURE() << "the run did not finish; the user was waiting for " << Waiting();
    ui_.Loop().Quit(99);
  });
}

DesktopUser::~DesktopUser() {
  ui_.Loop().StopTimer(timer_);
  ui_.Loop().StopTimer(watchdog_);
  if (shots_.empty() || saved_.empty()) return;
  const std::filesystem::path folder(shots_);
  SheetRecord record;
  record.language = folder.filename().string();
  record.scaling = std::atoi(folder.parent_path().filename().c_str());
  record.road = RoadName();
  record.shots = saved_;
  const std::string root = folder.parent_path().parent_path().string();
  EXPECT_TRUE(SaveRecord(root, record) && WriteContactSheet(root))
      << "the contact sheet of " << root;
}

DesktopUser& DesktopUser::At(std::string name, std::vector<Action> actions, std::string page) {
  steps_.push_back(Step{std::move(name), std::move(page), std::move(actions), 0, {}});
  return *this;
}

DesktopUser& DesktopUser::Answer(int button, std::string shot) {
  steps_.push_back(Step{"", "", {}, button, std::move(shot)});
  return *this;
}

std::string DesktopUser::Waiting() const {
  if (Finished()) return "nothing";
  const Step& step = steps_[next_];
  return "step " + std::to_string(next_ + 1) + " (" +
         (step.window.empty() ? "a message box" : step.window) + ")";
}

bool DesktopUser::Ready(const Step& step) const {
  if (!ui_.MainLoop().UsersTurn()) return false;
  if (step.window.empty()) return OpenMessageDialog() != nullptr;
  GtkScreenWindow* window = ui_.FindWindow(step.window);
  if (window == nullptr || ui_.ActiveWindow() != window || ui_.MessageBoxOpen()) return false;
  if (!step.page.empty()) {
    GtkBrowser* first = window->FindBrowser("WebBrowser1");
    if (first == nullptr || first->Url().find(step.page) == std::string::npos) return false;
  }
  for (const char* name : {"WebBrowser1", "WebBrowser2"}) {
    GtkBrowser* browser = LoadedBrowser(*window, name);
    if (browser != nullptr && (browser->Busy() || !browser->HasBody())) return false;
  }
  return true;
}

void DesktopUser::OnTick() {
  if (gaveUp_) {
    // The run is ending; a message box still waits for its answer.
    if (GtkMessageDialog* box = OpenMessageDialog()) {
      gtk_dialog_response(GTK_DIALOG(box), message_box::kIdOk);
    }
    return;
  }
  if (Finished()) return;
  const Step& step = steps_[next_];
  if (!Ready(step)) {
    settled_ = 0;
    return;
  }
  if (++settled_ < kSettleTicks) return;
  settled_ = 0;
  // The step is done before its actions run: an action may wait (a page
  // script), and the tick does not come back into itself meanwhile.
  const Step current = step;
  ++next_;
  if (current.window.empty()) {
    GtkMessageDialog* box = OpenMessageDialog();
    gchar* text = nullptr;
    g_object_get(box, "text", &text, nullptr);
    boxTexts_.push_back(text != nullptr ? text : "");
    g_free(text);
    std::vector<std::string> faults;
    if (ShowsErrorText(boxTexts_.back())) {
      faults.push_back("the message shows an error text: " + boxTexts_.back());
      ADD_FAILURE() << faults.back();
    }
    if (!current.shot.empty() && !shots_.empty()) {
      EXPECT_TRUE(SavePng(GTK_WIDGET(box), shots_ + "/" + current.shot + ".png"));
      saved_.push_back({current.shot, current.shot + ".png", faults});
    }
    gtk_dialog_response(GTK_DIALOG(box), current.button);
    return;
  }
  GtkScreenWindow* window = ui_.FindWindow(current.window);
  faults_ = LayoutFaults(*window);
  for (const std::string& fault : faults_) {
    ADD_FAILURE() << current.window << ": " << fault;
  }
  for (const Action& action : current.actions) {
    if (!window->IsOpen()) break;
    action(*window);
  }
}

DesktopUser::Action DesktopUser::Shot(std::string name) {
  return [this, name](GtkScreenWindow& window) {
    if (shots_.empty()) return;
    EXPECT_TRUE(SavePng(GTK_WIDGET(window.NativeWindow()), shots_ + "/" + name + ".png")) << name;
    saved_.push_back({name, name + ".png", faults_});
  };
}

DesktopUser::Action DesktopUser::Fill(std::string id, std::string value) {
  return [id, value](GtkScreenWindow& window) {
    GtkBrowser* page = PageWith(window, id);
    ASSERT_NE(page, nullptr) << "no field " << id;
    page->EvaluateScript("document.getElementById(" + ScriptLiteral(id) +
                         ").value = " + ScriptLiteral(value));
  };
}

DesktopUser::Action DesktopUser::Tick(std::string id) {
  return [id](GtkScreenWindow& window) {
    GtkBrowser* page = PageWith(window, id);
    ASSERT_NE(page, nullptr) << "no check box " << id;
    page->EvaluateScript("document.getElementById(" + ScriptLiteral(id) + ").click()");
  };
}

DesktopUser::Action DesktopUser::Press(std::string button) {
  return [button](GtkScreenWindow& window) {
    GtkWidget* widget = window.NativeWidget(button);
    ASSERT_TRUE(widget != nullptr && GTK_IS_BUTTON(widget)) << "no button " << button;
    ASSERT_TRUE(gtk_widget_is_sensitive(widget) && gtk_widget_is_visible(widget))
        << button << " cannot be pressed";
    gtk_button_clicked(GTK_BUTTON(widget));
  };
}

DesktopUser::Action DesktopUser::Follow(std::string href) {
  return [href](GtkScreenWindow& window) {
    const std::string link =
        "document.querySelector(" + ScriptLiteral("a[href=" + ScriptLiteral(href) + "]") + ")";
    for (const char* name : {"WebBrowser1", "WebBrowser2"}) {
      GtkBrowser* page = LoadedBrowser(window, name);
      if (page == nullptr || page->EvaluateScript(link + " !== null") != "true") continue;
      // The click is not waited for: the window it opens is modal, and its
      // wait must not sit inside this tick, which would not come again.
      const std::string click = link + ".click()";
      compat::EvaluateJavaScript(page->View(), click.c_str(), -1, nullptr, nullptr, nullptr);
      return;
    }
    ADD_FAILURE() << "no link to " << href;
  };
}

}  // namespace pavane::os::gtk::testing
