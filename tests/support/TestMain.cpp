// Shared main of every test executable: a private set of XDG folders, then the Qt application object.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#ifdef LEXICARTA_TEST_WEBENGINE
#include "player/HtmlView.h"
#endif
#ifdef LEXICARTA_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = home.path() + "/" + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        qputenv(name, dir.toUtf8());
    }
#ifdef LEXICARTA_TEST_WEBENGINE
    // The browser view's URL schemes must be known before the application object exists.
    HtmlView::RegisterSchemes();
#endif
    TestApplication app(argc, argv);
    TestApplication::setOrganizationName("Lexicarta");
    TestApplication::setApplicationName("Lexicarta Desktop");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
