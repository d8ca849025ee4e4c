// The program's start-up, run once from a static object of the executable before the entry point,
// on the main thread: every step depends on the ones before it, so they are one routine in one order
// rather than initialisers scattered over files whose order the linker would choose.
#include <windows.h>

#include <mmsystem.h>

#include "host/frame_buffer.h"
#include "host/host_config.h"
#include "host/start_up.h"
#include "host/threads.h"
#include "host/win_host.h"
#include "raster/polygon.h"
#include "raster/spans.h"
#include "sprite/image_decoder.h"
#include "text_input/input_state.h"

void RunStartUp() {
    InstallHostDefaults();
    InstallImageDecoder();

    splashSlot = AllocateSlot();
    frameBuffer.viewLeft = frameBuffer.viewTop = frameBuffer.viewRight = frameBuffer.viewBottom = -1;
    SetUpApplicationSaveStack();
    SelectShapeMode(Normal);
    InitShapeRasteriser();
    RegisterRelease(ReleaseShapeRasteriser);
    InitialiseInputState();
    timeBeginPeriod(1);  // Sleep and timeGetTime to the millisecond; never reset
    SetUpApplicationDisplay();
    SetUpApplicationTexts();
    SetUpApplicationPreview();
}

void RunShutDown() { RunRegisteredReleases(); }
