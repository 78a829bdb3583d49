#include "PictureSurface.h"

#include <QPainter>

bool PictureSurface::Prepare(QSize size, QColor background, QColor fill) {
    std::lock_guard lock(mutex_);
    surface_ = QImage();
    saved_ = QImage();
    if (size.isEmpty() || qint64(size.width()) * size.height() > kMaxPixels)
        return false;
    surface_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (surface_.isNull())
        return false;
    surface_.fill(fill);
    background_ = background;
    return true;
}

void PictureSurface::Free() {
    std::lock_guard lock(mutex_);
    surface_ = QImage();
    saved_ = QImage();
    background_ = Qt::white;
}

bool PictureSurface::IsPrepared() const {
    std::lock_guard lock(mutex_);
    return !surface_.isNull();
}

QSize PictureSurface::Size() const {
    std::lock_guard lock(mutex_);
    return surface_.size();
}

QColor PictureSurface::Background() const {
    std::lock_guard lock(mutex_);
    return background_;
}

void PictureSurface::DrawPicture(const QImage& picture) {
    std::lock_guard lock(mutex_);
    if (surface_.isNull())
        return;
    QPainter painter(&surface_);
    painter.drawImage(surface_.rect(), picture, picture.rect());
}

void PictureSurface::Resume(const PictureFrame& frame) {
    std::lock_guard lock(mutex_);
    if (surface_.isNull())
        return;
    if (frame.disposal == 2) {
        QPainter(&surface_).fillRect(frame.rect, background_);
    } else if (frame.disposal == 3 && !saved_.isNull()) {
        RestoreSaved(frame.rect);
    }
}

void PictureSurface::Show(const PictureFrame& frame) {
    std::lock_guard lock(mutex_);
    if (surface_.isNull())
        return;
    if (frame.disposal == 3)
        saved_ = surface_.copy(frame.rect);
    QPainter(&surface_).drawImage(frame.rect.topLeft(), frame.image);
}

void PictureSurface::Dispose(const PictureFrame& frame) {
    std::lock_guard lock(mutex_);
    if (surface_.isNull())
        return;
    if (frame.disposal == 2)
        QPainter(&surface_).fillRect(frame.rect, background_);
    else if (frame.disposal == 3)
        RestoreSaved(frame.rect);
}

void PictureSurface::RestoreSaved(const QRect& rect) {
    if (saved_.isNull())
        return;
    QPainter painter(&surface_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(rect.topLeft(), saved_);
    saved_ = QImage();
}

void PictureSurface::Clear() {
    std::lock_guard lock(mutex_);
    surface_.fill(background_);
}

void PictureSurface::PaintTo(QPainter& painter) const {
    std::lock_guard lock(mutex_);
    if (!surface_.isNull())
        painter.drawImage(0, 0, surface_);
}

QImage PictureSurface::Snapshot() const {
    std::lock_guard lock(mutex_);
    return surface_.copy();
}
