#include "app/CLexicartaApp.h"
#include "platform/StartupTrace.h"
#include "player/HtmlView.h"

int main(int argc, char** argv) {
    StartupTrace::Mark("main");
    // The card page's URL schemes must be known before the application object exists.
    HtmlView::RegisterSchemes();
    CLexicartaApp app(argc, argv);
    StartupTrace::Mark("app-object");
    if (!app.InitInstance())
        return 0;
    return app.ExitInstance(app.exec());
}
