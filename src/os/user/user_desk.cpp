#include "os/user/user_desk.h"

#include <algorithm>
#include <iterator>

namespace pavane::os::user {

PageField PageField::Of(std::string_view tag, std::string_view type) {
  PageField field;
  field.found = true;
  field.input = tag == "input";
  field.list = tag == "select";
  if (type.empty()) type = "text";
  field.checkable = field.input && (type == "checkbox" || type == "radio");
  static constexpr std::string_view kNotTyped[] = {"checkbox", "radio", "hidden", "submit",
                                                   "button",   "image", "reset",  "file"};
  field.textField = tag == "textarea" ||
                    (field.input && std::find(std::begin(kNotTyped), std::end(kNotTyped), type) ==
                                        std::end(kNotTyped));
  return field;
}

}  // namespace pavane::os::user
