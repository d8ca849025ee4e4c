// Key names: for each named Windows virtual-key code a release name (capitalised, "Enter") and a press
// name (the same in lower case, "enter"); every other code is null. The input log writes these words.
//
// Constant tables, built at compile time: readable from any thread at any point, static
// initialisation included.
#pragma once

#include <array>
#include <cstdint>

constexpr int32_t kKeyNameCount = 256;  // indexed by virtual-key code
constexpr int32_t kNamedKeyCount = 79;

using KeyNameTable = std::array<const char*, kKeyNameCount>;

extern const KeyNameTable keyUpNames;
extern const KeyNameTable keyDownNames;
