#pragma once

#include <QWidget>

// The program's main window.
class CMainFrame : public QWidget {
    Q_OBJECT
  public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Shows the window and brings it to the front (a second start of the program asks for this).
    void ShowAndActivate();
};
