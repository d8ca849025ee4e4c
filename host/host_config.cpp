#include "host/host_config.h"

HostConfig hostConfig;
ModeState modeState;
HookTable hookTable;
