// The application's start-up settings: its window name, clear colour and full-screen back buffer, its
// texts, its appMain and its splash. The host's start-up routine calls these set-ups last, in this
// order.
#include "app/effect_loop.h"
#include "app/splash_screen.h"
#include "host/host_config.h"
#include "host/platform.h"
#include "host/start_up.h"

void SetUpApplicationDisplay() {
    hostConfig.windowName = L"Tarnwick : Gyrata";
    hostConfig.clearColour = kApplicationClearColour;
    SetFullScreenSize();
    hookTable.appMain = EffectMainLoop;
    CreateBackBuffer();
}

void SetUpApplicationTexts() {
    hostConfig.infoText = L"\nExit - key Esc  \n\nHelp - key F1  \n\n";
    hostConfig.infoCaption = L"    Tarnwick";
    hostConfig.previewLabel = L"T a r n w i c k";
    // Installed after the start-up back buffer was made: the splash needs a window to be seen on and
    // to receive its timer, so the host shows it when it makes the back buffer again for the window.
    hookTable.splashPainter = PaintSplash;
}
