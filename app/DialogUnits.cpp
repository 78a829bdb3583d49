#include "app/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// units * base / divisor, rounded half away from zero.
int Scale(int units, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = std::max(1, (letters + 26) / 52);
    baseY_ = std::max(1, metrics.height());
}

QFont DialogUnits::DialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Gulim"), QStringLiteral("NanumGothic")});
    font.setPointSize(8);
    return font;
}

int DialogUnits::X(int units) const {
    return Scale(units, baseX_, 4);
}

int DialogUnits::Y(int units) const {
    return Scale(units, baseY_, 8);
}
