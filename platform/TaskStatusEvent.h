#pragma once

#include <QEvent>

#include <cstdint>

// The private message by which workers, the browser view and the panels report to a window:
// a status code (what happened) and, for TASK_OPEN_BOOK, a book id.
class TaskStatusEvent : public QEvent {
  public:
    static constexpr QEvent::Type WM_TASK_STATUS = static_cast<QEvent::Type>(QEvent::User + 1);

    // Codes for the main window.
    enum MainCode : int {
        TASK_BOOK_READY = 1,
        TASK_LOAD_FAILED = 2,
        TASK_NO_BOOK = 3,
        TASK_PAGE_READY = 4,
        TASK_OPEN_BOOK = 5,
        TASK_OPEN_SIGNED_IN_BOOK = 6,
    };
    // Codes for the player panel.
    enum PanelCode : int {
        PANEL_IMAGE_READY = 1,
        PANEL_SOUND_READY = 2,
        PANEL_SOUND_REQUEST = 3,
    };

    TaskStatusEvent(int code, uint32_t bookId = 0) : QEvent(WM_TASK_STATUS), code_(code), bookId_(bookId) {}

    int Code() const { return code_; }          // lParam
    uint32_t BookId() const { return bookId_; } // wParam

    // Posts (asynchronous, any thread) or sends (synchronous, the receiver's thread) the status.
    static void Post(QObject* receiver, int code, uint32_t bookId = 0);
    static bool Send(QObject* receiver, int code, uint32_t bookId = 0);

    // The application's main window, the receiver of the main-window codes (null until it is set).
    static QObject* MainWindow();
    static void SetMainWindow(QObject* window);

  private:
    int code_;
    uint32_t bookId_;
};
