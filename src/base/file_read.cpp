// The bounded read behind every platform's file-reading seam.
#include "base/file_read.h"

#include <algorithm>
#include <new>

namespace velkar {

int32_t ReadWithinLimit(size_t expected, size_t limit, std::string& out,
                        const std::function<int64_t(char* into, size_t room)>& readChunk) {
    int32_t result = FILE_READ_OK;
    try {
        // One byte more than the limit shows a file that grew past it while being read.
        out.resize(std::min(expected, limit) + 1);
        size_t used = 0;
        for (;;) {
            if (used == out.size()) {
                if (used > limit) break;
                out.resize(std::min(limit + 1, used + 65536));
            }
            const int64_t got = readChunk(out.data() + used, out.size() - used);
            if (got < 0) {
                result = FILE_READ_FAILED;
                break;
            }
            if (got == 0) break;
            used += static_cast<size_t>(got);
        }
        out.resize(used);
        if (result == FILE_READ_OK && used > limit) result = FILE_READ_TOO_LARGE;
    } catch (const std::bad_alloc&) {
        result = FILE_READ_NO_MEMORY;
    }
    if (result != FILE_READ_OK) {
        out.clear();
        out.shrink_to_fit();
    }
    return result;
}

} // namespace velkar
