// A screen window of the desktop window system: a GtkWindow built from the
// window design, one GtkBrowser per browser widget. (Named GtkScreenWindow
// because GtkWindow is GTK's own type.)
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::gtk {

class GtkBrowser;
class GtkWindowSystem;

class GtkScreenWindow final : public Window {
 public:
  GtkScreenWindow(GtkWindowSystem& system, const WindowSpec& design, WindowEvents& events);
  ~GtkScreenWindow() override;
  GtkScreenWindow(const GtkScreenWindow&) = delete;
  GtkScreenWindow& operator=(const GtkScreenWindow&) = delete;

  const std::string& Name() const override { return design_.name; }
  void Show() override;
  void ShowModal(Window* owner) override;
  void Close() override;
  bool IsOpen() const override { return window_ != nullptr; }
  void SetTopmost(bool topmost) override;
  void RemoveCloseButton() override;
  void SetIcon(const std::string& imageFile) override;
  void SetTitle(const std::string& title) override;
  void UpdateWidget(const WidgetSpec& widget) override;
  std::optional<std::pair<std::int32_t, std::int32_t>> SetImage(
      const std::string& widget, const std::string& imageFile) override;
  Browser* GetBrowser(std::string_view widget) override;
  std::optional<std::uint32_t> SamplePixel(std::string_view widget, int x, int y) override;
  std::pair<std::int32_t, std::int32_t> Position() const override;
  void SetPosition(std::int32_t left, std::int32_t top) override;

  // --- GTK only.

  GtkWindowSystem& System() const { return system_; }
  // Null once the window is closed.
  GtkWindow* NativeWindow() const { return window_; }
  // The widget's GTK widget; null for the caption bar, unknown names and a
  // closed window.
  GtkWidget* NativeWidget(std::string_view name) const;
  GtkBrowser* FindBrowser(std::string_view name) const;
  const std::vector<std::unique_ptr<GtkBrowser>>& Browsers() const { return browsers_; }
  // A widget as the design (and the program's changes since) has it; null
  // for unknown names.
  const WidgetSpec* Design(std::string_view name) const;
  // The pixels of the picture last loaded into an image widget as its file
  // has them (drawn for 96 dpi); {0, 0} for none.
  std::pair<int, int> PictureFileSize(std::string_view name) const;
  // The names of the window's widgets, in design order.
  std::vector<std::string> WidgetNames() const;
  bool HasCloseButton() const { return closeButton_; }
  // Hands `event` to the screen on a later loop iteration, unless the window
  // has closed by then (`dropped` runs instead). False when it is closed
  // already.
  bool PostEvent(std::function<void(WindowEvents&)> event, std::function<void()> dropped = {});
  // The screen, for questions it answers at once (WindowEvents::MayLoad).
  WindowEvents& Events() { return events_; }

 private:
  friend class GtkWindowSystem;

  struct Native {
    WidgetSpec description;
    GtkWidget* widget = nullptr;  // null for the caption bar
    GtkCssProvider* style = nullptr;
    std::pair<int, int> pictureFile{0, 0};
  };

  void Build();
  void Present();
  // Closes without a word in the transcript (the window goes away).
  void Destroy();
  GtkWidget* CreateNative(const WidgetSpec& description);
  void Apply(Native& native);
  void ApplyStyle(Native& native);
  void MakeDefaultButton();
  Native* Find(std::string_view name);
  const Native* Find(std::string_view name) const;
  int Pixels(std::int32_t twips) const;
  // Became the program's active window.
  void BecameActive();

  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean OnFocusIn(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean OnMap(GtkWidget* widget, GdkEvent* event, gpointer self);
  static void OnButtonClicked(GtkButton* button, gpointer self);

  GtkWindowSystem& system_;
  WindowSpec design_;
  WindowEvents& events_;
  GtkWindow* window_ = nullptr;
  GtkWidget* root_ = nullptr;
  std::vector<Native> natives_;
  std::vector<std::unique_ptr<GtkBrowser>> browsers_;
  // Shared with posted events: false once the window is closed.
  std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
  bool modal_ = false;
  bool closeButton_ = true;
};

}  // namespace pavane::os::gtk
