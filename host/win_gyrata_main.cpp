// The screen saver's executable: its start-up runs from this one static object, so it is linked in
// for certain and its steps keep their order; its releases run when the object is destroyed at exit.
#include "host/win_host.h"

namespace {

struct ProgramLifetime {
    ProgramLifetime() { RunStartUp(); }
    ~ProgramLifetime() { RunShutDown(); }
};
ProgramLifetime programLifetime;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) { return RunHost(instance, showCommand); }
