// The widget that shows the game's 240 x 320 picture, and the hand-over of finished frames.
#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
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
    QImage picture_; // 240 x 320, the last frame taken (32-bit RGB)
    QImage doubled_; // 480 x 640, picture_ with every pixel a 2 x 2 block
    bool doubledStale_ = true;
};

// Game thread (PresentFrame): copies the finished ScreenBuffer into the hand-over buffer and
// asks the view to take it, without waiting for the UI thread. The view may be null (frames
// are then only kept).
void SetPresentationView(GameView* view);

// Counts frames handed over and frames taken by the view, for the start-up measurement.
int64_t PresentedFrameCount();

} // namespace velkar
