#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

// Installs, once per pair, an accessibility factory that gives every object of class Widget the
// interface Interface (whose constructor takes a Widget*). Widgets call it when they are made, so the
// interface is in place before assistive technology first asks.
template <class Widget, class Interface> void InstallAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className != QLatin1String(Widget::staticMetaObject.className()))
                return nullptr;
            auto* widget = qobject_cast<Widget*>(object);
            return widget != nullptr ? new Interface(widget) : nullptr;
        });
        return true;
    }();
    (void)installed;
}
