#include "localize/language_captions.h"

#include "localize/captions.h"

namespace pavane::localize {

bool LanguageCaptions::PrepareEngine(const screens::Form& form, vbscript::Engine& engine) {
  return InitScriptControl(form, engine);
}

bool LanguageCaptions::SetCaptions(vbscript::Engine& engine, std::string& appSection,
                                   std::string& formSection, std::string& message) {
  return localize::SetCaptions(engine, language_, appSection, formSection, message);
}

}  // namespace pavane::localize
