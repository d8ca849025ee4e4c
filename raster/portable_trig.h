// Raster core: sine and cosine in double precision that give the same bits on every platform.
// The C runtimes of glibc, Windows and Wine do not agree in the last bit, and the picture must not
// depend on which one it runs on.
#pragma once

double PortableSin(double x);
double PortableCos(double x);
