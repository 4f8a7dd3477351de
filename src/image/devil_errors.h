#pragma once

#include <string>
#include <string_view>

#include "settings/ui_hooks.h"

namespace nvx {

// Initialises DevIL once per process; safe to call from every load.
void InitDevil();

// The text of a DevIL error code: "" for 0, the table's text for a known code,
// otherwise "Error " and the code in upper-case hexadecimal.
std::string DevilErrorTextOf(unsigned code);

// Takes the next DevIL error code (ilGetError) and returns its text.
std::string DevilErrorText();

// Shows the next DevIL error, if any, as an error message captioned `title`,
// then drains the remaining errors. Returns the text shown ("" when none).
std::string CheckDevilError(const UiHooks& hooks, std::string_view title);

// Reads DevIL errors until none is left, at most 200.
void DrainDevilErrors();

}  // namespace nvx
