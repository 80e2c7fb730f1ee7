// Helpers of the Win32 tests: a scratch directory and UTF-8 texts of wide window strings.
#pragma once

#include <string>

#include "win32.h"

namespace velkar_test {

// A fresh directory under the temporary directory, with a trailing backslash.
std::string ScratchDirectory(const char* name);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
std::string Utf8(const wchar_t* text);
// The text of a window (a control or a dialog) as UTF-8.
std::string WindowTextUtf8(HWND window);

} // namespace velkar_test
