// The widget that shows the game's 240 x 320 picture, and the hand-over of finished frames.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

namespace velkar {

class GameView : public QWidget {
    Q_OBJECT
  public:
    explicit GameView(QWidget* parent = nullptr);

    // UI thread: takes the newest frame handed over by the game thread and repaints.
    void TakeFrame();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Writes the frame straight into the painter's 32-bit image at one or two times its size;
    // false when the painter's device or transform does not allow it.
    bool PaintDirect(QPainter& painter, int32_t scale);
    // The frame as a 32-bit picture for Qt's own scaling (stretched and full-screen sizes).
    const QImage& Picture();

    QImage picture_; // 240 x 320 32-bit RGB, made from the frame only when a size needs it
    bool pictureStale_ = true;
};

// Game thread (PresentFrame): copies the finished ScreenBuffer into the hand-over buffer and
// asks the view to take it, without waiting for the UI thread. The view may be null (frames
// are then only kept).
void SetPresentationView(GameView* view);

// Counts frames taken by the view, for the start-up measurement and the tests.
int64_t PresentedFrameCount();

} // namespace velkar
