// Trace hook: formats a message into a fixed buffer and hands it to the installed sink.
#include "base/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace velkar {

namespace {
std::atomic<TraceSinkFn> traceSink{nullptr};
}

void SetTraceSink(TraceSinkFn sink) {
    traceSink.store(sink);
}

void Trace(const char* format, ...) {
    TraceSinkFn sink = traceSink.load();
    if (sink == nullptr) return;
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    sink(buffer);
}

} // namespace velkar
