#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <mutex>

class QPainter;

// One frame of an animated picture: its image (the size of its rectangle), where it goes on the
// picture, how long it stays and what happens to its area afterwards.
struct PictureFrame {
    QImage image;
    QRect rect;
    int delay = -1;   // hundredths of a second, -1 when the GIF gave none
    int disposal = 0; // 2 clears the area to the background colour, 3 restores what was under it
};

// The off-screen image of a picture control. The animation thread draws into it while the window
// copies it to the screen; a mutex keeps the two apart.
class PictureSurface {
  public:
    // Makes an image of that size filled with fill, and sets the background colour (used to clear
    // frame areas). False when the size is empty or too large to allocate.
    bool Prepare(QSize size, QColor background, QColor fill);
    void Free();
    bool IsPrepared() const;
    QSize Size() const;
    QColor Background() const;

    // A single picture over the whole surface.
    void DrawPicture(const QImage& picture);
    // The frame steps of the animation.
    void Resume(const PictureFrame& frame);  // before the loop: undo what the frame's disposal asks for
    void Show(const PictureFrame& frame);    // save the area first when the disposal is 3, then draw
    void Dispose(const PictureFrame& frame); // disposal 2 and 3
    void Clear();                            // the whole surface in the background colour

    // Copies the surface to the painter at (0, 0).
    void PaintTo(QPainter& painter) const;
    QImage Snapshot() const;

    // Largest surface accepted, in pixels.
    static constexpr qint64 kMaxPixels = 4096 * 4096;

  private:
    void RestoreSaved(const QRect& rect);

    mutable std::mutex mutex_;
    QImage surface_;
    QImage saved_; // the area under a frame with disposal 3
    QColor background_ = Qt::white;
};
