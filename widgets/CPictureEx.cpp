#include "CPictureEx.h"

#include "resources/Artwork.h"
#include "widgets/GifParser.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <span>

namespace {

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

QImage Decode(const QByteArray& data, const char* format = nullptr) {
    QImage image;
    if (!image.loadFromData(data, format))
        return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

CPictureEx::CPictureEx(QWidget* parent) : QWidget(parent) {}

CPictureEx::~CPictureEx() {
    UnLoad();
}

bool CPictureEx::LoadFromResource(int id, const QString& type) {
    int scale = 1;
    QFile file(Artwork::PathFor(type, id, qGuiApp->devicePixelRatio(), &scale));
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (content.isEmpty()) {
        UnLoad();
        return false;
    }
    return Load(content, scale);
}

bool CPictureEx::LoadFromMemory(const QByteArray& content) {
    return Load(content, 1);
}

bool CPictureEx::Load(const QByteArray& content, int scale) {
    UnLoad();
    scale_ = scale;
    if (GifParser::IsGif(Bytes(content))) {
        isGif_ = true;
        if (LoadGif(content))
            return true;
        UnLoad();
        return false;
    }
    picture_ = Decode(content);
    if (picture_.isNull() || !PrepareSurface(picture_.size())) {
        UnLoad();
        return false;
    }
    return true;
}

bool CPictureEx::LoadGif(const QByteArray& content) {
    const auto bytes = Bytes(content);
    const auto layout = GifParser::Parse(bytes);
    if (!layout || qint64(layout->width) * layout->height > PictureSurface::kMaxPixels)
        return false;

    if (layout->blocks.size() == 1) {
        QByteArray whole = content;
        if (!GifParser::HasStandardVersion(bytes))
            whole.replace(3, 3, "89a");
        picture_ = Decode(whole, "GIF");
        if (picture_.isNull())
            return false;
    } else {
        qint64 bytesKept = 0;
        for (const GifGraphicBlock& block : layout->blocks) {
            if (!block.hasImage)
                continue; // a plain text block has nothing to decode
            const std::vector<std::uint8_t> gif = GifParser::StandaloneGif(bytes, *layout, block);
            const QImage decoded = Decode(
                QByteArray::fromRawData(reinterpret_cast<const char*>(gif.data()), qsizetype(gif.size())),
                "GIF");
            if (decoded.isNull())
                continue; // a frame that cannot be read is dropped, the others play
            const QRect rect(block.left, block.top, block.width, block.height);
            if (rect.isEmpty())
                continue;
            // Qt decodes the frame onto the whole logical screen; keep only the frame's own area.
            PictureFrame frame;
            frame.image = decoded.size() == rect.size() ? decoded : decoded.copy(rect);
            frame.rect = rect;
            frame.delay = block.delay;
            frame.disposal = block.disposal;
            bytesKept += frame.image.sizeInBytes();
            if (bytesKept > kMaxFrameBytes)
                break;
            frames_.push_back(std::move(frame));
        }
        if (frames_.empty())
            return false;
    }

    QSize size(layout->width, layout->height);
    if (size.isEmpty()) {
        // No usable logical screen: make room for what there is to show.
        QRect bounds = picture_.isNull() ? QRect() : picture_.rect();
        for (const PictureFrame& frame : frames_)
            bounds |= frame.rect;
        size = QSize(bounds.right() + 1, bounds.bottom() + 1);
    }
    return PrepareSurface(size);
}

bool CPictureEx::PrepareSurface(QSize size) {
    const QPalette palette = this->palette();
    if (!surface_.Prepare(size, palette.color(QPalette::Button), palette.color(QPalette::Window)))
        return false;
    resize((size.width() + scale_ - 1) / scale_, (size.height() + scale_ - 1) / scale_);
    // The surface covers the whole control from now on, so nothing beneath needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    update();
    return true;
}

bool CPictureEx::Draw() {
    if (!surface_.IsPrepared())
        return false;
    if (isGif_ && frames_.size() > 1) {
        if (!animator_.IsPlaying()) {
            std::vector<int> delays;
            for (const PictureFrame& frame : frames_)
                delays.push_back(frame.delay);
            FrameAnimator::Hooks hooks;
            hooks.resume = [this](std::size_t i) { surface_.Resume(frames_[i]); };
            hooks.show = [this](std::size_t i) {
                surface_.Show(frames_[i]);
                RequestRepaint();
            };
            hooks.dispose = [this](std::size_t i) { surface_.Dispose(frames_[i]); };
            hooks.wrap = [this] { surface_.Clear(); };
            animator_.Start(std::move(delays), std::move(hooks));
        }
        return false;
    }
    if (!picture_.isNull())
        surface_.DrawPicture(picture_);
    else if (frames_.size() == 1)
        surface_.Show(frames_.front()); // the only frame of an animation that could be read
    else
        return false;
    update();
    return true;
}

void CPictureEx::RequestRepaint() {
    // Called on the animation thread: the repaint itself happens on the window's thread.
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void CPictureEx::Stop() {
    animator_.Stop();
}

void CPictureEx::UnLoad() {
    Stop();
    picture_ = QImage();
    frames_.clear();
    surface_.Free();
    isGif_ = false;
    scale_ = 1;
    animator_.Rewind();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    update();
}

void CPictureEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A picture drawn at twice the pixels covers the control at the screen's own resolution.
    painter.scale(1.0 / scale_, 1.0 / scale_);
    surface_.PaintTo(painter);
}
