// The settings file: the Settings triple (colour scheme, period, direction) kept between runs in a
// one-line text file beside the executable, named after it with ".ini". The name, the token reader
// and the formatting are plain functions so that tests (and the fuzz target) drive them without any
// file; LoadSettings and SaveSettings add the file I/O.
//
// Threads: LoadSettings runs on the effect thread before the key controls are installed and
// SaveSettings after the effect loop has ended, so the file state is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/steering.h"

constexpr int32_t kSettingsTextSize = 1024;   // holds at most 1023 bytes of the file and a NUL
constexpr int32_t kSettingsTokenLength = 15;  // longer tokens keep their first 15 characters

struct SettingsText {
    char text[kSettingsTextSize] = {};
    int32_t bytesRead = 0;  // 0 when the file was missing, unreadable or empty
    int32_t cursor = 0;     // byte index of the next token in text
};

struct SettingsFile {
    std::wstring fileName;  // built by LoadSettings, used by SaveSettings
    SettingsText content;
};
extern SettingsFile settingsFile;

// Directory part of programPath up to its last backslash, then the base name up to the first "."
// after it (at most 255 characters), then ".ini". Only the backslash separates directories.
std::wstring SettingsFileName(const std::wstring& programPath);

// Takes at most 1023 of the bytes, puts a NUL after them and rewinds the cursor.
void SetSettingsText(SettingsText& content, const char* bytes, size_t count);

// Next space-separated token as a number, or -1 when there is none: nothing was read, the cursor
// stands on a space (then every later token is -1 too), or on the terminating NUL.
int32_t ReadSettingsToken(SettingsText& content);

// Decimal conversion as strtol does it: leading white space, an optional sign, digits up to the first
// non-digit; no digits give 0, values beyond the 32-bit range give INT32_MIN or INT32_MAX.
int32_t ParseDecimal(const char* token);

// Reads the three tokens into target, in the order colourScheme, period, direction; leaves target
// alone when nothing was read.
void ApplySettingsText(SettingsText& content, Settings& target);

// The file's bytes: the three values in signed decimal separated by single spaces, then one NUL.
std::string FormatSettings(const Settings& source);

// The program path is element 0 of the command line as the command-line splitter returns it.
// LoadSettings builds the file name from it, reads the file and stores the triple into settings;
// it returns 1 when a file was read. Missing or unreadable files leave settings as they are.
int32_t LoadSettings(const std::wstring& programPath);

// Writes settings to the file named by the last LoadSettings. The bytes go to a temporary file in the
// same directory first, which then replaces the old file in one rename, so a failed save leaves the
// old file whole. Returns 1 on success; a failure is not reported to the user.
int32_t SaveSettings();

// The file I/O under the two above, for a given file name (wide; converted to UTF-8 where the
// platform's paths are narrow).
int32_t ReadSettingsFile(const std::wstring& fileName, SettingsText& content);
int32_t ReplaceSettingsFile(const std::wstring& fileName, const std::string& bytes);
