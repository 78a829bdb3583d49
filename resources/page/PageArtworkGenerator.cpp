// Draws the pictures of the card page (option buttons, picture placeholder, spinner) as GIF files into
// one folder.
//
//   lexicarta-page-artwork <output folder>
#include "resources/ResourceIds.h"
#include "resources/artwork/GifEncoder.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

const QColor kAccent(0x2E, 0x7C, 0xC4);
const QColor kInk(0x45, 0x45, 0x43);
const QColor kFaint(0xB8, 0xB8, 0xB6);

QString g_out;
bool g_failed = false;

void WriteFile(const QString& name, const std::vector<std::uint8_t>& data) {
    QFile out(g_out + "/" + name);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())) != qint64(data.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
        g_failed = true;
    }
}

// Palette indices of several frames of one size: index 0 is transparent (alpha below one half), the
// other pixels are composited over white. Channels lose precision until the colours fit the palette.
struct Indexed {
    std::vector<std::uint32_t> palette;
    std::vector<std::vector<std::uint8_t>> frames;
};

Indexed Quantise(const std::vector<QImage>& images) {
    for (int drop = 0; drop < 8; ++drop) {
        const std::uint32_t mask = (0xFFu << drop) & 0xFFu;
        std::map<std::uint32_t, std::uint8_t> index;
        Indexed result;
        result.palette.push_back(0xFFFFFF);
        bool fits = true;
        for (const QImage& source : images) {
            const QImage image = source.convertToFormat(QImage::Format_ARGB32);
            std::vector<std::uint8_t> frame;
            for (int y = 0; y < image.height() && fits; ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    const int a = qAlpha(pixel);
                    if (a < 128) {
                        frame.push_back(0);
                        continue;
                    }
                    // Unpremultiplied colour over white.
                    auto over = [a](int c) { return std::uint32_t((c * a + 255 * (255 - a)) / 255); };
                    const std::uint32_t rgb = ((over(qRed(pixel)) & mask) << 16) |
                                              ((over(qGreen(pixel)) & mask) << 8) |
                                              (over(qBlue(pixel)) & mask);
                    auto found = index.find(rgb);
                    if (found == index.end()) {
                        if (result.palette.size() == 256) {
                            fits = false;
                            break;
                        }
                        found = index.emplace(rgb, std::uint8_t(result.palette.size())).first;
                        result.palette.push_back(rgb);
                    }
                    frame.push_back(found->second);
                }
            }
            if (!fits)
                break;
            result.frames.push_back(std::move(frame));
        }
        if (fits)
            return result;
    }
    return {};
}

void SaveGif(int id, const QString& name, const std::vector<QImage>& frames, int delay = 0) {
    const Indexed indexed = Quantise(frames);
    if (indexed.frames.size() != frames.size()) {
        g_failed = true;
        return;
    }
    const int w = frames.front().width();
    const int h = frames.front().height();
    GifEncoder gif(w, h, indexed.palette);
    if (frames.size() > 1)
        gif.AddLoop();
    for (const auto& frame : indexed.frames)
        gif.AddFrame(frame, 0, 0, w, h, delay, frames.size() > 1 ? 2 : 0, 0);
    WriteFile(QStringLiteral("%1_%2.gif").arg(name).arg(id), gif.Finish());
}

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A small rounded key with a light gradient, the face of every option button.
QImage Key(int w, int h, QPainter& p) {
    QImage image = Blank(w, h);
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(0, 0, w, h).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    fill.setColorAt(1, QColor(0xE6, 0xE6, 0xE4));
    p.setPen(QPen(QColor(0xB4, 0xB4, 0xB2), 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 3, 3);
    return image;
}

// Larger or smaller text: a letter "A" with a plus or minus beside it.
QImage TextSizeButton(bool larger) {
    QPainter p;
    QImage image = Key(16, 14, p);
    QPen pen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal top = larger ? 3 : 5;
    const qreal half = larger ? 3.2 : 2.4;
    const qreal cx = 6;
    QPainterPath a;
    a.moveTo(cx - half, 11);
    a.lineTo(cx, top);
    a.lineTo(cx + half, 11);
    p.drawPath(a);
    p.drawLine(QPointF(cx - half * 0.55, 9), QPointF(cx + half * 0.55, 9));
    p.setPen(QPen(kAccent, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 5), QPointF(13.5, 5));
    if (larger)
        p.drawLine(QPointF(12, 3.5), QPointF(12, 6.5));
    p.end();
    return image;
}

// Listen: a loudspeaker with two sound waves.
QImage ListenButton() {
    QPainter p;
    QImage image = Key(20, 18, p);
    QPainterPath speaker;
    speaker.moveTo(4, 7);
    speaker.lineTo(7, 7);
    speaker.lineTo(10.5, 4);
    speaker.lineTo(10.5, 14);
    speaker.lineTo(7, 11);
    speaker.lineTo(4, 11);
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawPath(speaker);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kAccent, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(9, 6, 5, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(8.5, 3.5, 8, 11), -50 * 16, 100 * 16);
    p.end();
    return image;
}

// Placeholder while a card's picture loads: a pale frame with hills and a sun.
QImage PicturePlaceholder() {
    QImage image = Blank(64, 48);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kFaint, 1));
    p.setBrush(QColor(0xF4, 0xF4, 0xF3));
    p.drawRoundedRect(QRectF(0.5, 0.5, 63, 47), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(kFaint);
    p.drawEllipse(QPointF(44, 15), 5, 5);
    QPainterPath hills;
    hills.moveTo(8, 40);
    hills.lineTo(24, 20);
    hills.lineTo(34, 32);
    hills.lineTo(40, 26);
    hills.lineTo(56, 40);
    hills.closeSubpath();
    p.drawPath(hills);
    return image;
}

// Spinner beside a loading message: eight dots, the brightest one moving clockwise.
std::vector<QImage> Spinner() {
    constexpr int kSize = 24;
    constexpr int kDots = 8;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<QImage> frames;
    for (int frame = 0; frame < kDots; ++frame) {
        QImage image = Blank(kSize, kSize);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        for (int dot = 0; dot < kDots; ++dot) {
            const int age = (frame - dot + kDots) % kDots; // 0 = the head
            const double angle = dot * 2 * kPi / kDots;
            const QPointF centre(kSize / 2.0 + 8 * std::sin(angle), kSize / 2.0 - 8 * std::cos(angle));
            const double t = 1.0 - double(age) / kDots;
            QColor colour;
            colour.setRgbF(1 - (1 - kAccent.redF()) * t, 1 - (1 - kAccent.greenF()) * t,
                           1 - (1 - kAccent.blueF()) * t);
            p.setBrush(colour);
            p.drawEllipse(centre, 2.4, 2.4);
        }
        frames.push_back(image);
    }
    return frames;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    SaveGif(Res::IDR_GIF_FONT_BIG, QStringLiteral("font_big"), {TextSizeButton(true)});
    SaveGif(Res::IDR_GIF_FONT_SMALL, QStringLiteral("font_small"), {TextSizeButton(false)});
    SaveGif(Res::IDR_GIF_LISTEN, QStringLiteral("listen"), {ListenButton()});
    SaveGif(Res::IDR_GIF_PICTURE_LOADING, QStringLiteral("picture_loading"), {PicturePlaceholder()});
    SaveGif(Res::IDR_GIF_SPINNER, QStringLiteral("spinner"), Spinner(), 10);
    return g_failed ? 1 : 0;
}
