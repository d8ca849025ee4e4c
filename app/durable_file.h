// Spiral effect: replacing a small file so that a crash or a power loss at any moment leaves either
// the old bytes or the new ones on disk, never a truncated file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Writes bytes to temporary (created or truncated) and forces them to the disk, then renames it over
// target and forces the rename to the disk too. On failure target is untouched and a temporary this
// call created is removed. Returns 1 on success.
int32_t ReplaceFileDurably(const std::filesystem::path& temporary, const std::filesystem::path& target,
                           const std::string& bytes);
