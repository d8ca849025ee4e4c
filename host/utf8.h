// Host shell: the UTF-8 form of wide strings, for the file names of platforms whose paths are bytes.
#pragma once

#include <string>

// UTF-8 form of a wide string (UTF-32 or UTF-16 code units); invalid code points become U+FFFD.
std::string WideToUtf8(const std::wstring& wide);
