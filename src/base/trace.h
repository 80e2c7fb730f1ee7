// Diagnostic hook: failure details go here and, unless a sink is installed, nowhere else.
#pragma once

namespace velkar {

using TraceSinkFn = void (*)(const char* message);

// Installs the routine that receives formatted trace messages; nullptr discards them.
void SetTraceSink(TraceSinkFn sink);

// printf-style; formats into a fixed buffer only when a sink is installed.
void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace velkar
