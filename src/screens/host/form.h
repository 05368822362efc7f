// A screen window's design: its name (frmEmail), its caption, and its
// controls in design order with the frame each one sits in. The window
// backend builds real widgets from it; the language statements reach the
// controls through RegisterWithEngine.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "screens/host/control.h"
#include "vbscript/engine.h"

namespace pavane::screens {

class Form {
 public:
  explicit Form(std::string name) : name_(std::move(name)) {}
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }

  // The window caption lives in the caption bar control when the design has
  // one, so that a statement setting UniFormCaptionB1.Caption is what the
  // title shows; without one the form keeps it itself.
  std::string Caption() const;
  void SetCaption(std::string_view caption);

  // Adds a control at the end of the design order. The returned reference
  // stays valid as long as the form. Script names are expected to be unique;
  // Find returns the first control of a name.
  Control& Add(ControlKind kind, std::string name, Control* container = nullptr,
               std::optional<int> index = std::nullopt);

  // By script name without regard to case: "lblHdr1", or "lblLine_2" for
  // member 2 of the array lblLine. nullptr when there is none.
  Control* Find(std::string_view scriptName) const;

  std::size_t ControlCount() const { return controls_.size(); }
  // The controls in design order, each as a Control&. A range of our own:
  // clang 14 cannot compile std::views of libstdc++ 12.
  class ControlRange {
   public:
    using Owners = std::vector<std::unique_ptr<Control>>;
    class Iterator {
     public:
      explicit Iterator(Owners::const_iterator at) : at_(at) {}
      Control& operator*() const { return **at_; }
      Iterator& operator++() {
        ++at_;
        return *this;
      }
      bool operator==(const Iterator&) const = default;

     private:
      Owners::const_iterator at_;
    };

    explicit ControlRange(const Owners& controls) : controls_(controls) {}
    Iterator begin() const { return Iterator(controls_.begin()); }
    Iterator end() const { return Iterator(controls_.end()); }

   private:
    const Owners& controls_;
  };
  ControlRange Controls() const { return ControlRange(controls_); }

  // The observer is told of changes to every control, present and added
  // later; nullptr detaches it.
  void SetObserver(ControlObserver* observer);

  // Adds every control of a registered kind (IsScriptRegistered) to the
  // engine under its script name, in design order.
  void RegisterWithEngine(vbscript::Engine& engine) const;

 private:
  Control* CaptionBar() const;

  std::string name_;
  std::string caption_;
  std::vector<std::unique_ptr<Control>> controls_;
  ControlObserver* observer_ = nullptr;
};

}  // namespace pavane::screens
