// Headless presentation and name-entry hand-off: nothing is shown, the calls are counted.
#include <atomic>

#include "app/platform_seam.h"
#include "null_seam.h"

namespace velkar {

namespace {
std::atomic<int32_t> presents{0};
std::atomic<int32_t> nameEntryPosts{0};
} // namespace

void PresentFrame() {
    presents.fetch_add(1);
}

void PostNameEntryCommand() {
    nameEntryPosts.fetch_add(1);
}

int32_t NullPresentCount() {
    return presents.load();
}
int32_t NullNameEntryPostCount() {
    return nameEntryPosts.load();
}

void ResetNullCounts() {
    presents.store(0);
    nameEntryPosts.store(0);
}

} // namespace velkar
