// What the bundle's .ttl files and the preset files write alike: Turtle literals and the control
// ports' symbols, made once from the parameter table so every file names a port the same way.
#pragma once

#include <array>
#include <string>

#include "signal/ParamId.h"

namespace kt4r_lv2 {

// text without leading and trailing spaces.
std::string Trimmed(const std::string& text);
// A Turtle string literal.
std::string Quoted(const std::string& text);
// A Turtle decimal: nine significant digits, always with a point or an exponent.
std::string Number(double value);
// The symbols of control ports 0-69: the parameter's name in lower case with underscores, never
// starting with a digit; a name met before gets the id as a suffix.
const std::array<std::string, kPatchParamCount>& PortSymbols();

} // namespace kt4r_lv2
