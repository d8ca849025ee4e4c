// libFuzzer target for the settings reader: any bytes a hand-edited settings file may hold go
// through the same path as LoadSettings (the 1023-byte text buffer, then the token reader). Built
// by the fuzz configuration (tests/fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>

#include "app/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SettingsText text;
    SetSettingsText(text, reinterpret_cast<const char*>(data), size);
    Settings parsed;
    ApplySettingsText(text, parsed);
    // Reading past the three tokens must stay inside the text too.
    for (int extra = 0; extra < 4; ++extra) ReadSettingsToken(text);
    if (text.cursor < 0 || text.cursor > text.bytesRead) __builtin_trap();
    return 0;
}
