#pragma once

#include "widgets/FrameAnimator.h"
#include "widgets/PictureSurface.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include <vector>

// A picture control that shows any picture Qt's image readers can read and plays animated GIFs
// itself: the GIF is split into one small GIF per frame, each decoded by Qt, and a thread of its own
// draws the frames into an off-screen surface and asks the window to repaint. The window only copies
// that surface.
class CPictureEx : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kControlId = 1020;
    // Frames are kept decoded; past this many bytes of them the rest of an animation is dropped.
    static constexpr qint64 kMaxFrameBytes = 256ll * 1024 * 1024;

    explicit CPictureEx(QWidget* parent = nullptr);
    ~CPictureEx() override;

    // Loads the program's own resource of that type and number (see Artwork), in the version drawn for
    // the screens' device pixel ratio; false when it is missing or cannot be read. The control takes
    // the picture's size in device-independent pixels.
    bool LoadFromResource(int id, const QString& type);
    // Parses and decodes the data; false (and nothing loaded) when it is neither a readable picture
    // nor a GIF with at least one readable frame. Resizes the control to the picture.
    bool LoadFromMemory(const QByteArray& content);
    // Shows what is loaded: starts the animation of an animated GIF (unless it runs already) and
    // returns false, or draws the single picture and returns true.
    bool Draw();
    // Ends the animation; the next Draw resumes at the frame where it stopped.
    void Stop();
    // Stops and frees everything.
    void UnLoad();

    bool IsGif() const { return isGif_; }
    bool IsPlaying() const { return animator_.IsPlaying(); }
    bool IsAnimated() const { return frames_.size() > 1; }
    const std::vector<PictureFrame>& Frames() const { return frames_; }
    std::size_t CurrentFrame() const { return animator_.CurrentFrame(); }
    int AnimationThreadsStarted() const { return animator_.ThreadsStarted(); }
    // In the picture's own pixels; Scale() of them make one pixel of the control.
    QSize PictureSize() const { return surface_.Size(); }
    int Scale() const { return scale_; }
    QColor BackgroundColor() const { return surface_.Background(); }
    // A copy of the off-screen surface as it is now.
    QImage Snapshot() const { return surface_.Snapshot(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool Load(const QByteArray& content, int scale);
    bool LoadGif(const QByteArray& content);
    bool PrepareSurface(QSize size);
    void RequestRepaint();

    bool isGif_ = false;
    int scale_ = 1;  // picture pixels per device-independent pixel
    QImage picture_; // a picture that is not an animated GIF
    std::vector<PictureFrame> frames_;
    PictureSurface surface_;
    FrameAnimator animator_; // last: its thread ends before the rest goes away
};
