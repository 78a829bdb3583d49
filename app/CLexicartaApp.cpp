#include "app/CLexicartaApp.h"

#include "app/CMainFrame.h"
#include "platform/HeapTrimmer.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/StartupEntry.h"
#include "platform/StartupTrace.h"
#include "platform/TerminationSignals.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

CLexicartaApp::CLexicartaApp(int& argc, char** argv) : QApplication(argc, argv) {
    ApplyIdentity();
    // The window hides to the notification area; closing it must not end the program.
    setQuitOnLastWindowClosed(false);
}

void CLexicartaApp::ApplyIdentity() {
    setOrganizationName(QStringLiteral("Lexicarta"));
    setApplicationName(StringTable::Load(Res::AFX_IDS_APP_TITLE));
    // The Korean name reaches the desktop through the main window's own title (and with it the
    // notification icon's tip) and the desktop entry's Name, not through a display name.
    setApplicationVersion(QStringLiteral(LEXICARTA_VERSION_TEXT));
    // The installed desktop entry: docks and task bars find the icon and name of the window through it.
    setDesktopFileName(QStringLiteral("lexicarta-desktop"));
}

CLexicartaApp::~CLexicartaApp() = default;

bool CLexicartaApp::InitInstance() {
    instance_ = std::make_unique<SingleInstance>(SingleInstance::DefaultKey());
    if (!instance_->Claim())
        return false;
    StartupTrace::Mark("instance-claimed");

    frame_ = std::make_unique<CMainFrame>();
    StartupTrace::Mark("frame-created");
    StartupTrace::MarkFirst(frame_->View(), QEvent::Paint, "window-painted", "window-shown");
    connect(instance_.get(), &SingleInstance::showRequested, frame_.get(), &CMainFrame::ShowAndActivate);
    // The frame's exit gives up the single-instance socket at once, so that a start during a slow exit
    // is not swallowed, then ends the event loop; the frame itself is destroyed in ExitInstance.
    connect(frame_.get(), &CMainFrame::exitRequested, this, [this] {
        instance_->Release();
        QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    // The end of the desktop session leaves the program as its exit command does. Qt quits only once
    // every window has closed, which the main window refuses (it hides or minimises), so the session's
    // end runs the exit first (event); a termination signal is the same request.
    connect(this, &QCoreApplication::aboutToQuit, frame_.get(), &CMainFrame::Exit);
    signals_ = std::make_unique<TerminationSignals>();
    connect(signals_.get(), &TerminationSignals::received, this,
            [this] { postEvent(this, new QEvent(QEvent::Quit)); });
    frame_->show();
    StartupTrace::Mark("frame-shown");
    trimmer_ = std::make_unique<HeapTrimmer>();

    if (SettingsStore::Get(SettingsStore::StartWithPC) == 2) {
        SetStartWithPC(true);
        SettingsStore::Set(SettingsStore::StartWithPC, 1);
    }
    return true;
}

bool CLexicartaApp::event(QEvent* event) {
    if (event->type() == QEvent::Quit && frame_ != nullptr)
        frame_->Exit();
    return QApplication::event(event);
}

int CLexicartaApp::ExitInstance(int code) {
    trimmer_.reset();
    frame_.reset();
    instance_.reset();
    // Kept until here: a second termination signal during the tear-down does not cut it short.
    signals_.reset();
    return code;
}
