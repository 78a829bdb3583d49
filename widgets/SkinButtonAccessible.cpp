#include "SkinButtonAccessible.h"

#include "widgets/CSkinButton.h"

#include <QRegularExpression>

SkinButtonAccessible::SkinButtonAccessible(CSkinButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

CSkinButton* SkinButtonAccessible::Button() const {
    return static_cast<CSkinButton*>(widget());
}

QString SkinButtonAccessible::text(QAccessible::Text t) const {
    const CSkinButton* button = Button();
    switch (t) {
    case QAccessible::Name: {
        if (!button->accessibleName().isEmpty())
            return button->accessibleName();
        if (!button->toolTip().isEmpty())
            return button->toolTip();
        QString caption = button->text();
        // A mnemonic marker is not part of the name.
        caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        return caption;
    }
    case QAccessible::Description:
        // The tool tip is read once: as the description only when it is not the name already.
        if (!button->accessibleDescription().isEmpty())
            return button->accessibleDescription();
        return text(QAccessible::Name) == button->toolTip() ? QString() : button->toolTip();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State SkinButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const CSkinButton* button = Button();
    state.pressed = button->isDown();
    state.checkable = button->isCheckable();
    state.checked = button->isChecked();
    return state;
}

QStringList SkinButtonAccessible::actionNames() const {
    QStringList names;
    if (Button()->isEnabled())
        names << (Button()->isCheckable() ? toggleAction() : pressAction());
    return names + QAccessibleWidget::actionNames();
}

void SkinButtonAccessible::doAction(const QString& actionName) {
    CSkinButton* button = Button();
    if (actionName == pressAction() || actionName == toggleAction()) {
        if (button->isEnabled())
            button->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
