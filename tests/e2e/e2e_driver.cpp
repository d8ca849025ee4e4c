// Drives Gyrata.scr from outside, as a screen-saver host and a user would: starts it with a command
// line, finds its windows, reads what they say, closes or dismisses them, and checks how and when the
// process ends. Prints what it saw; exit code 0 when every check held. Each run starts a copy of the
// saver in a fresh directory, so the settings file beside it is this run's alone.
//
//   e2e_driver window  SAVER [args...]  full-screen window; prints READY while it is up
//   e2e_driver info    SAVER [args...]  information box, dismissed with its OK button
//   e2e_driver silent  SAVER [args...]  ends at once without any window
//   e2e_driver preview SAVER            preview inside a parent window of ours
//   e2e_driver close   SAVER COUNT      outside closes at varied moments
//   e2e_driver escape  SAVER            Esc ends the animation
//   e2e_driver post-close [CLASS]       posts WM_CLOSE to the running saver's window (or to its window
//                                       of that class), as the system's close command would
//   e2e_driver display-change           posts WM_DISPLAYCHANGE to the running saver's windows, as the
//                                       system's broadcast would, and dismisses the one message box
//   e2e_driver monitors                 prints the monitors the system reports
//   e2e_driver saver-windows            prints the running saver's visible windows and which of them
//                                       is in the foreground
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const wchar_t kClassName[] = L"Tarnwick : Gyrata";
const wchar_t kCoverClassName[] = L"Tarnwick : Gyrata : cover";
int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    std::fflush(stdout);
    if (!ok) ++failures;
}

std::wstring WindowsPath(const char* path) {
    std::wstring result;
    if (path[0] == '/') result = L"Z:";
    for (const char* p = path; *p; ++p) result += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return result;
}

// A fresh directory holding a copy of the saver; removed with whatever the saver left in it.
struct PrivateCopy {
    std::wstring directory;
    std::wstring exe;

    bool Make(const std::wstring& original) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        directory = std::wstring(temp) + L"gyrata_e2e_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                    std::to_wstring(GetTickCount());
        if (!CreateDirectoryW(directory.c_str(), nullptr)) return false;
        exe = File(L"Gyrata.scr");
        return CopyFileW(original.c_str(), exe.c_str(), TRUE) != 0;
    }
    std::wstring File(const wchar_t* name) const { return directory + L"\\" + name; }
    ~PrivateCopy() {
        if (directory.empty()) return;
        for (const wchar_t* name : {L"Gyrata.ini", L"Gyrata.ini.tmp", L"Gyrata.scr"}) DeleteFileW(File(name).c_str());
        RemoveDirectoryW(directory.c_str());
    }
};

std::string FileBytes(const std::wstring& name) {
    std::string bytes;
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(none)";
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

struct Saver {
    PROCESS_INFORMATION process = {};
    bool running = false;

    bool Start(const std::wstring& exe, const std::vector<std::wstring>& args) {
        std::wstring line = L"\"" + exe + L"\"";
        for (const std::wstring& a : args) line += L" " + a;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        std::vector<wchar_t> buffer(line.begin(), line.end());
        buffer.push_back(L'\0');
        running = CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process) != 0;
        return running;
    }
    // Waits for the end; returns the exit code, or -1 (and ends it) when it outlives the limit.
    long WaitForExit(DWORD limitMs, DWORD* tookMs = nullptr) {
        const DWORD start = GetTickCount();
        const DWORD result = WaitForSingleObject(process.hProcess, limitMs);
        if (tookMs) *tookMs = GetTickCount() - start;
        if (result != WAIT_OBJECT_0) {
            Kill();
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        Close();
        return static_cast<long>(code);
    }
    void Kill() {
        if (!running) return;
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
        Close();
    }
    void Close() {
        if (!running) return;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        running = false;
    }
    ~Saver() { Kill(); }
};

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
    ProcessWindows* found = reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->pid && IsWindowVisible(window)) found->windows.push_back(window);
    return TRUE;
}

// The visible top-level windows of the process, in z-order (the order a broadcast reaches them).
std::vector<HWND> WindowsOfProcess(DWORD pid) {
    ProcessWindows found = {pid, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

HWND FindProcessWindow(DWORD pid, const wchar_t* className) {
    for (HWND window : WindowsOfProcess(pid))
        if (!className || ClassOf(window) == className) return window;
    return nullptr;
}

// Polls for a top-level window of the process; pumps our own messages meanwhile.
HWND WaitForWindow(const Saver& saver, const wchar_t* className, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < limitMs) {
        HWND window = FindProcessWindow(saver.process.dwProcessId, className);
        if (window) return window;
        if (WaitForSingleObject(saver.process.hProcess, 0) == WAIT_OBJECT_0) return nullptr;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(1);
    }
    return nullptr;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    }
}

std::vector<std::wstring> Args(int argc, char** argv, int first) {
    std::vector<std::wstring> args;
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        args.emplace_back(a.begin(), a.end());
    }
    return args;
}

void FullScreenWindow(const std::wstring& exe, const std::vector<std::wstring>& args) {
    Saver saver;
    Check(saver.Start(exe, args), "saver started");
    HWND window = WaitForWindow(saver, kClassName, 15000);
    Check(window != nullptr, "window of class \"Tarnwick : Gyrata\" appeared");
    if (!window) return;
    Check(TextOf(window) == kClassName, "title is \"Tarnwick : Gyrata\"");
    RECT rect;
    GetWindowRect(window, &rect);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    std::printf("screen %dx%d, window at (%ld, %ld) size %ldx%ld\n", screenWidth, screenHeight, rect.left, rect.top,
                rect.right - rect.left, rect.bottom - rect.top);
    if (screenWidth == 1366 && screenHeight == 768) {
        Check(rect.left == -1 && rect.top == 0, "window at (-1, 0)");
        Check(rect.right - rect.left == 1368 && rect.bottom - rect.top == 768, "window 1368x768");
    } else {
        const int width = (screenWidth + 7) & ~7;
        Check(rect.right - rect.left == width && rect.bottom - rect.top == screenHeight,
              "window as wide as the screen rounded up to 8");
    }
    Check(IsWindowVisible(window) != 0, "window visible");
    Check((GetWindowLongW(window, GWL_STYLE) & WS_POPUP) != 0, "pop-up window");
    PumpFor(1500);  // time for frames to reach the screen
    std::printf("READY\n");
    std::fflush(stdout);
    PumpFor(2500);  // a screenshot may be taken now
    Check(WaitForSingleObject(saver.process.hProcess, 0) == WAIT_TIMEOUT, "still running after 4 s");
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD took = 0;
    const long code = saver.WaitForExit(3000, &took);
    std::printf("exit code %ld after %lu ms\n", code, took);
    Check(code == 0, "closed with exit code 0");
}

void InformationBox(const std::wstring& exe, const std::vector<std::wstring>& args) {
    Saver saver;
    Check(saver.Start(exe, args), "saver started");
    HWND box = WaitForWindow(saver, L"#32770", 15000);
    Check(box != nullptr, "a message box appeared");
    if (!box) return;
    PumpFor(300);  // shown: its controls are complete
    Check(FindProcessWindow(saver.process.dwProcessId, kClassName) == nullptr, "no saver window");
    Check(TextOf(box) == L"    Tarnwick", "caption \"    Tarnwick\"");
    HWND text = GetDlgItem(box, 0xFFFF);
    Check(text != nullptr && TextOf(text) == L"\nExit - key Esc  \n\nHelp - key F1  \n\n", "the information text");
    HWND ok = GetDlgItem(box, IDOK);
    Check(ok != nullptr, "an OK button");
    Check(GetDlgItem(box, IDCANCEL) == nullptr, "no Cancel button");
    Check(WaitForSingleObject(saver.process.hProcess, 0) == WAIT_TIMEOUT, "waits for the box to be dismissed");
    if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
    DWORD took = 0;
    const long code = saver.WaitForExit(5000, &took);
    std::printf("exit code %ld after %lu ms\n", code, took);
    Check(code == 0, "exit code 0 after OK");
}

void Silent(const std::wstring& exe, const std::vector<std::wstring>& args) {
    Saver saver;
    Check(saver.Start(exe, args), "saver started");
    bool sawWindow = false;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(saver.process.hProcess, 2) == WAIT_TIMEOUT && GetTickCount() - start < 10000)
        if (FindProcessWindow(saver.process.dwProcessId, nullptr)) sawWindow = true;
    const long code = saver.WaitForExit(0);
    std::printf("exit code %ld after %lu ms\n", code, GetTickCount() - start);
    Check(code == 0, "exit code 0");
    Check(!sawWindow, "no window at any time");
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

void Preview(const std::wstring& exe) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"GyrataPreviewParent";
    RegisterClassW(&windowClass);
    // A borderless parent at a known place, its client area exactly the preview's 152x112.
    HWND parent = CreateWindowExW(WS_EX_TOPMOST, L"GyrataPreviewParent", L"preview parent",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 200, 150, 152, 112, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    Check(parent != nullptr, "parent window created");
    if (!parent) return;
    PumpFor(300);
    Saver saver;
    Check(saver.Start(exe, {L"/p", std::to_wstring(reinterpret_cast<uintptr_t>(parent))}), "saver started");
    HWND child = nullptr;
    const DWORD start = GetTickCount();
    while (!child && GetTickCount() - start < 15000) {
        child = FindWindowExW(parent, nullptr, kClassName, nullptr);
        PumpFor(10);
    }
    Check(child != nullptr, "child window of class \"Tarnwick : Gyrata\" inside the parent");
    if (child) {
        RECT rect;
        GetClientRect(child, &rect);
        Check(rect.right == 152 && rect.bottom == 112, "child fills the parent's client area");
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        Check((style & WS_CHILD) && (style & WS_DISABLED) && (style & WS_VISIBLE), "disabled visible child");
        Check(FindProcessWindow(saver.process.dwProcessId, nullptr) == nullptr, "no top-level window of the saver");
    }
    PumpFor(1500);
    Check(WaitForSingleObject(saver.process.hProcess, 0) == WAIT_TIMEOUT, "preview stays while the parent lives");
    DestroyWindow(parent);
    DWORD took = 0;
    const long code = saver.WaitForExit(5000, &took);
    std::printf("exit code %ld %lu ms after the parent was destroyed\n", code, took);
    Check(code == 0, "exit code 0 once the parent is gone");
}

void RepeatedClose(const std::wstring& exe, int count) {
    // Moments after the window appears: the first milliseconds of the EffectThread (which sleeps
    // 10 ms before appMain), the pacing set-up, and the running animation.
    const DWORD delays[] = {0, 1, 2, 3, 4, 5, 6, 8, 10, 11, 12, 15, 20, 25, 35, 50, 80, 120, 200, 350, 600, 900};
    const int delayCount = sizeof delays / sizeof delays[0];
    int good = 0;
    DWORD slowest = 0;
    for (int i = 0; i < count; ++i) {
        Saver saver;
        if (!saver.Start(exe, {})) {
            Check(false, "saver started");
            continue;
        }
        HWND window = WaitForWindow(saver, kClassName, 15000);
        if (!window) {
            Check(false, "window appeared");
            continue;
        }
        const DWORD delay = delays[i % delayCount];
        if (delay) Sleep(delay);
        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD took = 0;
        const long code = saver.WaitForExit(1000, &took);
        if (took > slowest) slowest = took;
        if (code != 0)
            std::printf("round %d (close %lu ms after the window appeared): exit code %ld after %lu ms\n", i, delay,
                        code, took);
        good += code == 0;
    }
    std::printf("%d of %d closes ended with exit code 0 within 1 s; slowest %lu ms\n", good, count, slowest);
    Check(good == count, "every close ended the program at once with exit code 0");
}

void Escape(const PrivateCopy& copy) {
    const std::wstring& exe = copy.exe;
    Saver saver;
    Check(saver.Start(exe, {}), "saver started");
    HWND window = WaitForWindow(saver, kClassName, 15000);
    Check(window != nullptr, "window appeared");
    if (!window) return;
    PumpFor(1000);  // the animation runs
    Check(WaitForSingleObject(saver.process.hProcess, 0) == WAIT_TIMEOUT, "running before Esc");
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(window, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
    DWORD took = 0;
    const long code = saver.WaitForExit(3000, &took);
    std::printf("exit code %ld %lu ms after Esc\n", code, took);
    Check(code == 0, "Esc ends the program with exit code 0");
    // No settings file before: the initial values 0, 3 and -1, and the NUL.
    const std::string saved = FileBytes(copy.File(L"Gyrata.ini"));
    std::printf("settings file: %zu bytes\n", saved.size());
    Check(saved == std::string("0 3 -1\0", 7), "the settings file beside the saver holds \"0 3 -1\" and a NUL");
}

// The close from outside for a saver that a script started: the one window of the saver's class,
// or the first one of the class given.
void PostClose(const std::wstring& className) {
    HWND window = FindWindowW(className.c_str(), nullptr);
    Check(window != nullptr, "a window of the class is open");
    if (window) Check(PostMessageW(window, WM_CLOSE, 0, 0) != 0, "WM_CLOSE posted");
}

void DisplayChange() {
    HWND main = FindWindowW(kClassName, nullptr);
    Check(main != nullptr, "the saver's window is open");
    if (!main) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    const std::vector<HWND> windows = WindowsOfProcess(pid);
    std::printf("%zu windows of the saver\n", windows.size());
    for (HWND window : windows) PostMessageW(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(1366, 768));
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
        box = FindProcessWindow(pid, L"#32770");
        PumpFor(10);
    }
    Check(box != nullptr, "a message box appeared");
    if (!box) return;
    PumpFor(1000);  // time for a second box, should every window show one
    int boxes = 0;
    for (HWND window : WindowsOfProcess(pid)) boxes += ClassOf(window) == L"#32770";
    Check(boxes == 1, "exactly one message box");
    Check(TextOf(box) == kClassName, "caption \"Tarnwick : Gyrata\"");
    HWND text = GetDlgItem(box, 0xFFFF);
    Check(text != nullptr && TextOf(text) ==
                                 L"Adequate Desktop Resizing or Rotation on the fly - not support.  \n"
                                 L"Run this program after these operations, please.",
          "the display-change text");
    HWND ok = GetDlgItem(box, IDOK);
    Check(ok != nullptr, "an OK button");
    if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
}

std::string RectText(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld-%ld,%ld", r.left, r.top, r.right, r.bottom);
    return text;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    std::printf("monitor %s%s\n", RectText(info.rcMonitor).c_str(),
                (info.dwFlags & MONITORINFOF_PRIMARY) ? " primary" : "");
    return TRUE;
}

void PrintMonitors() {
    std::printf("monitors %d\n", GetSystemMetrics(SM_CMONITORS));
    EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
}

// One line per visible top-level window of the saver's two classes, in z-order, then the foreground.
BOOL CALLBACK PrintSaverWindow(HWND window, LPARAM) {
    const std::wstring className = ClassOf(window);
    const char* kind = className == kClassName ? "main" : className == kCoverClassName ? "cover" : nullptr;
    if (!kind || !IsWindowVisible(window)) return TRUE;
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("%s %s\n", kind, RectText(rect).c_str());
    return TRUE;
}

void PrintSaverWindows() {
    EnumWindows(PrintSaverWindow, 0);
    HWND foreground = GetForegroundWindow();
    const std::wstring className = foreground ? ClassOf(foreground) : std::wstring();
    std::printf("foreground %s\n", !foreground                    ? "none"
                                   : className == kClassName      ? "main"
                                   : className == kCoverClassName ? "cover"
                                                                  : "other");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "post-close") {
        PostClose(argc > 2 ? Args(argc, argv, 2)[0] : std::wstring(kClassName));
        std::printf("%s\n", failures ? "FAILED" : "PASSED");
        return failures ? 1 : 0;
    }
    if (argc == 2 && std::string(argv[1]) == "display-change") {
        DisplayChange();
        std::printf("%s\n", failures ? "FAILED" : "PASSED");
        return failures ? 1 : 0;
    }
    if (argc == 2 && std::string(argv[1]) == "monitors") {
        PrintMonitors();
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "saver-windows") {
        PrintSaverWindows();
        return 0;
    }
    if (argc < 3) {
        std::printf(
            "usage: e2e_driver window|info|silent|preview|close|escape SAVER [args...] | post-close [CLASS] | "
            "display-change | monitors | saver-windows\n");
        return 2;
    }
    const std::string command = argv[1];
    PrivateCopy copy;
    if (!copy.Make(WindowsPath(argv[2]))) {
        std::printf("FAILED: could not copy the saver into a fresh directory\n");
        return 1;
    }
    const std::wstring exe = copy.exe;
    if (command == "window")
        FullScreenWindow(exe, Args(argc, argv, 3));
    else if (command == "info")
        InformationBox(exe, Args(argc, argv, 3));
    else if (command == "silent")
        Silent(exe, Args(argc, argv, 3));
    else if (command == "preview")
        Preview(exe);
    else if (command == "close")
        RepeatedClose(exe, argc > 3 ? std::atoi(argv[3]) : 20);
    else if (command == "escape")
        Escape(copy);
    else
        return 2;
    std::printf("%s\n", failures ? "FAILED" : "PASSED");
    return failures ? 1 : 0;
}
