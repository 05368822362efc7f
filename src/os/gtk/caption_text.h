// Captions as the native controls show them. The program's captions follow
// the old control suite: "&" marks a button's access key, and link labels
// carry the red marker markup ("[<forecolor=FF0000>License</forecolor>]",
// "(<u><forecolor=FF0000>Privacy</forecolor></u>)").
#pragma once

#include <string>
#include <string_view>

namespace pavane::os::gtk {

// Pango markup for a link label: <forecolor=RRGGBB> becomes a coloured span,
// <u> an underline; everything else is shown as written (escaped), and tags
// left open are closed, so any caption gives well-formed markup.
std::string LinkCaptionMarkup(std::string_view caption);

// A button caption with its access key in GTK's form: "&Next" -> "_Next",
// "&&" -> "&", "_" -> "__".
std::string MnemonicCaption(std::string_view caption);

// The text a screen reader should say: marker tags and access-key marks
// removed.
std::string AccessibleCaption(std::string_view caption, bool linkLabel);

}  // namespace pavane::os::gtk
