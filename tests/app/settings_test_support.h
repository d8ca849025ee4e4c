// Test support for the settings: the triple as a comparable value, and whole-file byte access.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

struct Triple {
    int32_t colourScheme;
    int32_t period;
    int32_t direction;
    bool operator==(const Triple& o) const {
        return colourScheme == o.colourScheme && period == o.period && direction == o.direction;
    }
};
inline std::ostream& operator<<(std::ostream& out, const Triple& t) {
    return out << "{" << t.colourScheme << ", " << t.period << ", " << t.direction << "}";
}

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
