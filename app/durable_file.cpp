#include "app/durable_file.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32

bool WriteAndFlush(const fs::path& file, const std::string& bytes) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(handle);
    CloseHandle(handle);
    return ok;
}

bool RenameDurably(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

bool WriteAndFlush(const fs::path& file, const std::string& bytes) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool ok = done == bytes.size() && fsync(fd) == 0;
    return close(fd) == 0 && ok;
}

// The rename lives in the directory's entries: syncing the directory puts it on the disk.
bool RenameDurably(const fs::path& from, const fs::path& to) {
    if (rename(from.c_str(), to.c_str()) != 0) return false;
    fs::path directory = to.parent_path();
    if (directory.empty()) directory = ".";
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return true;
}

#endif

}  // namespace

int32_t ReplaceFileDurably(const fs::path& temporary, const fs::path& target, const std::string& bytes) {
    std::error_code error;
    const bool existed = fs::exists(fs::symlink_status(temporary, error));
    if (WriteAndFlush(temporary, bytes) && RenameDurably(temporary, target)) return 1;
    // Something other than our temporary (a directory, say) standing at its name is left alone.
    if (!existed || fs::is_regular_file(fs::symlink_status(temporary, error))) fs::remove(temporary, error);
    return 0;
}
