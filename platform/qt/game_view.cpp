// Presentation: the game thread hands each finished frame over under a short lock; the UI thread
// paints it one to one, as exact 2 x 2 blocks at 480 x 640, stretched otherwise, or letterboxed
// in full screen.
#include "game_view.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPaintEngine>
#include <QPainter>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/platform_seam.h"
#include "base/trace.h"
#include "gfx/canvas.h"
#include "ui/display_modes.h"

namespace velkar {

namespace {

constexpr size_t FRAME_BYTES = static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT;

// Two frame buffers: the game thread copies each finished frame into the hand-over one under
// the lock; the UI thread, under the same lock, swaps it with the one it paints from. Neither
// thread holds the lock for more than one copy, and the UI thread paints without it.
std::mutex handoverLock;
uint8_t frameBuffers[2][FRAME_BYTES];
uint8_t* handoverFrame = frameBuffers[0]; // guarded by handoverLock
bool handoverFresh = false;               // guarded by handoverLock
uint8_t* shownFrame = frameBuffers[1];    // UI thread only (swapped under handoverLock)

// Set while a request to take the frame is on its way to the UI thread, so that a busy UI
// thread gets one request however many frames arrive meanwhile.
std::atomic<int32_t> takeQueued{0};
std::atomic<GameView*> presentationView{nullptr};
std::atomic<int64_t> framesTaken{0};

// The request itself: the game thread adds to an event counter that the UI thread's event loop
// watches. Nothing is allocated or queued per frame, and the view is looked up when the request
// is served, so a view that went away meanwhile is never reached.
std::atomic<int> frameSignal{-1};
QSocketNotifier* frameNotifier = nullptr; // UI thread

void ServeFrameSignal() {
    uint64_t count = 0;
    const int fd = frameSignal.load();
    if (fd >= 0 && read(fd, &count, sizeof count) < 0 && errno != EAGAIN)
        Trace("frame signal read failed\n");
    GameView* view = presentationView.load();
    if (view != nullptr)
        view->TakeFrame();
    else
        takeQueued.store(0);
}

inline QRgb PixelOf(const uint8_t* bgr) {
    return qRgb(bgr[2], bgr[1], bgr[0]);
}

#ifdef __SSE2__
// Both rows of one doubled line with streaming stores: the picture goes straight to memory
// for the window system to read, instead of first pulling the old picture into the cache.
// Rows 16-byte aligned.
void ExpandDoubledLineStreaming(const uint8_t* src, uint8_t* top, uint8_t* bottom) {
    auto* upper = reinterpret_cast<__m128i*>(top);
    auto* lower = reinterpret_cast<__m128i*>(bottom);
    for (int32_t x = 0; x < SCREEN_WIDTH; x += 2, src += 6) {
        const int left = static_cast<int>(PixelOf(src));
        const int right = static_cast<int>(PixelOf(src + 3));
        const __m128i pair = _mm_set_epi32(right, right, left, left);
        _mm_stream_si128(upper + x / 2, pair);
        _mm_stream_si128(lower + x / 2, pair);
    }
}
#endif

// Blue-green-red frame bytes to 0xffRRGGBB words, each game pixel a scale x scale block
// (scale 1 or 2), into a 32-bit picture whose rows are targetStride bytes apart.
void ExpandFrame(const uint8_t* frame, int32_t scale, uint8_t* target, qsizetype targetStride) {
#ifdef __SSE2__
    if (scale == 2 && reinterpret_cast<uintptr_t>(target) % 16 == 0 && targetStride % 16 == 0) {
        for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
            ExpandDoubledLineStreaming(frame + y * SCREEN_STRIDE, target + 2 * y * targetStride,
                                       target + (2 * y + 1) * targetStride);
        _mm_sfence();
        return;
    }
#endif
    const size_t rowBytes = static_cast<size_t>(SCREEN_WIDTH * scale) * sizeof(QRgb);
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        const uint8_t* src = frame + y * SCREEN_STRIDE;
        auto* row = reinterpret_cast<QRgb*>(target + y * scale * targetStride);
        if (scale == 2) {
            for (int32_t x = 0; x < SCREEN_WIDTH; ++x, src += 3)
                row[2 * x] = row[2 * x + 1] = PixelOf(src);
            std::memcpy(target + (y * 2 + 1) * targetStride, row, rowBytes);
        } else {
            for (int32_t x = 0; x < SCREEN_WIDTH; ++x, src += 3)
                row[x] = PixelOf(src);
        }
    }
}

} // namespace

void SetPresentationView(GameView* view) {
    if (view != nullptr && frameNotifier == nullptr) {
        const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd >= 0) {
            // Kept for the life of the process, like the game thread that writes to it.
            frameNotifier = new QSocketNotifier(fd, QSocketNotifier::Read);
            QObject::connect(frameNotifier, &QSocketNotifier::activated, ServeFrameSignal);
            frameSignal.store(fd);
        }
    }
    presentationView.store(view);
}

int64_t PresentedFrameCount() {
    return framesTaken.load();
}

void PresentFrame() {
    const uint8_t* screen = ProgramPainter.screen;
    if (screen == nullptr) return;
    {
        std::lock_guard<std::mutex> guard(handoverLock);
        std::memcpy(handoverFrame, screen, FRAME_BYTES);
        handoverFresh = true;
    }
    GameView* view = presentationView.load();
    if (view == nullptr || takeQueued.exchange(1) != 0) return;
    const int fd = frameSignal.load();
    const uint64_t one = 1;
    if (fd >= 0 && write(fd, &one, sizeof one) == sizeof one) return;
    // No event counter: the request goes through Qt's queue instead.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { ServeFrameSignal(); }, Qt::QueuedConnection);
}

GameView::GameView(QWidget* parent)
    : QWidget(parent), picture_(SCREEN_WIDTH, SCREEN_HEIGHT, QImage::Format_RGB32) {
    // The whole area is painted on every update; nothing is erased behind the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
}

void GameView::TakeFrame() {
    takeQueued.store(0);
    {
        std::lock_guard<std::mutex> guard(handoverLock);
        if (!handoverFresh) return;
        std::swap(handoverFrame, shownFrame);
        handoverFresh = false;
    }
    pictureStale_ = true;
    if (framesTaken.fetch_add(1) == 0) {
        // The wall clock lets a launcher measure the time from its own start of the program.
        timespec cpu{}, wall{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        clock_gettime(CLOCK_REALTIME, &wall);
        Trace(
            "first frame taken for presentation (process CPU time %ld ms, wall clock %lld.%03ld)\n",
            static_cast<long>(cpu.tv_sec * 1000 + cpu.tv_nsec / 1000000),
            static_cast<long long>(wall.tv_sec), static_cast<long>(wall.tv_nsec / 1000000));
    }
    // Painted now, in this same pass of the event loop, rather than through a second event.
    repaint();
}

void GameView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    NoteClientSize(width(), height());
}

const QImage& GameView::Picture() {
    if (pictureStale_) {
        ExpandFrame(shownFrame, 1, picture_.bits(), picture_.bytesPerLine());
        pictureStale_ = false;
    }
    return picture_;
}

bool GameView::PaintDirect(QPainter& painter, int32_t scale) {
    // The window's back buffer is usually a 32-bit image reached through the painter with
    // only a translation to the widget: the frame is then written into it in one pass.
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (image->devicePixelRatio() != 1.0) return false;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate) return false;
    const int32_t left = static_cast<int32_t>(transform.dx());
    const int32_t top = static_cast<int32_t>(transform.dy());
    if (left != transform.dx() || top != transform.dy()) return false;
    const QRect area(left, top, SCREEN_WIDTH * scale, SCREEN_HEIGHT * scale);
    if (!image->rect().contains(area)) return false;
    const qsizetype stride = image->bytesPerLine();
    uint8_t* origin = image->bits() + top * stride + left * static_cast<qsizetype>(sizeof(QRgb));
    ExpandFrame(shownFrame, scale, origin, stride);
    return true;
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
            painter.drawImage(target, Picture(), QRect(0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1));
        return;
    }
    if (w == SCREEN_WIDTH && h == SCREEN_HEIGHT) {
        if (!PaintDirect(painter, 1)) painter.drawImage(0, 0, Picture());
    } else if (w == SCREEN_WIDTH * 2 && h == SCREEN_HEIGHT * 2) {
        // Exact pixel replication: each game pixel becomes a 2 x 2 block.
        if (!PaintDirect(painter, 2)) {
            painter.drawImage(QRect(0, 0, w, h), Picture());
        }
    } else if (w > 0 && h > 0) {
        // Any other size: nearest-neighbour scaling, no smoothing.
        painter.drawImage(QRect(0, 0, w, h), Picture());
    }
}

} // namespace velkar
