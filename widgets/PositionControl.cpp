#include "PositionControl.h"

#include "widgets/AccessibleFactory.h"
#include "widgets/PositionControlAccessible.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
const QColor kBackground(237, 237, 236);
const QColor kBar(130, 130, 129);
const QColor kFrame(190, 190, 190);
} // namespace

PositionControl::PositionControl(QWidget* parent) : QWidget(parent), font_(QStringLiteral("Tahoma"), 8) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    InstallAccessibleFactory<PositionControl, PositionControlAccessible>();
}

void PositionControl::SetPosition(int position, int total) {
    const bool changed = position != position_ || total != total_;
    position_ = position;
    total_ = total;
    update();
    if (changed) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString PositionControl::Label() const {
    return QStringLiteral("%1 / %2").arg(position_).arg(total_);
}

int PositionControl::BarEnd(int position, int total, int width) {
    const int last = std::max(1, width - 1);
    if (total <= 1)
        return 1;
    const double share = (static_cast<double>(position) - 1.0) / (static_cast<double>(total) - 1.0);
    // Clamped before the conversion: a position outside 1..total neither overflows nor leaves the bar.
    const double end = std::trunc(std::clamp(share, 0.0, 1.0) * (width - 2)) + 1.0;
    return std::clamp(static_cast<int>(end), 1, last);
}

void PositionControl::paintEvent(QPaintEvent*) {
    const int w = width();
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);

    // The bar: a one-pixel frame around a white inside, rows 6 to 12.
    painter.fillRect(QRect(0, 6, w, 7), kFrame);
    painter.fillRect(QRect(1, 7, w - 2, 5), Qt::white);
    if (total_ != 0) {
        const int end = BarEnd(position_, total_, w);
        if (end > 1)
            painter.fillRect(QRect(1, 7, end - 1, 5), kBar);
    }

    text_ = Label();
    painter.setFont(font_);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 15, w, 14), Qt::AlignCenter | Qt::TextSingleLine, text_);
}
