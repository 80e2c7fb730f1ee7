// Centring arithmetic for dialogs over their owner window, clamped to the primary screen.
#include "ui/center_window.h"

namespace velkar {

namespace {

void ShiftRect(WindowRect* r, int32_t dx, int32_t dy) {
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
}

} // namespace

int32_t CenterWindowRect(WindowRect* window, const WindowRect* reference, int32_t screenWidth,
                         int32_t screenHeight) {
    if (reference == nullptr) return 0;
    int32_t dx = (reference->left + reference->right) / 2 - (window->left + window->right) / 2;
    int32_t dy = (reference->top + reference->bottom) / 2 - (window->top + window->bottom) / 2;
    ShiftRect(window, dx, dy);
    if (window->right >= screenWidth) ShiftRect(window, screenWidth - window->right, 0);
    if (window->bottom >= screenHeight) ShiftRect(window, 0, screenHeight - window->bottom);
    if (window->left < 0) ShiftRect(window, -window->left, 0);
    if (window->top < 0) ShiftRect(window, 0, -window->top);
    return 1;
}

} // namespace velkar
