// One control of a screen window, as the window design and the language
// statements see it, without any window system behind it. Statements reach
// it through the script engine (it is a vbscript::ScriptObject); the program
// uses the typed accessors. A backend follows it through a ControlObserver.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "screens/host/control_observer.h"
#include "screens/host/control_property.h"
#include "vbscript/script_object.h"

namespace pavane::screens {

class Control final : public vbscript::ScriptObject {
 public:
  // `index` makes the control a member of a control array; `container` is
  // the frame or picture it sits in (nullptr for the window itself).
  Control(ControlKind kind, std::string name, std::optional<int> index = std::nullopt,
          Control* container = nullptr);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  std::optional<int> Index() const { return index_; }
  // The name statements use: the name, or for an array member name + "_" +
  // index (lblLine_2).
  std::string ScriptName() const;
  Control* Container() const { return container_; }

  void SetObserver(ControlObserver* observer) { observer_ = observer; }

  bool Has(ControlProperty property) const { return KindHasProperty(kind_, property); }

  // The stored value, typed as TypeOf(property) says; Empty when the kind
  // does not have the property.
  const vbscript::Value& Get(ControlProperty property) const;
  std::string GetString(ControlProperty property) const;
  std::int32_t GetLong(ControlProperty property) const;
  bool GetBoolean(ControlProperty property) const;
  double GetDouble(ControlProperty property) const;

  // Coerces the value to the property's type ("300" is 300 twips, "True" is
  // True) and checks its range. On failure nothing changes and `error` says
  // why, naming the control and property.
  bool Set(ControlProperty property, const vbscript::Value& value, std::string& error);
  // Same for program code that has no use for the message.
  bool Set(ControlProperty property, const vbscript::Value& value);

  // Left is required; the others keep their values when not given. All
  // values are checked before any is applied.
  bool Move(std::span<const vbscript::Value> arguments, std::string& error);
  bool Move(std::int32_t left, std::optional<std::int32_t> top = std::nullopt,
            std::optional<std::int32_t> width = std::nullopt,
            std::optional<std::int32_t> height = std::nullopt);

  // Shortcuts for the properties the program itself touches most.
  std::string Caption() const { return GetString(ControlProperty::kCaption); }
  bool SetCaption(std::string_view caption);
  std::string Text() const { return GetString(ControlProperty::kText); }
  bool SetText(std::string_view text);
  std::string Tag() const { return GetString(ControlProperty::kTag); }
  bool SetTag(std::string_view tag);
  std::int32_t Left() const { return GetLong(ControlProperty::kLeft); }
  std::int32_t Top() const { return GetLong(ControlProperty::kTop); }
  std::int32_t Width() const { return GetLong(ControlProperty::kWidth); }
  std::int32_t Height() const { return GetLong(ControlProperty::kHeight); }
  bool Visible() const { return GetBoolean(ControlProperty::kVisible); }
  bool SetVisible(bool visible);
  bool Enabled() const { return GetBoolean(ControlProperty::kEnabled); }
  bool SetEnabled(bool enabled);

  // Statement access. Properties: those of control_property.h by name, in
  // any letter case. Member: Font, with Name, Size, Bold, Italic and
  // Underline. Method: Move.
  bool GetProperty(std::string_view name, vbscript::Value& value,
                   std::string& error) const override;
  bool SetProperty(std::string_view name, const vbscript::Value& value,
                   std::string& error) override;
  vbscript::ScriptObject* GetMember(std::string_view name) override;
  bool CallMethod(std::string_view name, std::span<const vbscript::Value> arguments,
                  std::string& error) override;

 private:
  // The Font sub-object: another view of the Font* properties.
  class FontObject final : public vbscript::ScriptObject {
   public:
    explicit FontObject(Control& owner) : owner_(owner) {}
    bool GetProperty(std::string_view name, vbscript::Value& value,
                     std::string& error) const override;
    bool SetProperty(std::string_view name, const vbscript::Value& value,
                     std::string& error) override;

   private:
    bool Find(std::string_view name, ControlProperty& property, std::string& error) const;
    Control& owner_;
  };

  bool Coerce(ControlProperty property, const vbscript::Value& value, vbscript::Value& result,
              std::string& error) const;
  void Store(ControlProperty property, vbscript::Value value);
  std::string Unsupported(std::string_view member) const;

  ControlKind kind_;
  std::string name_;
  std::optional<int> index_;
  Control* container_;
  ControlObserver* observer_ = nullptr;
  std::array<vbscript::Value, kControlPropertyCount> values_;
  FontObject font_{*this};
};

}  // namespace pavane::screens
