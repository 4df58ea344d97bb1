// The editor's controls as the table describes them, built with the compiled-in artwork, and
// the mapping between a parameter value and what each control holds, both ways.
// Host's window thread.
#pragma once

#include <memory>

#include "spectro_controls.h"
#include "widgets.h"

namespace spectro {

// The control of a table entry, telling listener of the user's changes.
std::unique_ptr<Control> MakeControl(const ControlSpec& spec, ControlListener& listener);
// Shows a parameter value on control id (a slider or display the value itself, a menu its
// entry, the Freeze button whether blur is 1.0).
void ShowParameter(Control& control, ControlId id, float parameter);
// The parameter value control id sets with what it holds now.
float ParameterOf(const Control& control, ControlId id);

} // namespace spectro
