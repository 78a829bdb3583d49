#include "platform/TaskStatusEvent.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
QPointer<QObject> mainWindow;
}

QObject* TaskStatusEvent::MainWindow() {
    return mainWindow.data();
}

void TaskStatusEvent::SetMainWindow(QObject* window) {
    mainWindow = window;
}

void TaskStatusEvent::Post(QObject* receiver, int code, uint32_t bookId) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new TaskStatusEvent(code, bookId));
}

bool TaskStatusEvent::Send(QObject* receiver, int code, uint32_t bookId) {
    if (!receiver)
        return false;
    TaskStatusEvent event(code, bookId);
    return QCoreApplication::sendEvent(receiver, &event);
}
