// The bare program that the start-up benchmark's memory measurement compares with: one browser view
// with an empty page and one media player, which plays the sound named by the first argument once the
// page has loaded. Writes the trace mark "bare-ready" then (LEXICARTA_STARTUP_TRACE must be set).
//   startup_bare_program SOUND-URL [--korean-line]
// --korean-line shows one line of Korean text instead of the empty page: what any Korean text costs.
#include "platform/StartupTrace.h"

#include <QApplication>
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QWebEngineView>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWebEngineView view;
    view.resize(400, 330);
    view.show();
    QMediaPlayer player;
    QAudioOutput output;
    player.setAudioOutput(&output);
    const QUrl sound = argc > 1 ? QUrl(QString::fromLocal8Bit(argv[1])) : QUrl();
    QObject::connect(&view, &QWebEngineView::loadFinished, [&] {
        if (sound.isValid()) {
            player.setSource(sound);
            player.play();
        }
        StartupTrace::Mark("bare-ready");
    });
    const bool korean = argc > 2 && QByteArray(argv[2]) == "--korean-line";
    view.setHtml(
        korean ? QStringLiteral("<html lang=\"ko\"><body><b>사과</b> apple 하루에 사과 한 개</body></html>")
               : QString());
    return app.exec();
}
