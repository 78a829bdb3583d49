#include "app/CLexicartaApp.h"

#include "app/CMainFrame.h"
#include "platform/HeapTrimmer.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/StartupEntry.h"
#include "platform/StartupTrace.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

CLexicartaApp::CLexicartaApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Lexicarta"));
    setApplicationName(StringTable::Load(Res::AFX_IDS_APP_TITLE));
    setApplicationDisplayName(StringTable::Load(Res::IDR_MAINFRAME));
    setApplicationVersion(QStringLiteral(LEXICARTA_VERSION_TEXT));
    // The installed desktop entry: docks and task bars find the icon and name of the window through it.
    setDesktopFileName(QStringLiteral("lexicarta-desktop"));
    // The window hides to the notification area; closing it must not end the program.
    setQuitOnLastWindowClosed(false);
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
    // The end of the desktop session leaves the program as its exit command does.
    connect(this, &QCoreApplication::aboutToQuit, frame_.get(), &CMainFrame::Exit);
    frame_->show();
    StartupTrace::Mark("frame-shown");
    trimmer_ = std::make_unique<HeapTrimmer>();

    if (SettingsStore::Get(SettingsStore::StartWithPC) == 2) {
        SetStartWithPC(true);
        SettingsStore::Set(SettingsStore::StartWithPC, 1);
    }
    return true;
}

int CLexicartaApp::ExitInstance(int code) {
    trimmer_.reset();
    frame_.reset();
    instance_.reset();
    return code;
}
