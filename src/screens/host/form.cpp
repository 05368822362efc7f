#include "screens/host/form.h"

namespace pavane::screens {

Control* Form::CaptionBar() const {
  for (const auto& control : controls_) {
    if (control->Kind() == ControlKind::kCaptionBar) {
      return control.get();
    }
  }
  return nullptr;
}

std::string Form::Caption() const {
  Control* bar = CaptionBar();
  return bar != nullptr ? bar->Caption() : caption_;
}

void Form::SetCaption(std::string_view caption) {
  caption_ = caption;
  if (Control* bar = CaptionBar()) {
    bar->SetCaption(caption);
  }
}

Control& Form::Add(ControlKind kind, std::string name, Control* container,
                   std::optional<int> index) {
  auto& control =
      controls_.emplace_back(std::make_unique<Control>(kind, std::move(name), index, container));
  control->SetObserver(observer_);
  return *control;
}

Control* Form::Find(std::string_view scriptName) const {
  for (const auto& control : controls_) {
    if (vbscript::SameName(control->ScriptName(), scriptName)) {
      return control.get();
    }
  }
  return nullptr;
}

void Form::SetObserver(ControlObserver* observer) {
  observer_ = observer;
  for (const auto& control : controls_) {
    control->SetObserver(observer);
  }
}

void Form::RegisterWithEngine(vbscript::Engine& engine) const {
  for (const auto& control : controls_) {
    if (IsScriptRegistered(control->Kind())) {
      // A second control of the same script name is left out, as the old
      // registration loop passed over the engine's refusal.
      engine.AddObject(control->ScriptName(), *control);
    }
  }
}

}  // namespace pavane::screens
