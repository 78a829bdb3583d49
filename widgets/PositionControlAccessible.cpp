#include "widgets/PositionControlAccessible.h"

#include "widgets/PositionControl.h"

PositionControlAccessible::PositionControlAccessible(PositionControl* counter)
    : QAccessibleWidget(counter, QAccessible::StaticText) {}

QString PositionControlAccessible::text(QAccessible::Text t) const {
    const auto* counter = static_cast<const PositionControl*>(widget());
    switch (t) {
    case QAccessible::Name:
        if (!counter->accessibleName().isEmpty())
            return counter->accessibleName();
        return counter->Label();
    case QAccessible::Value:
        return counter->Label();
    default:
        return QAccessibleWidget::text(t);
    }
}
