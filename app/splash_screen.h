// The start-up screen: the splash picture centred on a black view, the information line at the
// bottom and the address line below the picture, tinted and drawn as dots at twice its size; then
// presented. The host runs it from CreateBackBuffer once the window can show it.
#pragma once

#include <cstdint>

constexpr uint32_t kSplashClearColour = 0x00000000u;
constexpr uint32_t kAddressLineTint = 0xFFAAAAAAu;

void PaintSplash();
