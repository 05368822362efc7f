// The captions of every screen, from the loaded language.
#pragma once

#include "localize/language_text.h"
#include "screens/host/session.h"

namespace pavane::localize {

class LanguageCaptions : public screens::CaptionSource {
 public:
  explicit LanguageCaptions(const LanguageText& language) : language_(language) {}

  bool PrepareEngine(const screens::Form& form, vbscript::Engine& engine) override;
  bool SetCaptions(vbscript::Engine& engine, std::string& appSection, std::string& formSection,
                   std::string& message) override;

 private:
  const LanguageText& language_;
};

}  // namespace pavane::localize
