#include "app/steering.h"

Settings settings;
Steering steering;
