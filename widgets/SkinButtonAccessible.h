#pragma once

#include <QAccessibleWidget>

class CSkinButton;

// What assistive technology learns about a skin button: a push button named by its accessible name,
// or else its tool tip, or else its text (which the button never draws), that can be pressed; a
// checkable one is a toggle that reports whether it is checked.
class SkinButtonAccessible : public QAccessibleWidget {
  public:
    explicit SkinButtonAccessible(CSkinButton* button);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    CSkinButton* Button() const;
};
