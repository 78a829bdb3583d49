#pragma once

#include <QApplication>

#include <memory>

class CMainFrame;
class HeapTrimmer;
class SingleInstance;

// The application object: single-instance check, settings location, main window, first-run
// registration to start at login.
class CLexicartaApp : public QApplication {
    Q_OBJECT
  public:
    CLexicartaApp(int& argc, char** argv);
    ~CLexicartaApp() override;

    // Start-up; false when this process must end without a window (another copy runs, or the main
    // window could not be made).
    bool InitInstance();
    // Shutdown after the event loop; returns the exit code.
    int ExitInstance(int code);

    CMainFrame* MainFrame() const { return frame_.get(); }

  private:
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<HeapTrimmer> trimmer_;
};
