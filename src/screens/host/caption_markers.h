// The red markers put around the captions of the link labels when a screen
// starts: "[caption]" or, chosen by the label's Tag, "(caption)" underlined,
// in the rich-caption markup that the link label draws.
#pragma once

#include "screens/host/control.h"
#include "screens/host/form.h"

namespace pavane::screens {

// Wraps one caption unless it already begins with "[", then has the label
// size itself again at 300 twips high (AutoSize off, Height, AutoSize on).
void BracketCaption(Control& control, bool parentheses);

// For every link label of the window: Tag "no brackets" (any letter case)
// leaves it alone, "parentheses" chooses the second marker, anything else
// the brackets.
void BracketCaptions(Form& form);

}  // namespace pavane::screens
