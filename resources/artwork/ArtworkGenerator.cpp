// Draws every picture of the program and writes it into one folder, together with the resource table
// (artwork.qrc, aliases "<type>/<number>") that compiles them into the program, and a contact sheet of
// every button's looks for review. Every bitmap and animation is drawn twice: at its own size and at
// twice the pixels for screens with a device pixel ratio of 2 (aliases "<type>/<number>@2x"). The
// program icon is drawn at the icon theme's sizes into hicolor/<n>x<n>/apps/, ready to install.
//
//   lexicarta-artwork <output folder>
#include "GifEncoder.h"
#include "resources/ResourceIds.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// One palette for everything: light grey panels, a blue accent, dark grey ink.
const QColor kPanel(237, 237, 236);
const QColor kAccent(0x2E, 0x7C, 0xC4);
const QColor kAccentDark(0x1F, 0x5E, 0x9A);
const QColor kInk(0x45, 0x45, 0x43);
const QColor kTitleTop(0x3C, 0x8B, 0xD2);
const QColor kTitleBottom(0x2A, 0x6C, 0xAD);

enum class State { Normal, Pressed, Hover, Disabled };
const char* const kStateNames[] = {"normal", "pressed", "hover", "disabled"};

struct Resource {
    QString type;
    int id;
    QString file;
    QString suffix; // after the number in the alias: "@2x" for the large set, "-<n>" for icon sizes
};

QString g_out;
std::vector<Resource> g_resources;
bool g_failed = false;
// Pixels per logical pixel of the pictures being drawn: 1, or 2 for the "@2x" set. Drawing code works
// in logical pixels throughout; the painter scales to the image's device pixel ratio.
int g_scale = 1;

QString ScaleSuffix() {
    return g_scale == 1 ? QString() : QStringLiteral("@%1x").arg(g_scale);
}

void Record(const QString& type, int id, const QString& file, const QString& suffix = QString()) {
    g_resources.push_back({type, id, file, suffix});
}

void SaveBitmap(int id, const QString& name, const QImage& image) {
    const QString file = name + ScaleSuffix() + ".png";
    if (!image.save(g_out + "/" + file, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        g_failed = true;
    }
    Record(QStringLiteral("bitmap"), id, file, ScaleSuffix());
}

// A picture of w x h logical pixels at the current scale.
QImage Blank(int w, int h, QColor fill = Qt::transparent) {
    QImage image(w * g_scale, h * g_scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(g_scale);
    image.fill(fill);
    return image;
}

// Sets one logical pixel (g_scale x g_scale image pixels) to exactly that colour.
void SetPixel(QImage& image, int x, int y, const QColor& colour) {
    for (int dy = 0; dy < g_scale; ++dy)
        for (int dx = 0; dx < g_scale; ++dx)
            image.setPixelColor(x * g_scale + dx, y * g_scale + dy, colour);
}

QFont UiFont(int pixels, bool bold = true) {
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QFont BrandFont(int pixels) {
    QFont font(QStringLiteral("NanumSquareRound"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

// ---- Button faces ---------------------------------------------------------------------------------

struct Face {
    QColor top, bottom, border, ink;
    qreal dy = 0; // content shift while pressed
    bool highlight = false;
};

// Plain buttons: white when idle, pale blue under the mouse, dark blue when pressed, faded when
// disabled.
Face SecondaryFace(State state) {
    switch (state) {
    case State::Normal:
        return {QColor(0xFF, 0xFF, 0xFF), QColor(0xEC, 0xEC, 0xEB), QColor(0xB4, 0xB4, 0xB2), kInk};
    case State::Hover:
        return {QColor(0xF2, 0xF8, 0xFE), QColor(0xD6, 0xE8, 0xF8), QColor(0x4A, 0x90, 0xD0),
                QColor(0x1C, 0x5F, 0xA0)};
    case State::Pressed:
        return {QColor(0x22, 0x5F, 0x9C), QColor(0x38, 0x82, 0xC8), QColor(0x1A, 0x50, 0x86), Qt::white, 1};
    case State::Disabled:
        return {QColor(0xF5, 0xF5, 0xF4), QColor(0xEF, 0xEF, 0xEE), QColor(0xD6, 0xD6, 0xD4),
                QColor(0xBE, 0xBE, 0xBC)};
    }
    return {};
}

// The main action of a panel: blue when idle, lighter with a bright rim under the mouse, navy when
// pressed, grey when disabled.
Face PrimaryFace(State state) {
    switch (state) {
    case State::Normal:
        return {QColor(0x4C, 0x96, 0xD9), QColor(0x2B, 0x77, 0xBE), QColor(0x22, 0x63, 0xA2), Qt::white};
    case State::Hover:
        return {
            QColor(0x74, 0xB4, 0xEE), QColor(0x45, 0x94, 0xDA), QColor(0x2B, 0x77, 0xBE), Qt::white, 0, true};
    case State::Pressed:
        return {QColor(0x17, 0x43, 0x70), QColor(0x22, 0x5E, 0x98), QColor(0x14, 0x38, 0x5E),
                QColor(0xDD, 0xEA, 0xF7), 1};
    case State::Disabled:
        return {QColor(0xD9, 0xD9, 0xD7), QColor(0xCC, 0xCC, 0xCA), QColor(0xC0, 0xC0, 0xBE),
                QColor(0xF8, 0xF8, 0xF7)};
    }
    return {};
}

void FillFace(QPainter& p, const QPainterPath& shape, const QRectF& bounds, const Face& face,
              bool round = false) {
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
    gradient.setColorAt(0, face.top);
    gradient.setColorAt(1, face.bottom);
    p.setPen(QPen(face.border, 1));
    p.setBrush(gradient);
    p.drawPath(shape);
    if (face.highlight) {
        p.setPen(QPen(QColor(255, 255, 255, 150), 1));
        p.setBrush(Qt::NoBrush);
        const QRectF inner = bounds.adjusted(1, 1, -1, -1);
        QPainterPath rim;
        if (round)
            rim.addEllipse(inner);
        else
            rim.addRoundedRect(inner, 3, 3);
        p.drawPath(rim);
    }
}

using Content = std::function<void(QPainter&, const QRectF& area, const QColor& ink)>;

QImage RoundButton(QSize size, const Face& face, const Content& content) {
    QImage image = Blank(size.width(), size.height());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF bounds = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bounds, 4, 4);
    FillFace(p, shape, bounds, face);
    content(p, QRectF(bounds).translated(0, face.dy), face.ink);
    return image;
}

// ---- Content -------------------------------------------------------------------------------------

Content Text(const QString& text, int pixels = 12) {
    return [=](QPainter& p, const QRectF& area, const QColor& ink) {
        p.setFont(UiFont(pixels));
        p.setPen(ink);
        p.drawText(area, Qt::AlignCenter, text);
    };
}

// An icon drawn in a box of iconSize, followed by a short text, both centred together.
Content IconText(std::function<void(QPainter&, const QRectF&, const QColor&)> icon, qreal iconSize,
                 const QString& text, int pixels = 12) {
    return [=](QPainter& p, const QRectF& area, const QColor& ink) {
        const QFont font = UiFont(pixels);
        const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
        const qreal gap = 3;
        const qreal left = std::round(area.center().x() - (iconSize + gap + textWidth) / 2);
        const QRectF iconBox(left, std::round(area.center().y() - iconSize / 2), iconSize, iconSize);
        icon(p, iconBox, ink);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRectF(left + iconSize + gap, area.top(), textWidth + 2, area.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
    };
}

QPen Stroke(const QColor& ink, qreal width) {
    return QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& ink) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(path);
}

Content SkipGlyph(bool forward) {
    return [=](QPainter& p, const QRectF& area, const QColor& ink) {
        const QPointF c = area.center();
        const qreal s = forward ? 1 : -1;
        Triangle(p, c + QPointF(-3.5 * s, -4.5), c + QPointF(-3.5 * s, 4.5), c + QPointF(2.5 * s, 0), ink);
        p.fillRect(QRectF(c.x() + (forward ? 2.5 : -4.5), c.y() - 4.5, 2, 9), ink);
    };
}

void ListIcon(QPainter& p, const QRectF& box, const QColor& ink) {
    p.setPen(Stroke(ink, 1.4));
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + 2 + i * 3.5;
        p.drawLine(QPointF(box.left() + 3.5, y), QPointF(box.right() - 0.5, y));
        p.drawPoint(QPointF(box.left() + 0.8, y));
    }
}

void SortIcon(QPainter& p, const QRectF& box, const QColor& ink) {
    p.setPen(Stroke(ink, 1.4));
    const qreal x = box.left() + 2.5;
    p.drawLine(QPointF(x, box.top() + 0.5), QPointF(x, box.bottom() - 1));
    p.drawLine(QPointF(x - 2.2, box.bottom() - 3.2), QPointF(x, box.bottom() - 1));
    p.drawLine(QPointF(x + 2.2, box.bottom() - 3.2), QPointF(x, box.bottom() - 1));
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + 1.5 + i * 3.5;
        p.drawLine(QPointF(box.left() + 6.5, y), QPointF(box.left() + 6.5 + 2 + i * 1.6, y));
    }
}

void ShuffleIcon(QPainter& p, const QRectF& box, const QColor& ink) {
    p.setPen(Stroke(ink, 1.4));
    p.setBrush(Qt::NoBrush);
    const qreal l = box.left() + 0.5, r = box.right() - 1, t = box.top() + 2.5, b = box.bottom() - 2.5;
    QPainterPath one, two;
    one.moveTo(l, t);
    one.cubicTo(l + 5, t, r - 5, b, r, b);
    two.moveTo(l, b);
    two.cubicTo(l + 5, b, r - 5, t, r, t);
    p.drawPath(one);
    p.drawPath(two);
    for (qreal y : {t, b}) {
        p.drawLine(QPointF(r - 2.2, y - 2.2), QPointF(r, y));
        p.drawLine(QPointF(r - 2.2, y + 2.2), QPointF(r, y));
    }
}

void CheckIcon(QPainter& p, const QRectF& box, const QColor& ink) {
    p.setPen(Stroke(ink, 1.8));
    p.setBrush(Qt::NoBrush);
    QPainterPath check;
    check.moveTo(box.left() + 1, box.center().y() + 0.5);
    check.lineTo(box.left() + 4, box.bottom() - 1.5);
    check.lineTo(box.right() - 0.5, box.top() + 1.5);
    p.drawPath(check);
}

void MenuIcon(QPainter& p, const QRectF& box, const QColor& ink) {
    p.setPen(Stroke(ink, 1.5));
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + 2 + i * 3.5;
        p.drawLine(QPointF(box.left() + 0.5, y), QPointF(box.right() - 0.5, y));
    }
}

// A part toggle: its name, with a lit bar under it while the part is shown, struck through and faded
// while it is hidden.
Content PartToggle(const QString& name, bool shown) {
    return [=](QPainter& p, const QRectF& area, const QColor& ink) {
        QColor text = ink;
        if (!shown)
            text.setAlphaF(0.55);
        p.setFont(UiFont(12));
        p.setPen(text);
        const QRectF textBox = area.adjusted(0, -2, 0, -2);
        p.drawText(textBox, Qt::AlignCenter, name);
        const qreal textWidth = QFontMetricsF(UiFont(12)).horizontalAdvance(name);
        const qreal cx = area.center().x();
        if (shown) {
            const bool onDark = ink.lightness() > 200 && ink != kInk;
            p.fillRect(QRectF(cx - 7, area.bottom() - 5, 14, 2), onDark ? QColor(255, 255, 255) : kAccent);
        } else {
            p.setPen(Stroke(text, 1.2));
            p.drawLine(QPointF(cx - textWidth / 2 - 2, textBox.center().y() + 0.5),
                       QPointF(cx + textWidth / 2 + 2, textBox.center().y() + 0.5));
        }
    };
}

// ---- Round play button ---------------------------------------------------------------------------

QImage PlayButton(State state, bool pause) {
    const Face face = PrimaryFace(state);
    QImage image = Blank(44, 49);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(1, 3.5, 42, 42);
    // A soft shadow under the circle lifts it off the control bar.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, state == State::Disabled ? 18 : 40));
    p.drawEllipse(circle.translated(0, 1.5));
    QPainterPath shape;
    shape.addEllipse(circle);
    FillFace(p, shape, circle, face, true);
    const QPointF c = circle.center() + QPointF(0, face.dy);
    if (pause) {
        p.setPen(Qt::NoPen);
        p.setBrush(face.ink);
        p.drawRoundedRect(QRectF(c.x() - 7, c.y() - 8.5, 5, 17), 1.2, 1.2);
        p.drawRoundedRect(QRectF(c.x() + 2, c.y() - 8.5, 5, 17), 1.2, 1.2);
    } else {
        Triangle(p, c + QPointF(-5, -9.5), c + QPointF(-5, 9.5), c + QPointF(10, 0), face.ink);
    }
    return image;
}

// ---- Title bar -----------------------------------------------------------------------------------

QColor TitleColourAt(qreal y) {
    const qreal t = std::clamp(y / 25.0, 0.0, 1.0);
    return QColor::fromRgbF(kTitleTop.redF() + (kTitleBottom.redF() - kTitleTop.redF()) * t,
                            kTitleTop.greenF() + (kTitleBottom.greenF() - kTitleTop.greenF()) * t,
                            kTitleTop.blueF() + (kTitleBottom.blueF() - kTitleTop.blueF()) * t);
}

// 14 x 14, drawn over the title strip: a bare white glyph, a light square under the mouse, a dark one
// while pressed (red for the close button).
QImage TitleButton(State state, bool danger, const Content& glyph) {
    QImage image = Blank(14, 14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, 13, 13);
    p.setPen(Qt::NoPen);
    if (state == State::Hover) {
        p.setBrush(danger ? QColor(0xE0, 0x4B, 0x45) : QColor(255, 255, 255, 80));
        p.drawRoundedRect(box, 3, 3);
    } else if (state == State::Pressed) {
        p.setBrush(danger ? QColor(0x9E, 0x2C, 0x28) : QColor(0x12, 0x3B, 0x63, 210));
        p.drawRoundedRect(box, 3, 3);
    }
    const QColor ink = state == State::Normal ? QColor(255, 255, 255, 230) : QColor(Qt::white);
    glyph(p, QRectF(3, 3, 8, 8).translated(0, state == State::Pressed ? 0.5 : 0), ink);
    return image;
}

void MinimiseGlyph(QPainter& p, const QRectF& b, const QColor& ink) {
    p.fillRect(QRectF(b.left(), b.bottom() - 1.6, b.width(), 1.6), ink);
}

void MaximiseGlyph(QPainter& p, const QRectF& b, const QColor& ink) {
    p.setPen(QPen(ink, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(b.adjusted(0.6, 0.6, -0.6, -0.6));
    p.fillRect(QRectF(b.left(), b.top(), b.width(), 2), ink);
}

void RestoreGlyph(QPainter& p, const QRectF& b, const QColor& ink) {
    p.setPen(QPen(ink, 1.2));
    p.setBrush(Qt::NoBrush);
    const QRectF front(b.left() + 0.6, b.top() + 2.6, 5.8, 5.8);
    p.drawRect(front);
    p.fillRect(QRectF(front.left(), front.top() - 0.6, front.width() + 0.6, 1.8), ink);
    QPainterPath back;
    back.moveTo(b.left() + 2.6, b.top() + 2);
    back.lineTo(b.left() + 2.6, b.top() + 0.6);
    back.lineTo(b.right() - 0.6, b.top() + 0.6);
    back.lineTo(b.right() - 0.6, b.bottom() - 2.6);
    back.lineTo(b.right() - 2, b.bottom() - 2.6);
    p.drawPath(back);
}

void CloseGlyph(QPainter& p, const QRectF& b, const QColor& ink) {
    p.setPen(Stroke(ink, 1.6));
    p.drawLine(b.topLeft() + QPointF(0.5, 0.5), b.bottomRight() - QPointF(0.5, 0.5));
    p.drawLine(b.topRight() + QPointF(-0.5, 0.5), b.bottomLeft() + QPointF(0.5, -0.5));
}

// Always on top: a pin lying down when off, an upright gold pin when on.
Content PinGlyph(bool on) {
    return [=](QPainter& p, const QRectF& b, const QColor& ink) {
        if (on) {
            const QColor gold(0xFF, 0xD3, 0x4E);
            p.setPen(Qt::NoPen);
            p.setBrush(gold);
            p.drawRoundedRect(QRectF(b.left() + 1.5, b.top() - 0.5, 5, 4.5), 1, 1);
            p.fillRect(QRectF(b.left() + 0.5, b.top() + 3.8, 7, 1.6), gold);
            p.setPen(Stroke(ink, 1.3));
            p.drawLine(QPointF(b.left() + 4, b.top() + 5.5), QPointF(b.left() + 4, b.bottom() + 1));
        } else {
            p.setPen(QPen(ink, 1.1));
            p.setBrush(Qt::NoBrush);
            p.save();
            p.translate(b.center());
            p.rotate(45);
            p.drawRoundedRect(QRectF(-2.5, -5, 5, 4.5), 1, 1);
            p.drawLine(QPointF(-3.5, -0.2), QPointF(3.5, -0.2));
            p.setPen(Stroke(ink, 1.2));
            p.drawLine(QPointF(0, 0.5), QPointF(0, 5.5));
            p.restore();
        }
    };
}

// ---- Button sets ---------------------------------------------------------------------------------

struct ButtonSet {
    QString name;  // file names are <name>_<look>.png
    QString title; // shown on the contact sheet
    int ids[4];    // normal, pressed, hover, disabled; 0 where the set has no such look
    std::function<QImage(State)> draw;
    QColor backdrop; // what the button is drawn over in the program
};

std::vector<ButtonSet> ButtonSets() {
    std::vector<ButtonSet> sets;
    auto title = [&](QString name, QString caption, int n, int pr, int h, bool danger, Content glyph) {
        sets.push_back({name,
                        caption,
                        {n, pr, h, 0},
                        [=](State s) { return TitleButton(s, danger, glyph); },
                        TitleColourAt(11)});
    };
    using namespace Res;
    title("title_topmost_off", "항상위 꺼짐", IDB_TOPMOST_OFF_NORMAL, IDB_TOPMOST_OFF_PRESSED,
          IDB_TOPMOST_OFF_HOVER, false, PinGlyph(false));
    title("title_topmost_on", "항상위 켜짐", IDB_TOPMOST_ON_NORMAL, IDB_TOPMOST_ON_PRESSED,
          IDB_TOPMOST_ON_HOVER, false, PinGlyph(true));
    title("title_minimize", "최소화", IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_PRESSED, IDB_MINIMIZE_HOVER, false,
          MinimiseGlyph);
    title("title_maximize", "최대화", IDB_MAXIMIZE_NORMAL, IDB_MAXIMIZE_PRESSED, IDB_MAXIMIZE_HOVER, false,
          MaximiseGlyph);
    title("title_restore", "이전 크기", IDB_RESTORE_NORMAL, IDB_RESTORE_PRESSED, IDB_RESTORE_HOVER, false,
          RestoreGlyph);
    title("title_close", "창닫기", IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER, true, CloseGlyph);

    auto plain = [&](QString name, QString caption, std::array<int, 4> ids, QSize size, bool primary,
                     Content content, QColor backdrop) {
        sets.push_back(
            {name,
             caption,
             {ids[0], ids[1], ids[2], ids[3]},
             [=](State s) { return RoundButton(size, primary ? PrimaryFace(s) : SecondaryFace(s), content); },
             backdrop});
    };
    plain("signin_button", "로그인", {IDB_SIGNIN_NORMAL, IDB_SIGNIN_PRESSED, IDB_SIGNIN_HOVER, 0}, {80, 27},
          true, Text("로그인", 13), kPanel);
    plain("library_back", "돌아가기", {IDB_BACK_NORMAL, IDB_BACK_PRESSED, IDB_BACK_HOVER, IDB_BACK_DISABLED},
          {54, 25}, false, Text("돌아가기"), kPanel);
    plain("library_load", "불러오기", {IDB_LOAD_NORMAL, IDB_LOAD_PRESSED, IDB_LOAD_HOVER, IDB_LOAD_DISABLED},
          {54, 25}, true, Text("불러오기"), kPanel);

    const QColor bar(0xF2, 0xF2, 0xF1);
    plain("player_menu", "메뉴", {IDB_MENU_NORMAL, IDB_MENU_PRESSED, IDB_MENU_HOVER, 0}, {54, 24}, false,
          IconText(MenuIcon, 10, "메뉴"), kPanel);
    plain("player_prev", "이전 단어", {IDB_PREV_NORMAL, IDB_PREV_PRESSED, IDB_PREV_HOVER, IDB_PREV_DISABLED},
          {24, 25}, false, SkipGlyph(false), bar);
    sets.push_back({"player_play",
                    "학습 시작",
                    {IDB_PLAY_NORMAL, IDB_PLAY_PRESSED, IDB_PLAY_HOVER, IDB_PLAY_DISABLED},
                    [](State s) { return PlayButton(s, false); },
                    bar});
    sets.push_back({"player_pause",
                    "일시정지",
                    {IDB_PAUSE_NORMAL, IDB_PAUSE_PRESSED, IDB_PAUSE_HOVER, 0},
                    [](State s) { return PlayButton(s, true); },
                    bar});
    plain("player_next", "다음 단어", {IDB_NEXT_NORMAL, IDB_NEXT_PRESSED, IDB_NEXT_HOVER, IDB_NEXT_DISABLED},
          {24, 25}, false, SkipGlyph(true), bar);
    plain("player_order_cards", "재생 순서: 카드 순서",
          {IDB_ORDER0_NORMAL, IDB_ORDER0_PRESSED, IDB_ORDER0_HOVER, 0}, {58, 25}, false,
          IconText(ListIcon, 10, "순서"), bar);
    plain("player_order_sorted", "재생 순서: 가나다순",
          {IDB_ORDER1_NORMAL, IDB_ORDER1_PRESSED, IDB_ORDER1_HOVER, 0}, {58, 25}, false,
          IconText(SortIcon, 11, "가나다"), bar);
    plain("player_order_shuffled", "재생 순서: 무작위",
          {IDB_ORDER2_NORMAL, IDB_ORDER2_PRESSED, IDB_ORDER2_HOVER, 0}, {58, 25}, false,
          IconText(ShuffleIcon, 11, "무작위"), bar);
    struct Part {
        const char* name;
        const char* label;
        int shown[3];
        int hidden[3];
    };
    const Part parts[] = {
        {"headword",
         "단어",
         {IDB_HEADWORD_SHOWN_NORMAL, IDB_HEADWORD_SHOWN_PRESSED, IDB_HEADWORD_SHOWN_HOVER},
         {IDB_HEADWORD_HIDDEN_NORMAL, IDB_HEADWORD_HIDDEN_PRESSED, IDB_HEADWORD_HIDDEN_HOVER}},
        {"meaning",
         "뜻",
         {IDB_MEANING_SHOWN_NORMAL, IDB_MEANING_SHOWN_PRESSED, IDB_MEANING_SHOWN_HOVER},
         {IDB_MEANING_HIDDEN_NORMAL, IDB_MEANING_HIDDEN_PRESSED, IDB_MEANING_HIDDEN_HOVER}},
        {"example",
         "예문",
         {IDB_EXAMPLE_SHOWN_NORMAL, IDB_EXAMPLE_SHOWN_PRESSED, IDB_EXAMPLE_SHOWN_HOVER},
         {IDB_EXAMPLE_HIDDEN_NORMAL, IDB_EXAMPLE_HIDDEN_PRESSED, IDB_EXAMPLE_HIDDEN_HOVER}},
    };
    for (const Part& part : parts) {
        const QString label = QString::fromUtf8(part.label);
        plain(QStringLiteral("player_%1_shown").arg(part.name), label + " 보임",
              {part.shown[0], part.shown[1], part.shown[2], 0}, {37, 25}, false, PartToggle(label, true),
              bar);
        plain(QStringLiteral("player_%1_hidden").arg(part.name), label + " 숨김",
              {part.hidden[0], part.hidden[1], part.hidden[2], 0}, {37, 25}, false, PartToggle(label, false),
              bar);
    }
    plain("player_memorised", "암기완료",
          {IDB_MEMORISED_NORMAL, IDB_MEMORISED_PRESSED, IDB_MEMORISED_HOVER, IDB_MEMORISED_DISABLED},
          {54, 25}, false, IconText(CheckIcon, 10, "암기"), bar);
    return sets;
}

// ---- Other pictures ------------------------------------------------------------------------------

// The mark of the program: two cards, the front one with a Hangul syllable.
void DrawMark(QPainter& p, const QRectF& box, const QColor& card, const QColor& letter,
              bool withBack = true) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = box.width();
    p.translate(box.center());
    if (withBack) {
        p.save();
        p.rotate(-12);
        p.setPen(Qt::NoPen);
        QColor back = card;
        back.setAlphaF(card.alphaF() * 0.45);
        p.setBrush(back);
        p.drawRoundedRect(QRectF(-0.36 * s, -0.42 * s, 0.62 * s, 0.8 * s), 0.08 * s, 0.08 * s);
        p.restore();
    }
    p.rotate(6);
    p.setPen(Qt::NoPen);
    p.setBrush(card);
    const QRectF front(-0.26 * s, -0.40 * s, 0.62 * s, 0.8 * s);
    p.drawRoundedRect(front, 0.08 * s, 0.08 * s);
    QFont font = BrandFont(std::max(6, int(0.44 * s)));
    p.setFont(font);
    p.setPen(letter);
    p.drawText(front, Qt::AlignCenter, QStringLiteral("가"));
    p.restore();
}

// The mark followed by the program's name, as high as the picture.
QImage Wordmark(QSize size, const QColor& card, const QColor& letter, const QColor& text, int textPixels) {
    QImage image = Blank(size.width(), size.height());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int h = size.height();
    DrawMark(p, QRectF(0, 0, h, h), card, letter);
    p.setFont(BrandFont(textPixels));
    p.setPen(text);
    const qreal left = h + h / 6.0;
    p.drawText(QRectF(left, 0, size.width() - left, h), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("렉시카르타"));
    return image;
}

void SavePictures() {
    using namespace Res;
    // Title strip (stretched across the top) and bottom strip.
    QImage strip = Blank(1, 26);
    for (int y = 0; y < 26; ++y)
        SetPixel(strip, 0, y, y == 0 ? QColor(0x5A, 0xA2, 0xE0) : TitleColourAt(y));
    SaveBitmap(IDB_TITLE_STRIP, "title_strip", strip);

    QImage bottom = Blank(1, 10);
    for (int y = 0; y < 10; ++y)
        SetPixel(bottom, 0, y,
                 y == 0 ? QColor(0xC8, 0xC8, 0xC6) : QColor(0xE6 - y * 2, 0xE6 - y * 2, 0xE5 - y * 2));
    SaveBitmap(IDB_BOTTOM_STRIP, "bottom_strip", bottom);

    QImage grip = Blank(8, 8);
    for (auto [x, y] :
         {std::pair{6, 0}, {4, 2}, {6, 2}, {2, 4}, {4, 4}, {6, 4}, {0, 6}, {2, 6}, {4, 6}, {6, 6}}) {
        SetPixel(grip, x + 1, y + 1, QColor(255, 255, 255));
        SetPixel(grip, x, y, QColor(0x8E, 0x8E, 0x8C));
    }
    SaveBitmap(IDB_SIZE_GRIP, "size_grip", grip);

    SaveBitmap(IDB_TITLE_LOGO, "title_logo", Wordmark({123, 17}, Qt::white, kAccentDark, Qt::white, 13));
    SaveBitmap(IDB_SIGNIN_LOGO, "signin_logo", Wordmark({160, 29}, kAccent, Qt::white, kAccentDark, 20));
    {
        QImage header = Blank(240, 66);
        QPainter p(&header);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        QLinearGradient tile(0, 5, 0, 61);
        tile.setColorAt(0, QColor(0x4C, 0x96, 0xD9));
        tile.setColorAt(1, QColor(0x24, 0x68, 0xA8));
        p.setBrush(tile);
        p.drawRoundedRect(QRectF(4, 5, 56, 56), 12, 12);
        DrawMark(p, QRectF(8, 9, 48, 48), Qt::white, kAccentDark);
        p.setFont(BrandFont(19));
        p.setPen(QColor(0x22, 0x22, 0x21));
        p.drawText(QRectF(72, 10, 168, 26), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("렉시카르타 데스크톱"));
        p.setFont(UiFont(11, false));
        p.setPen(QColor(0x7A, 0x7A, 0x78));
        p.drawText(QRectF(72, 36, 168, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Lexicarta Desktop"));
        p.setPen(QPen(kAccent, 2));
        p.drawLine(QPointF(73, 56), QPointF(109, 56));
        p.end();
        SaveBitmap(IDB_INFO_HEADER, "info_header", header);
    }
    {
        // The control bar behind the player's buttons.
        QImage bar = Blank(369, 34);
        QPainter p(&bar);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient face(0, 0, 0, 34);
        face.setColorAt(0, QColor(0xFD, 0xFD, 0xFD));
        face.setColorAt(1, QColor(0xE6, 0xE6, 0xE5));
        p.setPen(QPen(QColor(0xC2, 0xC2, 0xC0), 1));
        p.setBrush(face);
        p.drawRoundedRect(QRectF(0.5, 0.5, 368, 33), 9, 9);
        p.end();
        SaveBitmap(IDB_CONTROL_BAR, "control_bar", bar);
    }
    {
        QImage separator = Blank(3, 19);
        for (int y = 0; y < 19; ++y) {
            const int alpha = (y == 0 || y == 18) ? 110 : 255;
            SetPixel(separator, 1, y, QColor(0xC4, 0xC4, 0xC2, alpha));
            SetPixel(separator, 2, y, QColor(0xFF, 0xFF, 0xFF, alpha));
        }
        SaveBitmap(IDB_SEPARATOR, "separator", separator);
    }
}

// The program icon, designed on a 256-pixel grid: a blue tile with a soft shadow and the mark on it.
// The smallest sizes keep the design with fewer, larger parts: the tile fills the square, the mark
// grows and loses its back card and the shadow, which would only blur at a few pixels.
QImage ProgramIcon(int size) {
    const bool small = size <= 24;
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    p.setPen(Qt::NoPen);
    const QRectF tileBox = small ? QRectF(0, 0, 256, 256) : QRectF(16, 14, 224, 224);
    if (!small) {
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(tileBox.translated(0, 6), 50, 50);
    }
    QLinearGradient tile(0, tileBox.top(), 0, tileBox.bottom());
    tile.setColorAt(0, QColor(0x5A, 0xA4, 0xE6));
    tile.setColorAt(1, QColor(0x22, 0x63, 0xA2));
    p.setBrush(tile);
    p.drawRoundedRect(tileBox, small ? 48 : 50, small ? 48 : 50);
    DrawMark(p, small ? QRectF(18, 14, 220, 220) : QRectF(48, 46, 160, 160), Qt::white, kAccentDark, !small);
    p.end();
    return icon;
}

// The icon at every size of the icon theme, laid out as the theme's folders. The program's own icon
// resource holds them all: "icon/128" is the largest, "icon/128-<n>" the others.
void SaveIcons() {
    constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
    for (int size : kSizes) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString file = folder + QStringLiteral("/lexicarta-desktop.png");
        if (!QDir(g_out).mkpath(folder) || !ProgramIcon(size).save(g_out + "/" + file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            g_failed = true;
        }
        Record(QStringLiteral("icon"), Res::IDR_MAINFRAME, file,
               size == 256 ? QString() : QStringLiteral("-%1").arg(size));
    }
}

// The loading animation: a blue arc with a fading tail turning once every 31 frames.
void SaveLoadingGif() {
    const int kSize = 32 * g_scale;
    constexpr int kFrames = 31;
    constexpr int kLevels = 64; // palette: white to the accent colour in even steps
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < kLevels; ++i) {
        const double t = double(i) / (kLevels - 1);
        auto mix = [t](int accent) { return std::uint32_t(std::lround(255 + (accent - 255) * t)); };
        palette.push_back((mix(kAccent.red()) << 16) | (mix(kAccent.green()) << 8) | mix(kAccent.blue()));
    }

    GifEncoder gif(kSize, kSize, palette);
    gif.AddLoop();
    // Each pixel is the share of accent over white, averaged over 4 x 4 samples: a pale ring with a
    // dark head whose tail fades over 300 degrees behind it.
    const double kCentre = kSize / 2.0;
    const double kRadius = 11.0 * g_scale;
    const double kHalfWidth = 1.8 * g_scale;
    constexpr double kTrack = 0.12;
    constexpr double kPi = 3.14159265358979323846;
    for (int frame = 0; frame < kFrames; ++frame) {
        const double head = frame * 360.0 / kFrames; // clockwise from the top
        std::vector<std::uint8_t> indices;
        indices.reserve(kSize * kSize);
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                double sum = 0;
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        const double dx = x + (sx + 0.5) / 4 - kCentre;
                        const double dy = y + (sy + 0.5) / 4 - kCentre;
                        if (std::abs(std::hypot(dx, dy) - kRadius) > kHalfWidth)
                            continue;
                        const double angle = std::fmod(std::atan2(dx, -dy) * 180 / kPi + 360, 360);
                        const double behind = std::fmod(head - angle + 720, 360);
                        const double tail = std::max(0.0, 1.0 - behind / 300);
                        sum += kTrack + (1 - kTrack) * tail * tail;
                    }
                }
                indices.push_back(std::uint8_t(std::lround(sum / 16 * (kLevels - 1))));
            }
        }
        gif.AddFrame(indices, 0, 0, kSize, kSize, 5, 1);
    }
    const std::vector<std::uint8_t> data = gif.Finish();
    const QString file = QStringLiteral("loading") + ScaleSuffix() + QStringLiteral(".gif");
    QFile out(g_out + "/" + file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(data.data()), qint64(data.size())) != qint64(data.size()))
        g_failed = true;
    Record(QStringLiteral("GIF"), Res::IDR_LOADING_GIF, file, ScaleSuffix());
}

// ---- Contact sheet -------------------------------------------------------------------------------

void SaveContactSheet(const std::vector<ButtonSet>& sets, const std::vector<std::array<QImage, 4>>& looks) {
    constexpr int kScale = 3;
    constexpr int kLabelWidth = 190;
    constexpr int kPad = 12;
    int cell = 0;
    int height = 40;
    for (const auto& row : looks) {
        int rowHeight = 0;
        for (const QImage& look : row) {
            cell = std::max(cell, look.width() * kScale);
            rowHeight = std::max(rowHeight, look.height() * kScale);
        }
        height += rowHeight + kPad;
    }
    const int cellWidth = cell + kPad * 2;
    QImage sheet = Blank(kLabelWidth + cellWidth * 4, height + kPad, Qt::white);
    QPainter p(&sheet);
    p.setFont(UiFont(13));
    p.setPen(kInk);
    for (int i = 0; i < 4; ++i)
        p.drawText(QRect(kLabelWidth + i * cellWidth, 8, cellWidth, 24), Qt::AlignCenter, kStateNames[i]);
    int y = 40;
    for (std::size_t r = 0; r < sets.size(); ++r) {
        int rowHeight = 0;
        for (const QImage& look : looks[r])
            rowHeight = std::max(rowHeight, look.height() * kScale);
        rowHeight = std::max(rowHeight, 14 * kScale);
        p.setFont(UiFont(12));
        p.setPen(kInk);
        p.drawText(QRect(8, y, kLabelWidth - 16, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   sets[r].title + "\n" + sets[r].name);
        for (int i = 0; i < 4; ++i) {
            const QRect area(kLabelWidth + i * cellWidth + 4, y - 4, cellWidth - 8, rowHeight + 8);
            if (looks[r][i].isNull()) {
                p.setPen(QColor(0xBB, 0xBB, 0xBB));
                p.drawText(area, Qt::AlignCenter, QStringLiteral("—"));
                continue;
            }
            p.fillRect(area, sets[r].backdrop);
            const QImage big = looks[r][i].scaled(looks[r][i].size() * kScale);
            p.drawImage(area.left() + (area.width() - big.width()) / 2,
                        area.top() + (area.height() - big.height()) / 2, big);
        }
        y += rowHeight + kPad;
    }
    p.end();
    sheet.save(g_out + "/contact_sheet.png", "PNG");
}

void SaveButtons() {
    const std::vector<ButtonSet> sets = ButtonSets();
    std::vector<std::array<QImage, 4>> looks;
    for (const ButtonSet& set : sets) {
        std::array<QImage, 4> row;
        for (int i = 0; i < 4; ++i) {
            if (set.ids[i] == 0)
                continue;
            row[i] = set.draw(static_cast<State>(i));
            SaveBitmap(set.ids[i], set.name + "_" + kStateNames[i], row[i]);
        }
        looks.push_back(row);
    }
    if (g_scale == 1)
        SaveContactSheet(sets, looks);
}

void SaveResourceTable() {
    QFile file(g_out + "/artwork.qrc");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        g_failed = true;
        return;
    }
    QTextStream out(&file);
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const Resource& r : g_resources)
        out << "    <file alias=\"" << r.type << "/" << r.id << r.suffix << "\">" << r.file << "</file>\n";
    out << "</qresource>\n</RCC>\n";
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
    for (int scale : {1, 2}) {
        g_scale = scale;
        SaveButtons();
        SavePictures();
        SaveLoadingGif();
    }
    g_scale = 1;
    SaveIcons();
    SaveResourceTable();
    return g_failed ? 1 : 0;
}
