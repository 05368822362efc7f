// How a window backend follows the control model: it is told of every
// property assignment after it has been applied, so that a statement that
// moves, resizes, recolours, re-fonts or hides a control shows on screen.
#pragma once

#include "screens/host/control_property.h"

namespace pavane::screens {

class Control;

class ControlObserver {
 public:
  virtual ~ControlObserver() = default;

  // Called after every successful assignment, also one that keeps the value
  // as it was: setting AutoSize again must let a backend size the control
  // anew. A Move reports each of the positions it set.
  virtual void PropertyChanged(const Control& control, ControlProperty property) = 0;
};

}  // namespace pavane::screens
