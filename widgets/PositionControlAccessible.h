#pragma once

#include <QAccessibleWidget>

class PositionControl;

// What assistive technology learns about the position counter: a static text whose name (and value) is
// the count it shows, "position / total".
class PositionControlAccessible : public QAccessibleWidget {
  public:
    explicit PositionControlAccessible(PositionControl* counter);

    QString text(QAccessible::Text t) const override;
};
