#include "os/gtk/gtk_screen_window.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "os/files.h"
#include "os/gtk/caption_text.h"
#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_compat.h"
#include "os/gtk/gtk_window_system.h"

namespace pavane::os::gtk {
namespace {

constexpr std::uint64_t kMaxImageBytes = 16 * 1024 * 1024;
constexpr const char* kWidgetNameKey = "pavane-widget";

// A picture file as a pixbuf (a new reference); null when it cannot be read.
GdkPixbuf* LoadPicture(const std::string& path) {
  std::string bytes;
  FileError error;
  if (!ReadFileBytes(path, kMaxImageBytes, bytes, error)) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  const bool written = gdk_pixbuf_loader_write(
      loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr);
  // Closed in any case: a loader left open complains when it goes.
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (pixbuf != nullptr) g_object_ref(pixbuf);
  g_object_unref(loader);
  return pixbuf;
}

// "#RRGGBB" for a colour given as 0x00BBGGRR; nothing for a system colour
// (0x800000nn), which leaves the theme's own.
std::optional<std::string> CssColour(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  if ((bits & 0xFF000000u) != 0) return std::nullopt;
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", bits & 0xFF, (bits >> 8) & 0xFF,
                (bits >> 16) & 0xFF);
  return text;
}

// Decimal text independent of the locale GTK has switched the process to.
std::string Decimal(double value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : "0";
}

std::string CssString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c != '\n' && c != '\r') quoted += c;
  }
  return quoted + "\"";
}

std::string StyleSheet(const WidgetSpec& description) {
  const WidgetState& s = description.state;
  std::string css = "* {";
  if (!s.fontName.empty()) css += " font-family: " + CssString(s.fontName) + ";";
  if (s.fontSize > 0) css += " font-size: " + Decimal(s.fontSize) + "pt;";
  css += s.fontBold ? " font-weight: bold;" : " font-weight: normal;";
  css += s.fontItalic ? " font-style: italic;" : " font-style: normal;";
  if (s.fontUnderline) css += " text-decoration-line: underline;";
  if (const auto fore = CssColour(s.foreColor)) css += " color: " + *fore + ";";
  // A button's face is the theme's; the old buttons showed their colour only
  // in a style the screens do not use. An image has no background at all.
  const bool ownFace = description.kind == WidgetKind::kButton ||
                       description.kind == WidgetKind::kCheckBox ||
                       description.kind == WidgetKind::kImage;
  // The theme's buttons are taller than the designs' (23 pixels at 96 dpi
  // and up): the caption keeps its room, the frame around it gets less.
  if (description.kind == WidgetKind::kButton) {
    css += " min-height: 0; padding: 1px 4px;";
  }
  if (const auto back = CssColour(s.backColor); back && !ownFace) {
    css += " background-color: " + *back + "; background-image: none;";
  }
  return css + " }";
}

// Panels, labels and pictures draw no background of their own in GTK 3;
// this paints the one their style gives (none for the theme's default). A
// picture is opaque, as the old ones were: in the window colour unless it
// has its own, whatever lies below it (pictDummy sits on the header panel,
// and the screens sample it to learn the window colour).
gboolean DrawBackground(GtkWidget* widget, cairo_t* cr, gpointer opaque) {
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  if (opaque != nullptr) {
    gtk_render_background(gtk_widget_get_style_context(gtk_widget_get_toplevel(widget)), cr, 0, 0,
                          width, height);
  }
  gtk_render_background(gtk_widget_get_style_context(widget), cr, 0, 0, width, height);
  return FALSE;
}

// The widget's pixel at (x, y) as 0x00BBGGRR with its alpha; the widget is
// rendered on its own.
std::optional<std::pair<std::uint32_t, unsigned>> RenderedPixel(GtkWidget* widget, int x, int y) {
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(widget, cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const unsigned char* row =
      cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  const std::uint32_t argb = reinterpret_cast<const std::uint32_t*>(row)[x];
  cairo_surface_destroy(surface);
  const unsigned alpha = argb >> 24;
  if (alpha == 0) return std::pair{0u, 0u};
  // Premultiplied in the surface; the colour itself is wanted.
  const auto channel = [&](int shift) { return ((argb >> shift) & 0xFF) * 255 / alpha; };
  return std::pair{channel(16) | channel(8) << 8 | channel(0) << 16, alpha};
}

}  // namespace

GtkScreenWindow::GtkScreenWindow(GtkWindowSystem& system, const WindowSpec& design,
                                 WindowEvents& events)
    : system_(system), design_(design), events_(events) {
  Build();
}

GtkScreenWindow::~GtkScreenWindow() {
  Destroy();
  system_.Forget(this);
}

int GtkScreenWindow::Pixels(std::int32_t twips) const {
  return static_cast<int>(std::lround(twips / system_.LayoutTwipsPerPixel()));
}

void GtkScreenWindow::Build() {
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_title(window_, design_.title.c_str());
  gtk_window_set_position(window_, GTK_WIN_POS_CENTER);
  // The window has the design's size, whatever its contents would like: a
  // page's natural height is the whole document's, which would stretch a
  // window that only fits its contents. Equal least and largest sizes keep
  // the user from resizing it.
  const int width = Pixels(design_.clientWidth);
  const int height = Pixels(design_.clientHeight);
  gtk_window_set_default_size(window_, width, height);
  GdkGeometry size{};
  size.min_width = size.max_width = width;
  size.min_height = size.max_height = height;
  gtk_window_set_geometry_hints(window_, nullptr, &size,
                                static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  root_ = gtk_fixed_new();
  gtk_widget_set_size_request(root_, width, height);
  gtk_container_add(GTK_CONTAINER(window_), root_);
  gtk_widget_show(root_);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "focus-in-event", G_CALLBACK(OnFocusIn), this);
  g_signal_connect(window_, "map-event", G_CALLBACK(OnMap), this);

  // Containers come first in design order, so a widget's frame exists when
  // the widget is placed.
  natives_.reserve(design_.widgets.size());
  for (const WidgetSpec& description : design_.widgets) {
    natives_.push_back(Native{description, CreateNative(description), nullptr});
    Apply(natives_.back());
  }
  MakeDefaultButton();
}

GtkWidget* GtkScreenWindow::CreateNative(const WidgetSpec& description) {
  GtkWidget* widget = nullptr;
  bool paintsBackground = false;
  bool opaque = false;
  switch (description.kind) {
    case WidgetKind::kCaptionBar:
      return nullptr;  // its caption is the window title
    case WidgetKind::kFrame:
      widget = gtk_fixed_new();
      paintsBackground = true;
      break;
    case WidgetKind::kLabel:
    case WidgetKind::kLinkLabel:
      widget = gtk_label_new(nullptr);
      gtk_label_set_line_wrap_mode(GTK_LABEL(widget), PANGO_WRAP_WORD_CHAR);
      gtk_label_set_yalign(GTK_LABEL(widget), 0);
      paintsBackground = true;
      break;
    case WidgetKind::kButton:
      widget = gtk_button_new();
      gtk_button_set_use_underline(GTK_BUTTON(widget), TRUE);
      g_signal_connect(widget, "clicked", G_CALLBACK(OnButtonClicked), this);
      break;
    case WidgetKind::kCheckBox:
      widget = gtk_check_button_new();
      gtk_button_set_use_underline(GTK_BUTTON(widget), TRUE);
      break;
    case WidgetKind::kTextBox:
      widget = gtk_entry_new();
      gtk_entry_set_activates_default(GTK_ENTRY(widget), TRUE);
      break;
    case WidgetKind::kImage:
      widget = gtk_image_new();  // transparent, as the old image controls
      break;
    case WidgetKind::kPicture:
      widget = gtk_image_new();
      paintsBackground = true;
      opaque = true;
      break;
    case WidgetKind::kBrowser:
      widget = GTK_WIDGET(system_.NewPageView());
      break;
  }
  if (paintsBackground) {
    g_signal_connect(widget, "draw", G_CALLBACK(DrawBackground), opaque ? widget : nullptr);
  }
  g_object_set_data_full(G_OBJECT(widget), kWidgetNameKey, g_strdup(description.name.c_str()),
                         g_free);

  const Native* container = description.container.empty() ? nullptr : Find(description.container);
  GtkWidget* parent =
      container != nullptr && container->widget != nullptr && GTK_IS_FIXED(container->widget)
          ? container->widget
          : root_;
  gtk_fixed_put(GTK_FIXED(parent), widget, 0, 0);
  if (description.kind == WidgetKind::kBrowser) {
    browsers_.push_back(
        std::make_unique<GtkBrowser>(*this, description.name, WEBKIT_WEB_VIEW(widget)));
  }
  return widget;
}

void GtkScreenWindow::Apply(Native& native) {
  GtkWidget* widget = native.widget;
  if (widget == nullptr) return;
  const WidgetKind kind = native.description.kind;
  const WidgetState& s = native.description.state;
  const bool label = kind == WidgetKind::kLabel || kind == WidgetKind::kLinkLabel;
  const std::string caption = UnixLines(s.caption);

  if (GtkWidget* parent = gtk_widget_get_parent(widget);
      parent != nullptr && GTK_IS_FIXED(parent)) {
    gtk_fixed_move(GTK_FIXED(parent), widget, Pixels(s.left), Pixels(s.top));
  }
  // An auto-sized label grows with its text: across, or down when it wraps.
  const bool naturalWidth = label && s.autoSize && !s.wordWrap;
  const bool naturalHeight = label && s.autoSize;
  gtk_widget_set_size_request(widget, naturalWidth ? -1 : std::max(0, Pixels(s.width)),
                              naturalHeight ? -1 : std::max(0, Pixels(s.height)));
  gtk_widget_set_visible(widget, s.visible);
  gtk_widget_set_sensitive(widget, s.enabled);
  gtk_widget_set_tooltip_text(widget, s.toolTipText.empty() ? nullptr : s.toolTipText.c_str());

  const float xalign = s.alignment == 1 ? 1.0f : (s.alignment == 2 ? 0.5f : 0.0f);
  switch (kind) {
    case WidgetKind::kLabel:
    case WidgetKind::kLinkLabel:
      if (kind == WidgetKind::kLinkLabel) {
        gtk_label_set_markup(GTK_LABEL(widget), LinkCaptionMarkup(caption).c_str());
      } else {
        gtk_label_set_text(GTK_LABEL(widget), caption.c_str());
      }
      // A fixed-size label wraps inside its box, as the old labels did.
      gtk_label_set_line_wrap(GTK_LABEL(widget), s.wordWrap || !s.autoSize);
      gtk_label_set_xalign(GTK_LABEL(widget), xalign);
      gtk_label_set_justify(GTK_LABEL(widget), s.alignment == 1   ? GTK_JUSTIFY_RIGHT
                                               : s.alignment == 2 ? GTK_JUSTIFY_CENTER
                                                                  : GTK_JUSTIFY_LEFT);
      break;
    case WidgetKind::kButton:
      gtk_button_set_label(GTK_BUTTON(widget), MnemonicCaption(caption).c_str());
      break;
    case WidgetKind::kCheckBox:
      gtk_button_set_label(GTK_BUTTON(widget), MnemonicCaption(caption).c_str());
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), s.value == 1);
      gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(widget), s.value == 2);
      break;
    case WidgetKind::kTextBox:
      // Only a real change: setting the same text again would move the caret.
      if (s.text != gtk_entry_get_text(GTK_ENTRY(widget))) {
        gtk_entry_set_text(GTK_ENTRY(widget), s.text.c_str());
      }
      gtk_entry_set_alignment(GTK_ENTRY(widget), xalign);
      break;
    default:
      break;
  }
  if (!caption.empty()) {
    atk_object_set_name(gtk_widget_get_accessible(widget),
                        AccessibleCaption(caption, kind == WidgetKind::kLinkLabel).c_str());
  }
  ApplyStyle(native);
}

void GtkScreenWindow::ApplyStyle(Native& native) {
  GtkStyleContext* context = gtk_widget_get_style_context(native.widget);
  if (native.style == nullptr) {
    native.style = gtk_css_provider_new();
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(native.style),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  const std::string css = StyleSheet(native.description);
  GError* error = nullptr;
  if (!gtk_css_provider_load_from_data(native.style, css.c_str(), -1, &error)) {
    std::fprintf(stderr, "pavane: style of %s not applied: %s\n", native.description.name.c_str(),
                 error->message);
    g_error_free(error);
  }
}

void GtkScreenWindow::MakeDefaultButton() {
  // The last button of the bottom panel is the screen's way on (Next,
  // Accept, OK): Enter answers it.
  GtkWidget* last = nullptr;
  for (const Native& native : natives_) {
    if (native.description.kind == WidgetKind::kButton &&
        native.description.container == "fraBottom") {
      last = native.widget;
    }
  }
  if (last == nullptr) return;
  gtk_widget_set_can_default(last, TRUE);
  gtk_window_set_default(window_, last);
}

GtkScreenWindow::Native* GtkScreenWindow::Find(std::string_view name) {
  for (Native& native : natives_) {
    if (native.description.name == name) return &native;
  }
  return nullptr;
}

const GtkScreenWindow::Native* GtkScreenWindow::Find(std::string_view name) const {
  return const_cast<GtkScreenWindow*>(this)->Find(name);
}

std::vector<std::string> GtkScreenWindow::WidgetNames() const {
  std::vector<std::string> names;
  for (const Native& native : natives_) names.push_back(native.description.name);
  return names;
}

const WidgetSpec* GtkScreenWindow::Design(std::string_view name) const {
  const Native* native = Find(name);
  return native != nullptr ? &native->description : nullptr;
}

std::pair<int, int> GtkScreenWindow::PictureFileSize(std::string_view name) const {
  const Native* native = Find(name);
  return native != nullptr ? native->pictureFile : std::pair{0, 0};
}

GtkWidget* GtkScreenWindow::NativeWidget(std::string_view name) const {
  const Native* native = Find(name);
  return native != nullptr ? native->widget : nullptr;
}

GtkBrowser* GtkScreenWindow::FindBrowser(std::string_view name) const {
  for (const auto& browser : browsers_) {
    if (browser->Name() == name) return browser.get();
  }
  return nullptr;
}

Browser* GtkScreenWindow::GetBrowser(std::string_view widget) {
  return FindBrowser(widget);
}

bool GtkScreenWindow::PostEvent(std::function<void(WindowEvents&)> event,
                                std::function<void()> dropped) {
  if (!*open_) return false;
  system_.MainLoop().Post(
      [open = open_, events = &events_, event = std::move(event), dropped = std::move(dropped)] {
        if (*open) {
          event(*events);
        } else if (dropped) {
          dropped();
        }
      });
  return true;
}

void GtkScreenWindow::BecameActive() {
  if (system_.MakeActive(this)) PostEvent([](WindowEvents& events) { events.Activated(); });
}

gboolean GtkScreenWindow::OnMap(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer self) {
  static_cast<GtkScreenWindow*>(self)->BecameActive();
  return FALSE;
}

gboolean GtkScreenWindow::OnFocusIn(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer self) {
  static_cast<GtkScreenWindow*>(self)->BecameActive();
  return FALSE;
}

gboolean GtkScreenWindow::OnDelete(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer self) {
  auto* window = static_cast<GtkScreenWindow*>(self);
  // The screen decides whether the window closes; without a close button
  // (Alt+F4 still asks) there is nothing to decide.
  if (window->closeButton_) {
    window->PostEvent([](WindowEvents& events) { events.CloseRequested(); });
  }
  return TRUE;
}

void GtkScreenWindow::OnButtonClicked(GtkButton* button, gpointer self) {
  const auto* name = static_cast<const char*>(g_object_get_data(G_OBJECT(button), kWidgetNameKey));
  if (name == nullptr) return;
  static_cast<GtkScreenWindow*>(self)->PostEvent(
      [name = std::string(name)](WindowEvents& events) { events.ButtonClicked(name); });
}

void GtkScreenWindow::Show() {
  if (window_ == nullptr) return;
  if (!gtk_widget_get_visible(GTK_WIDGET(window_))) {
    system_.Transcript().Show(Name(), false, nullptr);
  } else if (system_.ActiveWindow() == this) {
    return;
  }
  Present();
}

void GtkScreenWindow::Present() {
  gtk_widget_show(GTK_WIDGET(window_));
  gtk_window_present(window_);
}

void GtkScreenWindow::ShowModal(Window* owner) {
  if (window_ == nullptr) return;
  system_.Transcript().Show(Name(), true, owner);
  if (auto* ownerWindow = dynamic_cast<GtkScreenWindow*>(owner);
      ownerWindow != nullptr && ownerWindow->window_ != nullptr) {
    gtk_window_set_transient_for(window_, ownerWindow->window_);
  }
  gtk_window_set_modal(window_, TRUE);
  modal_ = true;
  Present();
  system_.MainLoop().RunModal([this] { return window_ == nullptr; });
}

void GtkScreenWindow::Close() {
  if (window_ == nullptr) return;
  system_.Transcript().Close(Name());
  Destroy();
}

void GtkScreenWindow::Destroy() {
  if (window_ == nullptr) return;
  *open_ = false;
  for (const auto& browser : browsers_) browser->Detach();
  for (Native& native : natives_) {
    if (native.style != nullptr) g_object_unref(native.style);
    native.style = nullptr;
    native.widget = nullptr;
  }
  GtkWindow* window = window_;
  window_ = nullptr;
  root_ = nullptr;
  modal_ = false;
  g_signal_handlers_disconnect_by_data(window, this);
  gtk_widget_destroy(GTK_WIDGET(window));
  system_.Closed(this);
}

void GtkScreenWindow::SetTopmost(bool topmost) {
  system_.Transcript().Topmost(Name(), topmost);
  if (window_ != nullptr) gtk_window_set_keep_above(window_, topmost);
}

void GtkScreenWindow::RemoveCloseButton() {
  system_.Transcript().CloseButtonRemoved(Name());
  closeButton_ = false;
  if (window_ != nullptr) gtk_window_set_deletable(window_, FALSE);
}

void GtkScreenWindow::SetIcon(const std::string& imageFile) {
  if (window_ == nullptr) return;
  if (GdkPixbuf* icon = LoadPicture(imageFile)) {
    gtk_window_set_icon(window_, icon);
    g_object_unref(icon);
  }
}

void GtkScreenWindow::SetTitle(const std::string& title) {
  system_.Transcript().Title(Name(), title);
  design_.title = title;
  if (window_ != nullptr) gtk_window_set_title(window_, title.c_str());
}

void GtkScreenWindow::UpdateWidget(const WidgetSpec& widget) {
  if (window_ == nullptr) return;
  Native* native = Find(widget.name);
  if (native == nullptr) {
    natives_.push_back(Native{widget, CreateNative(widget), nullptr});
    native = &natives_.back();
  }
  native->description = widget;
  Apply(*native);
}

std::optional<std::pair<std::int32_t, std::int32_t>> GtkScreenWindow::SetImage(
    const std::string& widget, const std::string& imageFile) {
  Native* native = Find(widget);
  if (native == nullptr || native->widget == nullptr || !GTK_IS_IMAGE(native->widget)) {
    return std::nullopt;
  }
  GdkPixbuf* picture = LoadPicture(imageFile);
  if (picture == nullptr) return std::nullopt;
  native->pictureFile = {gdk_pixbuf_get_width(picture), gdk_pixbuf_get_height(picture)};
  // Pictures are drawn for 96 dpi (15 twips per pixel): at 120 and 144 dpi
  // they grow with the window and its pages.
  const double twips = system_.LayoutTwipsPerPixel();
  if (const double factor = 15.0 / twips; std::abs(factor - 1) > 0.01) {
    const int width =
        std::max(1, static_cast<int>(std::lround(gdk_pixbuf_get_width(picture) * factor)));
    const int height =
        std::max(1, static_cast<int>(std::lround(gdk_pixbuf_get_height(picture) * factor)));
    if (GdkPixbuf* scaled = gdk_pixbuf_scale_simple(picture, width, height, GDK_INTERP_BILINEAR)) {
      g_object_unref(picture);
      picture = scaled;
    }
  }
  gtk_image_set_from_pixbuf(GTK_IMAGE(native->widget), picture);
  const std::pair size{
      static_cast<std::int32_t>(std::lround(gdk_pixbuf_get_width(picture) * twips)),
      static_cast<std::int32_t>(std::lround(gdk_pixbuf_get_height(picture) * twips))};
  g_object_unref(picture);
  return size;
}

std::optional<std::uint32_t> GtkScreenWindow::SamplePixel(std::string_view widget, int x, int y) {
  GtkWidget* current = NativeWidget(widget);
  if (current == nullptr || !gtk_widget_get_mapped(current)) return std::nullopt;
  // A window just shown has its layout pending until the next frame; the
  // screens sample right after the activation.
  gtk_container_check_resize(GTK_CONTAINER(window_));
  // Where the widget itself is transparent (a picture in the window colour,
  // a panel of the theme's colour), what shows is its container's pixel:
  // look there, up to the window, which always paints.
  while (current != nullptr) {
    const auto pixel = RenderedPixel(current, x, y);
    if (!pixel) return std::nullopt;
    if (pixel->second != 0) return pixel->first;
    GtkWidget* parent = gtk_widget_get_parent(current);
    if (parent == nullptr || !gtk_widget_translate_coordinates(current, parent, x, y, &x, &y)) {
      return std::nullopt;
    }
    current = parent;
  }
  return std::nullopt;
}

std::pair<std::int32_t, std::int32_t> GtkScreenWindow::Position() const {
  if (window_ == nullptr) return {0, 0};
  int x = 0;
  int y = 0;
  gtk_window_get_position(window_, &x, &y);
  const double twips = system_.LayoutTwipsPerPixel();
  return {static_cast<std::int32_t>(std::lround(x * twips)),
          static_cast<std::int32_t>(std::lround(y * twips))};
}

void GtkScreenWindow::SetPosition(std::int32_t left, std::int32_t top) {
  system_.Transcript().Move(Name(), left, top);
  if (window_ != nullptr) gtk_window_move(window_, Pixels(left), Pixels(top));
}

}  // namespace pavane::os::gtk
