// The window designs of the screens: which controls each window has, where
// they sit (in twips) and their default captions. Every screen window is
// built from one of these; the language statements then adjust them.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "screens/host/form.h"

namespace pavane::screens {

// The windows whose texts come from the language file, in the order a run
// meets them. Their language section is "PV_" + the window name.
std::span<const std::string_view> LocalizedFormNames();

// A fresh design of the named window (a localized screen, or the fixed
// English dialog "dlgErrJapaneseFontsMissing"); nullptr for an unknown name.
std::unique_ptr<Form> CreateFormDesign(std::string_view name);

}  // namespace pavane::screens
