#include "screens/host/control.h"

#include <array>

namespace pavane::screens {
namespace {

using vbscript::Value;
using P = ControlProperty;

constexpr std::int32_t kMaxTimerInterval = 65535;
constexpr double kMaxFontSize = 2048;

Value DefaultValue(ControlKind kind, ControlProperty property) {
  bool textBox = kind == ControlKind::kTextBox;
  switch (property) {
    case P::kVisible:
    case P::kEnabled:
      return Value::Boolean(true);
    case P::kForeColor:
      return Value::Long(textBox ? kSystemWindowText : kSystemButtonText);
    case P::kBackColor:
      return Value::Long(textBox ? kSystemWindowBackground : kSystemButtonFace);
    case P::kFontName:
      return Value::String("MS Sans Serif");
    case P::kFontSize:
      return Value::Double(8.25);
    default:
      break;
  }
  switch (TypeOf(property)) {
    case PropertyType::kString:
      return Value::String("");
    case PropertyType::kLong:
      return Value::Long(0);
    case PropertyType::kBoolean:
      return Value::Boolean(false);
    case PropertyType::kDouble:
      return Value::Double(0);
  }
  return {};
}

// A check box takes True and False (also as text) as ticked and unticked;
// the old control refused True (-1), but translators write it naturally.
bool CheckBoxValue(const Value& value, std::int32_t& state, std::string& error) {
  if (value.Type() == vbscript::ValueType::kBoolean) {
    state = value.BooleanValue() ? 1 : 0;
    return true;
  }
  if (value.IsString()) {
    std::string lower = vbscript::LowerCaseName(value.StringValue());
    if (lower == "true" || lower == "false") {
      state = lower == "true" ? 1 : 0;
      return true;
    }
  }
  return vbscript::ToLong(value, state, error);
}

struct FontMember {
  std::string_view name;
  ControlProperty property;
};

constexpr std::array<FontMember, 5> kFontMembers = {{
    {"Name", P::kFontName},
    {"Size", P::kFontSize},
    {"Bold", P::kFontBold},
    {"Italic", P::kFontItalic},
    {"Underline", P::kFontUnderline},
}};

}  // namespace

Control::Control(ControlKind kind, std::string name, std::optional<int> index, Control* container)
    : kind_(kind), name_(std::move(name)), index_(index), container_(container) {
  for (std::size_t i = 0; i < kControlPropertyCount; ++i) {
    auto property = static_cast<ControlProperty>(i);
    if (Has(property)) {
      values_[i] = DefaultValue(kind, property);
    }
  }
}

std::string Control::ScriptName() const {
  return index_ ? name_ + "_" + std::to_string(*index_) : name_;
}

const Value& Control::Get(ControlProperty property) const {
  return values_[static_cast<std::size_t>(property)];
}

std::string Control::GetString(ControlProperty property) const {
  return vbscript::ToString(Get(property));
}

std::int32_t Control::GetLong(ControlProperty property) const {
  std::int32_t number = 0;
  std::string ignored;
  vbscript::ToLong(Get(property), number, ignored);
  return number;
}

bool Control::GetBoolean(ControlProperty property) const {
  bool flag = false;
  std::string ignored;
  vbscript::ToBoolean(Get(property), flag, ignored);
  return flag;
}

double Control::GetDouble(ControlProperty property) const {
  double number = 0;
  std::string ignored;
  vbscript::ToDouble(Get(property), number, ignored);
  return number;
}

std::string Control::Unsupported(std::string_view member) const {
  return "Object doesn't support this property or method: '" + ScriptName() + "." +
         std::string(member) + "'";
}

bool Control::Coerce(ControlProperty property, const Value& value, Value& result,
                     std::string& error) const {
  std::string reason;
  bool valid = true;
  switch (TypeOf(property)) {
    case PropertyType::kString:
      result = Value::String(vbscript::ToString(value));
      break;
    case PropertyType::kBoolean: {
      bool flag = false;
      valid = vbscript::ToBoolean(value, flag, reason);
      result = Value::Boolean(flag);
      break;
    }
    case PropertyType::kDouble: {
      double number = 0;
      valid = vbscript::ToDouble(value, number, reason);
      if (valid && property == P::kFontSize && (number <= 0 || number > kMaxFontSize)) {
        valid = false;
      }
      result = Value::Double(number);
      break;
    }
    case PropertyType::kLong: {
      std::int32_t number = 0;
      valid = property == P::kValue ? CheckBoxValue(value, number, reason)
                                    : vbscript::ToLong(value, number, reason);
      if (valid) {
        switch (property) {
          case P::kWidth:
          case P::kHeight:
            valid = number >= 0;
            break;
          case P::kAlignment:
          case P::kValue:
            valid = number >= 0 && number <= 2;
            break;
          case P::kInterval:
            valid = number >= 0 && number <= kMaxTimerInterval;
            break;
          default:
            break;
        }
      }
      result = Value::Long(number);
      break;
    }
  }
  if (!valid) {
    if (reason.empty()) {
      reason = "Invalid property value: " + vbscript::ToString(value);
    }
    error = reason + " (" + ScriptName() + "." + std::string(PropertyName(property)) + ")";
  }
  return valid;
}

void Control::Store(ControlProperty property, Value value) {
  values_[static_cast<std::size_t>(property)] = std::move(value);
  if (observer_ != nullptr) {
    observer_->PropertyChanged(*this, property);
  }
}

bool Control::Set(ControlProperty property, const Value& value, std::string& error) {
  if (!Has(property)) {
    error = Unsupported(PropertyName(property));
    return false;
  }
  Value coerced;
  if (!Coerce(property, value, coerced, error)) {
    return false;
  }
  Store(property, std::move(coerced));
  return true;
}

bool Control::Set(ControlProperty property, const Value& value) {
  std::string ignored;
  return Set(property, value, ignored);
}

bool Control::Move(std::span<const Value> arguments, std::string& error) {
  if (arguments.empty() || arguments.size() > 4) {
    error =
        "Wrong number of arguments or invalid property assignment: 'Move' (" + ScriptName() + ")";
    return false;
  }
  if (!Has(P::kLeft)) {
    error = Unsupported("Move");
    return false;
  }
  constexpr std::array<ControlProperty, 4> kOrder = {P::kLeft, P::kTop, P::kWidth, P::kHeight};
  std::array<Value, 4> coerced;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!Coerce(kOrder[i], arguments[i], coerced[i], error)) {
      return false;
    }
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    Store(kOrder[i], std::move(coerced[i]));
  }
  return true;
}

bool Control::Move(std::int32_t left, std::optional<std::int32_t> top,
                   std::optional<std::int32_t> width, std::optional<std::int32_t> height) {
  std::array<Value, 4> arguments = {Value::Long(left), Value::Long(top.value_or(Top())),
                                    Value::Long(width.value_or(Width())),
                                    Value::Long(height.value_or(Height()))};
  std::string ignored;
  return Move(arguments, ignored);
}

bool Control::SetCaption(std::string_view caption) {
  return Set(P::kCaption, Value::String(std::string(caption)));
}

bool Control::SetText(std::string_view text) {
  return Set(P::kText, Value::String(std::string(text)));
}

bool Control::SetTag(std::string_view tag) {
  return Set(P::kTag, Value::String(std::string(tag)));
}

bool Control::SetVisible(bool visible) {
  return Set(P::kVisible, Value::Boolean(visible));
}

bool Control::SetEnabled(bool enabled) {
  return Set(P::kEnabled, Value::Boolean(enabled));
}

bool Control::GetProperty(std::string_view name, Value& value, std::string& error) const {
  ControlProperty property;
  if (!FindProperty(name, property) || !Has(property)) {
    error = Unsupported(name);
    return false;
  }
  value = Get(property);
  return true;
}

bool Control::SetProperty(std::string_view name, const Value& value, std::string& error) {
  ControlProperty property;
  if (!FindProperty(name, property)) {
    error = Unsupported(name);
    return false;
  }
  return Set(property, value, error);
}

vbscript::ScriptObject* Control::GetMember(std::string_view name) {
  if (vbscript::SameName(name, "Font") && Has(P::kFontName)) {
    return &font_;
  }
  return nullptr;
}

bool Control::CallMethod(std::string_view name, std::span<const Value> arguments,
                         std::string& error) {
  if (vbscript::SameName(name, "Move")) {
    return Move(arguments, error);
  }
  error = Unsupported(name);
  return false;
}

bool Control::FontObject::Find(std::string_view name, ControlProperty& property,
                               std::string& error) const {
  for (const FontMember& member : kFontMembers) {
    if (vbscript::SameName(member.name, name)) {
      property = member.property;
      return true;
    }
  }
  error = owner_.Unsupported("Font." + std::string(name));
  return false;
}

bool Control::FontObject::GetProperty(std::string_view name, Value& value,
                                      std::string& error) const {
  ControlProperty property;
  if (!Find(name, property, error)) {
    return false;
  }
  value = owner_.Get(property);
  return true;
}

bool Control::FontObject::SetProperty(std::string_view name, const Value& value,
                                      std::string& error) {
  ControlProperty property;
  return Find(name, property, error) && owner_.Set(property, value, error);
}

}  // namespace pavane::screens
