// The file-reading seam on Windows: CreateFileA, a disk file only (GetFileType), bounded reads.
#include "../win32.h"

#include <algorithm>
#include <cstdio>

#include "base/file_read.h"

namespace velkar {

namespace {

// Closes the handle on every way out.
struct Handle {
    HANDLE handle;
    ~Handle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

std::string ErrorText(DWORD code) {
    char text[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, text, sizeof text, nullptr);
    std::string out(text, n);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    if (out.empty()) {
        std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(code));
        out = text;
    }
    return out;
}

} // namespace

int32_t ReadRegularFile(const char* path, size_t limit, std::string& out, std::string& detail) {
    out.clear();
    detail.clear();
    // Shared for reading and writing: a recording still being made can be read. A pipe or a
    // device name opens at once (a busy pipe fails) and is refused by its type below.
    Handle file{CreateFileA(path, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) {
        detail = ErrorText(GetLastError());
        return FILE_READ_CANNOT_OPEN;
    }
    if (GetFileType(file.handle) != FILE_TYPE_DISK) return FILE_READ_NOT_REGULAR;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file.handle, &info) == 0) {
        detail = ErrorText(GetLastError());
        return FILE_READ_FAILED;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FILE_READ_NOT_REGULAR;
    const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > limit) return FILE_READ_TOO_LARGE;
    return ReadWithinLimit(
        static_cast<size_t>(size), limit, out, [&](char* into, size_t room) -> int64_t {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(room, 1u << 20));
            if (ReadFile(file.handle, into, want, &got, nullptr) != 0) return got;
            detail = ErrorText(GetLastError());
            return -1;
        });
}

} // namespace velkar
