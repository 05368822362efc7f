// What a user would see amiss on a screen of the desktop, for the scripted
// user's pictures ("shot"): text cut off or pushed out of its place,
// characters without a glyph, an error text or a placeholder left in a
// text, a page that does not wear the window's colour. One line each, in
// words a translator or tester understands without the code.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <string_view>
#include <vector>

namespace pavane::os::gtk {

class GtkScreenWindow;

std::vector<std::string> LayoutFaults(GtkScreenWindow& window);
std::vector<std::string> MessageBoxFaults(GtkMessageDialog* box);

// Whether a shown text is an error text of the program or holds a
// placeholder that was not resolved.
bool ShowsErrorText(std::string_view text);

// Draws `widget` (a window, a dialog) into a PNG file; false when it cannot.
bool SavePng(GtkWidget* widget, const std::string& file);

}  // namespace pavane::os::gtk
