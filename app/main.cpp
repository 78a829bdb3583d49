#include "app/CLexicartaApp.h"
#include "app/PlatformChoice.h"
#include "platform/HeapTrimmer.h"
#include "platform/StartupTrace.h"
#include "player/HtmlView.h"

int main(int argc, char** argv) {
    HeapTrimmer::MapLargeBlocks();
    StartupTrace::Mark("main");
    // Settled before the application object exists: the platform plug-in (XWayland in a Wayland
    // session) and the card page's URL schemes.
    PlatformChoice::Apply();
    HtmlView::RegisterSchemes();
    CLexicartaApp app(argc, argv);
    StartupTrace::Mark("app-object");
    if (!app.InitInstance())
        return 0;
    return app.ExitInstance(app.exec());
}
