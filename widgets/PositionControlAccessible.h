#pragma once

#include <QAccessibleWidget>

class PositionControl;
class QObject;

// What assistive technology learns about the position counter: a static text whose name (and value) is
// the count it shows, "position / total".
class PositionControlAccessible : public QAccessibleWidget {
  public:
    explicit PositionControlAccessible(PositionControl* counter);

    QString text(QAccessible::Text t) const override;

    // The factory for QAccessible::installFactory: this interface for every PositionControl.
    static QAccessibleInterface* Create(const QString& className, QObject* object);
    // Installs the factory once; every counter calls it when it is made.
    static void Install();
};
