#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Turns the dialog units of a window template into pixels. The base units come from the dialog's own
// font as it is on this system: the average width of the Latin letters and the line height. A
// horizontal unit is a quarter of the first, a vertical unit an eighth of the second, so a layout keeps
// its proportions whatever font the system falls back to.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    // The 8-point dialog font: the Korean system's dialog face (Gulim), else NanumGothic, else whatever
    // the system offers.
    static QFont DialogFont();

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }
    int X(int units) const;
    int Y(int units) const;
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }
    QRect Rect(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }

  private:
    int baseX_;
    int baseY_;
};
