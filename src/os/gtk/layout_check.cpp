#include "os/gtk/layout_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "os/gtk/gtk_browser.h"
#include "os/gtk/gtk_screen_window.h"
#include "os/gtk/gtk_window_system.h"

namespace pavane::os::gtk {
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

// The pixel (x, y) of a drawn surface as "RRGGBB", the way pages write
// colours; "" outside it.
std::string Colour(cairo_surface_t* surface, int x, int y) {
  if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
      y >= cairo_image_surface_get_height(surface)) {
    return "";
  }
  const unsigned char* row =
      cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  char text[8];
  std::snprintf(text, sizeof text, "%06X",
                reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFFu);
  return text;
}

// The colour the window's own background is painted in.
std::string WindowColour(GtkWindow* window) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  cairo_t* cr = cairo_create(surface);
  gtk_render_background(gtk_widget_get_style_context(GTK_WIDGET(window)), cr, 0, 0, 1, 1);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  std::string colour = Colour(surface, 0, 0);
  cairo_surface_destroy(surface);
  return colour;
}

// A label's text against the room it got: a wrapped text with more lines
// than its box holds is cut without the box growing.
void TextFaults(const std::string& name, GtkLabel* label, std::vector<std::string>& faults) {
  PangoLayout* layout = gtk_label_get_layout(label);
  int textWidth = 0;
  int textHeight = 0;
  pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
  GtkAllocation room;
  gtk_widget_get_allocation(GTK_WIDGET(label), &room);
  if (textWidth > room.width || textHeight > room.height) {
    faults.push_back(name + " text needs " + std::to_string(textWidth) + " x " +
                     std::to_string(textHeight) + " pixels, has " + std::to_string(room.width) +
                     " x " + std::to_string(room.height));
  }
  if (pango_layout_get_unknown_glyphs_count(layout) > 0) {
    faults.push_back(name + " has characters without a glyph");
  }
  if (const std::string shown = gtk_label_get_text(label); ShowsErrorText(shown)) {
    faults.push_back(name + " shows an error text: " + shown);
  }
}

// Pictures are drawn for 96 dpi (15 twips per pixel); at a larger scaling
// they grow with the window around them.
void PictureFaults(const std::string& name, GtkImage* image, int fileWidth, int fileHeight,
                   double layoutTwips, std::vector<std::string>& faults) {
  GdkPixbuf* shown =
      gtk_image_get_storage_type(image) == GTK_IMAGE_PIXBUF ? gtk_image_get_pixbuf(image) : nullptr;
  if (shown == nullptr) return;
  const auto scaled = [&](int pixels) {
    return std::max(1, static_cast<int>(std::lround(pixels * 15 / layoutTwips)));
  };
  const int width = gdk_pixbuf_get_width(shown);
  const int height = gdk_pixbuf_get_height(shown);
  if (std::abs(width - scaled(fileWidth)) > 1 || std::abs(height - scaled(fileHeight)) > 1) {
    faults.push_back(name + " picture is " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels, at this scaling " +
                     std::to_string(scaled(fileWidth)) + " x " +
                     std::to_string(scaled(fileHeight)));
  }
}

}  // namespace

bool ShowsErrorText(std::string_view text) {
  for (std::string_view sign : {"Error in function", "{str", "{#", ">>>"}) {
    if (text.find(sign) != text.npos) return true;
  }
  return false;
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
    if (const auto [fileWidth, fileHeight] = window.PictureFileSize(name); fileWidth > 0) {
      PictureFaults(name, GTK_IMAGE(widget), fileWidth, fileHeight,
                    window.System().LayoutTwipsPerPixel(), faults);
    }
    GtkWidget* text = GTK_IS_BUTTON(widget) ? gtk_bin_get_child(GTK_BIN(widget)) : widget;
    if (text != nullptr && GTK_IS_LABEL(text)) TextFaults(name, GTK_LABEL(text), faults);
  }
  if (const char* title = gtk_window_get_title(window.NativeWindow());
      title != nullptr && ShowsErrorText(title)) {
    faults.push_back(std::string("the title shows an error text: ") + title);
  }
  // A page the screen painted in the window's colour shows that colour,
  // and it is the window's: no white page on a grey window.
  const std::string windowColour = WindowColour(window.NativeWindow());
  for (const auto& browser : window.Browsers()) {
    const std::string& painted = browser->BackgroundColor();
    if (painted.empty() || browser->View() == nullptr) continue;
    if (painted != windowColour) {
      faults.push_back(browser->Name() + " page is painted " + painted + ", the window is " +
                       windowColour);
    }
    if (cairo_surface_t* page = Draw(GTK_WIDGET(browser->View()))) {
      if (const std::string shown = Colour(page, 2, 2); shown != painted) {
        faults.push_back(browser->Name() + " shows " + shown + " where its page is " + painted);
      }
      cairo_surface_destroy(page);
    }
  }
  return faults;
}

std::vector<std::string> MessageBoxFaults(GtkMessageDialog* box) {
  std::vector<std::string> faults;
  GList* labels =
      gtk_container_get_children(GTK_CONTAINER(gtk_message_dialog_get_message_area(box)));
  for (GList* it = labels; it != nullptr; it = it->next) {
    if (GTK_IS_LABEL(it->data) && gtk_widget_get_visible(GTK_WIDGET(it->data))) {
      TextFaults("the message", GTK_LABEL(it->data), faults);
    }
  }
  g_list_free(labels);
  return faults;
}

bool SavePng(GtkWidget* widget, const std::string& file) {
  cairo_surface_t* surface = Draw(widget);
  if (surface == nullptr) return false;
  const bool saved = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return saved;
}

}  // namespace pavane::os::gtk
