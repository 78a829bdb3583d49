#include "app/CLexicartaApp.h"
#include "app/PlatformChoice.h"
#include "platform/HeapTrimmer.h"
#include "platform/StartupTrace.h"
#include "player/HtmlView.h"
#include "service/ServiceAddress.h"

#include <cstdio>

int main(int argc, char** argv) {
    // The program never talks to a service over plain http beyond loopback: the build refuses such an
    // address, and a start with one in LEXICARTA_SERVICE_URL ends here.
    const QString address = ServiceAddress::Configured();
    if (const QString problem = ServiceAddress::Problem(address); !problem.isEmpty()) {
        std::fprintf(stderr, "lexicarta: refusing the service address %s (LEXICARTA_SERVICE_URL): %s\n",
                     qPrintable(address), qPrintable(problem));
        return 2;
    }
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
