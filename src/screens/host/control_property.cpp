#include "screens/host/control_property.h"

#include <array>
#include <initializer_list>

#include "vbscript/script_object.h"

namespace pavane::screens {
namespace {

struct PropertyInfo {
  std::string_view name;
  PropertyType type;
};

using P = ControlProperty;

constexpr std::array<PropertyInfo, kControlPropertyCount> kProperties = {{
    {"Caption", PropertyType::kString},
    {"Text", PropertyType::kString},
    {"Left", PropertyType::kLong},
    {"Top", PropertyType::kLong},
    {"Width", PropertyType::kLong},
    {"Height", PropertyType::kLong},
    {"Visible", PropertyType::kBoolean},
    {"Enabled", PropertyType::kBoolean},
    {"ForeColor", PropertyType::kLong},
    {"BackColor", PropertyType::kLong},
    {"FontName", PropertyType::kString},
    {"FontSize", PropertyType::kDouble},
    {"FontBold", PropertyType::kBoolean},
    {"FontItalic", PropertyType::kBoolean},
    {"FontUnderline", PropertyType::kBoolean},
    {"Alignment", PropertyType::kLong},
    {"Tag", PropertyType::kString},
    {"AutoSize", PropertyType::kBoolean},
    {"WordWrap", PropertyType::kBoolean},
    {"ToolTipText", PropertyType::kString},
    {"Value", PropertyType::kLong},
    {"Interval", PropertyType::kLong},
}};

bool OneOf(ControlKind kind, std::initializer_list<ControlKind> kinds) {
  for (ControlKind candidate : kinds) {
    if (candidate == kind) {
      return true;
    }
  }
  return false;
}

using K = ControlKind;

}  // namespace

std::string_view PropertyName(ControlProperty property) {
  return kProperties[static_cast<std::size_t>(property)].name;
}

PropertyType TypeOf(ControlProperty property) {
  return kProperties[static_cast<std::size_t>(property)].type;
}

bool FindProperty(std::string_view name, ControlProperty& property) {
  for (std::size_t i = 0; i < kProperties.size(); ++i) {
    if (vbscript::SameName(kProperties[i].name, name)) {
      property = static_cast<ControlProperty>(i);
      return true;
    }
  }
  return false;
}

bool KindHasProperty(ControlKind kind, ControlProperty property) {
  switch (property) {
    case P::kTag:
    case P::kEnabled:
      return true;
    case P::kInterval:
      return kind == K::kTimer;
    case P::kLeft:
    case P::kTop:
    case P::kWidth:
    case P::kHeight:
    case P::kVisible:
      return kind != K::kTimer;
    case P::kCaption:
      return OneOf(kind, {K::kLabel, K::kFrame, K::kCommandButton, K::kCheckBox, K::kCaptionBar,
                          K::kLinkLabel});
    case P::kText:
      return kind == K::kTextBox;
    case P::kValue:
      return kind == K::kCheckBox;
    case P::kForeColor:
    case P::kBackColor:
    case P::kFontName:
    case P::kFontSize:
    case P::kFontBold:
    case P::kFontItalic:
    case P::kFontUnderline:
      return OneOf(kind, {K::kLabel, K::kTextBox, K::kFrame, K::kCommandButton, K::kCheckBox,
                          K::kPicture, K::kCaptionBar, K::kLinkLabel});
    case P::kAlignment:
      return OneOf(kind, {K::kLabel, K::kTextBox, K::kCheckBox, K::kLinkLabel});
    case P::kAutoSize:
      return OneOf(kind, {K::kLabel, K::kPicture, K::kLinkLabel});
    case P::kWordWrap:
      return OneOf(kind, {K::kLabel, K::kLinkLabel});
    case P::kToolTipText:
      return !OneOf(kind, {K::kTimer, K::kBrowser, K::kCaptionBar});
  }
  return false;
}

bool IsScriptRegistered(ControlKind kind) {
  return !OneOf(kind, {K::kBrowser, K::kTimer, K::kPicture});
}

}  // namespace pavane::screens
