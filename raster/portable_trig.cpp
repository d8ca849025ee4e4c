#include "raster/portable_trig.h"

#include <cmath>

// Placeholder until the portable implementation lands: the C runtime's.
double PortableSin(double x) { return std::sin(x); }
double PortableCos(double x) { return std::cos(x); }
