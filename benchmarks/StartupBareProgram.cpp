// The bare program that the start-up benchmark's memory measurement compares with: one browser view
// with an empty page and the program's media player, which plays the sound named by the first argument
// once the page has loaded. Writes the trace mark "bare-ready" then (LEXICARTA_STARTUP_TRACE must be set).
//   startup_bare_program SOUND-URL [--korean-line]
// --korean-line shows one line of Korean text instead of the empty page: what any Korean text costs.
#include "platform/StartupTrace.h"
#include "player/MediaPlayer.h"

#include <QApplication>
#include <QWebEngineView>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWebEngineView view;
    view.resize(400, 330);
    view.show();
    const std::unique_ptr<MediaPlayer> player = MediaPlayer::Create();
    const QString sound = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QObject::connect(&view, &QWebEngineView::loadFinished, [&] {
        if (!sound.isEmpty())
            player->Play(sound);
        StartupTrace::Mark("bare-ready");
    });
    const bool korean = argc > 2 && QByteArray(argv[2]) == "--korean-line";
    view.setHtml(
        korean ? QStringLiteral("<html lang=\"ko\"><body><b>사과</b> apple 하루에 사과 한 개</body></html>")
               : QString());
    return app.exec();
}
