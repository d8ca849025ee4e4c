// gyrata-render: writing the view to files. Each file is written under a temporary name beside
// its destination and renamed only when complete, so a failure never leaves a partial file.
#pragma once

#include <string>

// Whether this build can write PNG files (libpng found at configure time).
bool PngAvailable();

// The view as bytes B, G, R, A per pixel, rows top first, to `temporary`.
bool WriteRawView(const std::string& temporary, std::string& error);

// The view as an 8-bit RGBA PNG (R, G, B, A straight from each 0xAARRGGBB pixel) to `temporary`.
bool WritePngView(const std::string& temporary, std::string& error);

// The temporary name used for `path`.
std::string TemporaryName(const std::string& path);

// Renames temporary to path, replacing an existing file.
bool CommitFile(const std::string& temporary, const std::string& path, std::string& error);
