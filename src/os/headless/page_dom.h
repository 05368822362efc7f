// A loaded page as the headless browser keeps it: the elements of the
// markup (parsed with gumbo) with the live state of the form fields, which
// is what the scripted user changes and the screens read back.
//
// Only what the screens and the scripted user touch is modelled: ids,
// names, links, text fields, check boxes, radio buttons, selection lists
// and text areas. Text outside those, styles and scripts are dropped.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os/window_system.h"

namespace pavane::os::headless {

struct PageElement {
  std::string tag;  // lower case
  // Names in lower case (as the markup's attributes are case-blind), values
  // as written, in markup order.
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<std::unique_ptr<PageElement>> children;
  PageElement* parent = nullptr;
  std::string text;  // the text inside an option or a text area

  // Live state: a field's value, a box's tick, a list's chosen option.
  std::string value;
  bool checked = false;
  int selectedIndex = -1;  // into Options(); -1 none

  const std::string* Attribute(std::string_view name) const;
  void SetMarkupAttribute(std::string_view name, std::string_view value);
  // The "type" of an input in lower case; "text" when none is given.
  std::string InputType() const;
  bool IsCheckable() const;  // a check box or a radio button
  // The options of a selection list, in document order.
  std::vector<PageElement*> Options() const;
  // An option's value: its "value" attribute, else its text.
  std::string OptionValue() const;
};

class PageDom {
 public:
  // Never fails: malformed markup is repaired the way browsers repair it, and
  // an empty text gives an empty page that still has a body.
  static std::unique_ptr<PageDom> Parse(std::string_view html);

  PageElement* Body() const;
  PageElement* ById(std::string_view id) const;
  std::vector<PageElement*> ByName(std::string_view name) const;
  // `<a href>` elements in document order.
  std::vector<PageElement*> Links() const;
  PageElement* Find(const ElementRef& ref) const;

  // The live "value" read of a field: the typed text, the chosen option's
  // value (the first option's when none is chosen), a box's value.
  static std::string LiveValue(const PageElement& element);
  // Writes the live "value"; for a list, chooses the option with that value.
  static void SetLiveValue(PageElement& element, std::string_view value);
  // Ticks or unticks; ticking a radio button unticks the others of its name.
  void SetChecked(PageElement& element, bool checked);

 private:
  std::unique_ptr<PageElement> root_;
};

// The file path a file:// URL names (percent-decoded, without query and
// fragment); nullopt for any other URL.
std::optional<std::string> FileUrlPath(std::string_view url);

// `href` resolved against the address of the page it appears on; an href
// with a scheme of its own is taken as it is.
std::string ResolveHref(std::string_view base, std::string_view href);

}  // namespace pavane::os::headless
