#include "app/CLexicartaApp.h"

int main(int argc, char** argv) {
    CLexicartaApp app(argc, argv);
    if (!app.InitInstance())
        return 0;
    return app.ExitInstance(app.exec());
}
