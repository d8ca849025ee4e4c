// The headless platform's own record: how many frames Present would have shown.
#pragma once

#include <cstdint>

extern int32_t presentedFrames;
