#include "host/start_up.h"

#include <cwchar>

#include "host/host_config.h"

int32_t slotInUse[kTimerSlotCount];
int32_t splashSlot = -1;
wchar_t programBaseName[kBaseNameCapacity];
wchar_t programPath[kProgramPathCapacity];

namespace {

constexpr int32_t kMaxReleases = 16;
ReleaseProc releases[kMaxReleases];
int32_t releaseCount = 0;

// Case-insensitive for the ASCII letters of the switches; nothing else is compared.
bool EqualsSwitch(const std::wstring& arg, const wchar_t* expected) {
    size_t i = 0;
    for (; expected[i] != L'\0'; ++i) {
        if (i >= arg.size()) return false;
        wchar_t c = arg[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != expected[i]) return false;
    }
    return i == arg.size();
}

}  // namespace

int32_t AllocateSlot() {
    for (int32_t slot = kTimerSlotCount - 1; slot >= 0; --slot) {
        if (slotInUse[slot] == 0) {
            slotInUse[slot] = 1;
            return slot;
        }
    }
    return -1;
}

std::wstring BaseNameOfPath(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    const size_t start = slash == std::wstring::npos ? 0 : slash + 1;
    size_t end = path.find(L'.', start);
    if (end == std::wstring::npos) end = path.size();
    const size_t length = end - start < kBaseNameCapacity - 1 ? end - start : kBaseNameCapacity - 1;
    return path.substr(start, length);
}

void StoreProgramPath(const std::wstring& path) {
    const std::wstring name = BaseNameOfPath(path);
    std::wmemset(programBaseName, L'\0', kBaseNameCapacity);
    std::wmemcpy(programBaseName, name.data(), name.size());
    const size_t length = path.size() < kProgramPathCapacity - 1 ? path.size() : kProgramPathCapacity - 1;
    std::wmemset(programPath, L'\0', kProgramPathCapacity);
    std::wmemcpy(programPath, path.data(), length);
}

LaunchChoice ClassifyCommandLine(const std::vector<std::wstring>& args, bool configureHookSet) {
    if (args.size() <= 1 || EqualsSwitch(args[1], L"/s")) return {LaunchMode::Normal, 0};
    if (args.size() >= 3 && EqualsSwitch(args[1], L"/p")) {
        // The handle is read the way the C library reads a decimal number: up to the first non-digit.
        const intptr_t parent = static_cast<intptr_t>(std::wcstol(args[2].c_str(), nullptr, 10));
        if (parent == 0) return {LaunchMode::Exit, 0};
        return {LaunchMode::Preview, parent};
    }
    return {configureHookSet ? LaunchMode::Configure : LaunchMode::InfoBox, 0};
}

int32_t ParseCommandLine(const std::vector<std::wstring>& args, LaunchMode* mode) {
    modeState.previewMode = 0;
    modeState.configureMode = 0;
    const LaunchChoice choice = ClassifyCommandLine(args, hookTable.configureHook != nullptr);
    *mode = choice.mode;
    switch (choice.mode) {
    case LaunchMode::Normal:
        return 1;
    case LaunchMode::Preview:
        modeState.previewMode = 1;
        modeState.previewParent = choice.previewParent;
        return 1;
    case LaunchMode::Configure:
        modeState.configureMode = 1;
        return 1;
    case LaunchMode::InfoBox:
    case LaunchMode::Exit:
        break;
    }
    return 0;
}

int32_t FullScreenWidth(int32_t screenWidth) { return (screenWidth + 7) / 8 * 8; }

int32_t CentredPosition(int32_t screenSize, int32_t windowSize) { return screenSize / 2 - windowSize / 2; }

void RegisterRelease(ReleaseProc release) {
    if (releaseCount < kMaxReleases) releases[releaseCount++] = release;
}

void RunRegisteredReleases() {
    while (releaseCount > 0) releases[--releaseCount]();
}
