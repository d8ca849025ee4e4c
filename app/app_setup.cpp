// The application's start-up settings: its window name, clear colour and full-screen back buffer, its
// texts, and its appMain. The host's start-up routine calls these two set-ups last, in this order.
#include "app/effect_loop.h"
#include "host/host_config.h"
#include "host/platform.h"
#include "host/start_up.h"

void SetUpApplicationDisplay() {
    hostConfig.windowName = L"Tarnwick : Gyrata";
    hostConfig.clearColour = 0xff000000u;
    SetFullScreenSize();
    hookTable.appMain = EffectMainLoop;
    CreateBackBuffer();
}

void SetUpApplicationTexts() {
    hostConfig.infoText = L"\nExit - key Esc  \n\nHelp - key F1  \n\n";
    hostConfig.infoCaption = L"    Tarnwick";
    hostConfig.previewLabel = L"T a r n w i c k";
}
