// The control kinds a screen window is built from and the properties that
// language statements and the program read and write on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pavane::screens {

enum class ControlKind {
  kLabel,
  kTextBox,
  kFrame,  // frames and panels (fraTop, fra1, fraBottom)
  kCommandButton,
  kCheckBox,
  kImage,
  kPicture,
  kCaptionBar,  // draws the window's caption (UniFormCaptionB1)
  kTimer,
  kBrowser,
  kLinkLabel,  // the label kind that takes the red caption markers
};

enum class ControlProperty {
  kCaption,
  kText,
  kLeft,  // positions and sizes in twips
  kTop,
  kWidth,
  kHeight,
  kVisible,
  kEnabled,
  kForeColor,  // colours as 0x00BBGGRR, or a system colour (0x800000nn)
  kBackColor,
  kFontName,
  kFontSize,  // points
  kFontBold,
  kFontItalic,
  kFontUnderline,
  kAlignment,  // 0 left, 1 right, 2 centre
  kTag,
  kAutoSize,
  kWordWrap,
  kToolTipText,
  kValue,     // check box: 0 unticked, 1 ticked, 2 greyed; True/False give 1/0
  kInterval,  // timer: milliseconds, 0 stops it
};
inline constexpr std::size_t kControlPropertyCount =
    static_cast<std::size_t>(ControlProperty::kInterval) + 1;

enum class PropertyType { kString, kLong, kBoolean, kDouble };

// The system colours the controls start with, so that a backend paints them
// in the desktop's theme until a statement sets a colour of its own.
inline constexpr std::int32_t kSystemWindowBackground = static_cast<std::int32_t>(0x80000005);
inline constexpr std::int32_t kSystemWindowText = static_cast<std::int32_t>(0x80000008);
inline constexpr std::int32_t kSystemButtonFace = static_cast<std::int32_t>(0x8000000F);
inline constexpr std::int32_t kSystemButtonText = static_cast<std::int32_t>(0x80000012);

std::string_view PropertyName(ControlProperty property);
PropertyType TypeOf(ControlProperty property);
// By name in any letter case ("caption", "FONTSIZE"); false for none.
bool FindProperty(std::string_view name, ControlProperty& property);

// Which properties a kind has: Caption on the captioned kinds, Text on text
// boxes only, Value on check boxes, Interval on timers; timers have no
// position or size.
bool KindHasProperty(ControlKind kind, ControlProperty property);

// Whether language statements can reach controls of this kind. Browsers,
// timers and pictures stay out of the script engine, as they did in the old
// program.
bool IsScriptRegistered(ControlKind kind);

}  // namespace pavane::screens
