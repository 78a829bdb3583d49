#pragma once

#include <QApplication>

#include <memory>

class CMainFrame;
class HeapTrimmer;
class SingleInstance;
class TerminationSignals;

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

    // The names the application object carries (organisation, application, version, desktop entry).
    // No display name: Qt would append it to the title of every window that does not already end
    // with it, and each window shows exactly its own title.
    static void ApplyIdentity();

  protected:
    // The end of the desktop session (its manager's last word, or a termination signal) comes as a
    // request to quit: the program's own exit runs first, whether or not a notification area exists.
    bool event(QEvent* event) override;

  private:
    std::unique_ptr<TerminationSignals> signals_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<HeapTrimmer> trimmer_;
};
