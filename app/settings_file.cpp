#include "app/settings_file.h"

#include "app/durable_file.h"
#include "host/start_up.h"
#include "host/utf8.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <type_traits>

SettingsFile settingsFile;

namespace {

namespace fs = std::filesystem;

// Windows paths are wide already; elsewhere the file system takes bytes, which we give as UTF-8
// rather than trusting the process locale to convert.
fs::path ToPath(const std::wstring& name) {
    if constexpr (std::is_same_v<fs::path::value_type, wchar_t>) {
        return fs::path(name);
    } else {
        return fs::path(WideToUtf8(name));
    }
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The white space strtol skips in the "C" locale.
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::wstring SettingsFileName(const std::wstring& programPath) {
    const size_t lastBackslash = programPath.rfind(L'\\');
    const size_t directoryLength = lastBackslash == std::wstring::npos ? 0 : lastBackslash + 1;
    return programPath.substr(0, directoryLength) + BaseNameOfPath(programPath) + L".ini";
}

void SetSettingsText(SettingsText& content, const char* bytes, size_t count) {
    const size_t kept = std::min<size_t>(count, kSettingsTextSize - 1);
    std::copy(bytes, bytes + kept, content.text);
    content.text[kept] = '\0';
    content.bytesRead = static_cast<int32_t>(kept);
    content.cursor = 0;
}

int32_t ParseDecimal(const char* token) {
    const char* p = token;
    while (IsWhiteSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Saturates like strtol with a 32-bit long, so an absurd value in a hand-edited file is clamped
    // instead of wrapping.
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (; IsDecimalDigit(*p); ++p) {
        magnitude = std::min(magnitude * 10 + (*p - '0'), limit);
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int32_t ReadSettingsToken(SettingsText& content) {
    if (content.bytesRead <= 0) return -1;
    constexpr int32_t kLastIndex = kSettingsTextSize - 1;
    int32_t cursor = std::clamp(content.cursor, 0, kLastIndex);
    if (content.text[cursor] == ' ') return -1;

    // A token longer than the buffer keeps its first characters; the cursor still moves to the
    // separator, so the tokens after it are read as usual.
    char token[kSettingsTokenLength + 1];
    int32_t length = 0;
    while (cursor < kLastIndex && content.text[cursor] != ' ' && content.text[cursor] != '\0') {
        if (length < kSettingsTokenLength) token[length++] = content.text[cursor];
        ++cursor;
    }
    token[length] = '\0';
    content.cursor = cursor;
    if (length == 0) return -1;

    const int32_t value = ParseDecimal(token);
    if (content.text[cursor] == ' ') content.cursor = cursor + 1;
    return value;
}

void ApplySettingsText(SettingsText& content, Settings& target) {
    content.cursor = 0;
    if (content.bytesRead <= 0) return;
    // Three statements, not one expression: the tokens must be read in this order.
    const int32_t colourScheme = ReadSettingsToken(content);
    const int32_t period = ReadSettingsToken(content);
    const int32_t direction = ReadSettingsToken(content);
    Store(target.colourScheme, colourScheme);
    Store(target.period, period);
    Store(target.direction, direction);
}

std::string FormatSettings(const Settings& source) {
    std::string text;
    for (const std::atomic<int32_t>* value : {&source.colourScheme, &source.period, &source.direction}) {
        if (!text.empty()) text.push_back(' ');
        text += std::to_string(Load(*value));
    }
    text.push_back('\0');  // the terminating NUL is part of the file
    return text;
}

int32_t ReadSettingsFile(const std::wstring& fileName, SettingsText& content) {
    content.bytesRead = 0;
    content.cursor = 0;
    content.text[0] = '\0';
    std::ifstream in(ToPath(fileName), std::ios::binary);
    if (!in.is_open()) return 0;
    in.read(content.text, kSettingsTextSize - 1);
    const std::streamsize count = std::clamp<std::streamsize>(in.gcount(), 0, kSettingsTextSize - 1);
    content.text[count] = '\0';
    content.bytesRead = static_cast<int32_t>(count);
    return 1;
}

int32_t ReplaceSettingsFile(const std::wstring& fileName, const std::string& bytes) {
    return ReplaceFileDurably(ToPath(fileName + L".tmp"), ToPath(fileName), bytes);
}

int32_t LoadSettings(const std::wstring& programPath) {
    settingsFile.fileName = SettingsFileName(programPath);
    const int32_t opened = ReadSettingsFile(settingsFile.fileName, settingsFile.content);
    ApplySettingsText(settingsFile.content, settings);
    return opened;
}

int32_t SaveSettings() {
    if (settingsFile.fileName.empty()) return 0;
    return ReplaceSettingsFile(settingsFile.fileName, FormatSettings(settings));
}
