// Presentation: the game thread hands each finished frame over under a short lock; the UI thread
// paints it one to one, as exact 2 x 2 blocks at 480 x 640, stretched otherwise, or letterboxed
// in full screen.
#include "game_view.h"

#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/platform_seam.h"
#include "app/trace.h"
#include "gfx/canvas.h"
#include "gfx/display_modes.h"

namespace velkar {

namespace {

constexpr size_t FRAME_BYTES = static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT;

// The hand-over buffer: written by the game thread, read by the UI thread, each holding the
// lock only for one copy of the frame.
std::mutex handoverLock;
uint8_t handoverPixels[FRAME_BYTES];
bool handoverFresh = false; // guarded by handoverLock

// Set while a request to take the frame is on its way to the UI thread, so that a busy UI
// thread gets one request however many frames arrive meanwhile.
std::atomic<int32_t> takeQueued{0};
std::atomic<GameView*> presentationView{nullptr};
std::atomic<int64_t> framesTaken{0};

} // namespace

void SetPresentationView(GameView* view) {
    presentationView.store(view);
}

int64_t PresentedFrameCount() {
    return framesTaken.load();
}

void PresentFrame() {
    const uint8_t* screen = ScreenBufferBits;
    if (screen == nullptr) return;
    {
        std::lock_guard<std::mutex> guard(handoverLock);
        std::memcpy(handoverPixels, screen, FRAME_BYTES);
        handoverFresh = true;
    }
    GameView* view = presentationView.load();
    if (view != nullptr && takeQueued.exchange(1) == 0)
        QMetaObject::invokeMethod(
            view, [view] { view->TakeFrame(); }, Qt::QueuedConnection);
}

GameView::GameView(QWidget* parent)
    // Kept in the window system's own 32-bit format, so that painting is a plain copy with no
    // conversion per frame.
    : QWidget(parent), picture_(SCREEN_WIDTH, SCREEN_HEIGHT, QImage::Format_RGB32),
      doubled_(SCREEN_WIDTH * 2, SCREEN_HEIGHT * 2, QImage::Format_RGB32) {
    picture_.fill(Qt::black);
    doubled_.fill(Qt::black);
    // The whole area is painted on every update; nothing is erased behind the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
}

void GameView::TakeFrame() {
    takeQueued.store(0);
    bool fresh = false;
    {
        std::lock_guard<std::mutex> guard(handoverLock);
        if (handoverFresh) {
            // Blue-green-red bytes to 0xffRRGGBB words.
            for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
                const uint8_t* src = handoverPixels + y * SCREEN_STRIDE;
                auto* row = reinterpret_cast<QRgb*>(picture_.scanLine(y));
                for (int32_t x = 0; x < SCREEN_WIDTH; ++x, src += 3)
                    row[x] = qRgb(src[2], src[1], src[0]);
            }
            handoverFresh = false;
            fresh = true;
        }
    }
    if (!fresh) return;
    doubledStale_ = true;
    if (framesTaken.fetch_add(1) == 0) {
        timespec cpu{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        Trace("first frame taken for presentation (process CPU time %ld ms)\n",
              static_cast<long>(cpu.tv_sec * 1000 + cpu.tv_nsec / 1000000));
    }
    update();
}

void GameView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    NoteClientSize(width(), height());
}

void GameView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const int32_t w = width();
    const int32_t h = height();
    if (FullScreen.load() != 0) {
        // The picture keeps its 3 : 4 shape between black bars; as on the full-screen display,
        // its last column and row are left out and the target stops one pixel short.
        const QRect target(LetterboxX, LetterboxY, FullScreenWidth - 2 * LetterboxX - 1,
                           FullScreenHeight - 2 * LetterboxY - 1);
        painter.fillRect(QRect(0, 0, w, target.top()), Qt::black);
        painter.fillRect(QRect(0, target.bottom() + 1, w, h - target.bottom() - 1), Qt::black);
        painter.fillRect(QRect(0, target.top(), target.left(), target.height()), Qt::black);
        painter.fillRect(
            QRect(target.right() + 1, target.top(), w - target.right() - 1, target.height()),
            Qt::black);
        if (target.width() > 0 && target.height() > 0)
            painter.drawImage(target, picture_, QRect(0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1));
        return;
    }
    if (w == SCREEN_WIDTH && h == SCREEN_HEIGHT) {
        painter.drawImage(0, 0, picture_);
    } else if (w == SCREEN_WIDTH * 2 && h == SCREEN_HEIGHT * 2) {
        if (doubledStale_) {
            // Exact pixel replication: each game pixel becomes a 2 x 2 block.
            for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
                const auto* src = reinterpret_cast<const QRgb*>(picture_.constScanLine(y));
                auto* row = reinterpret_cast<QRgb*>(doubled_.scanLine(2 * y));
                for (int32_t x = 0; x < SCREEN_WIDTH; ++x)
                    row[2 * x] = row[2 * x + 1] = src[x];
                std::memcpy(doubled_.scanLine(2 * y + 1), row, doubled_.bytesPerLine());
            }
            doubledStale_ = false;
        }
        painter.drawImage(0, 0, doubled_);
    } else if (w > 0 && h > 0) {
        // Any other size: nearest-neighbour scaling, no smoothing.
        painter.drawImage(QRect(0, 0, w, h), picture_);
    }
}

} // namespace velkar
