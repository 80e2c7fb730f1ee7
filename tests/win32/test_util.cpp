// Helpers of the Win32 tests: scratch files and wide window texts as UTF-8.
#include "test_util.h"

#include <cstdio>
#include <vector>

namespace velkar_test {

std::string ScratchDirectory(const char* name) {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    char path[MAX_PATH * 2];
    std::snprintf(path, sizeof path, "%svelkar-%s-%lu\\", base, name, GetCurrentProcessId());
    CreateDirectoryA(path, nullptr);
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string Utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::string WindowTextUtf8(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return Utf8(text.data());
}

} // namespace velkar_test
