// The player panel with the real engine, the real card page and the reference service.
#include "player/PlayerControl.h"

#include "HtmlViewFixture.h"
#include "engine/PlayerTimer.h"
#include "engine/ThreadExecutor.h"
#include "platform/MessageBox.h"
#include "player/HtmlView.h"
#include "player/MediaPlayer.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"
#include "widgets/CSkinButton.h"
#include "widgets/PositionControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

using namespace Res;

namespace {

using HtmlViewFixture::Eval;
using HtmlViewFixture::WaitUntil;

// Remembers what it is asked to play instead of playing it.
class RecordingPlayer : public MediaPlayer {
  public:
    void Play(const QString& url) override {
        urls.push_back(url);
        MediaPlayer::Play(url);
    }
    std::vector<QString> urls;
};

// Pixels darker than mid grey inside the title box of a panel picture.
int DarkTitlePixels(PlayerControl& panel) {
    const QImage image = panel.grab().toImage();
    int dark = 0;
    for (int y = 8; y < 30; ++y)
        for (int x = 17; x < panel.width() - 165; ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    return dark;
}

bool SameLook(const CSkinButton* button, int resourceId) {
    const QPixmap* shown = button->Bitmap(CSkinButton::Look::Normal);
    return shown != nullptr && shown->toImage() == Artwork::Bitmap(resourceId).toImage();
}

class PlayerControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        client->OpenSession();
        engine = std::make_unique<PlayerTimer>(*client, &executor);
        view = new HtmlView();
        auto recording = std::make_unique<RecordingPlayer>();
        player = recording.get();
        panel = std::make_unique<PlayerControl>(*engine, *view, std::move(recording));
        panel->resize(400, 330);
        panel->show();
        ASSERT_TRUE(HtmlViewFixture::LoadAndWait(*view)) << "card page did not load";
        MessageBox::SetHandler([this](QWidget*, const QString& text, MessageBox::Buttons, MessageBox::Icon) {
            boxes.push_back(text);
            return MessageBox::AnswerOk;
        });
    }

    void TearDown() override {
        MessageBox::SetHandler(nullptr);
        panel.reset();
        engine.reset();
    }

    // Signs in, loads the book and shows it as the main view does after a load.
    void Open(int32_t bookId) {
        ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
        ASSERT_EQ(engine->LoadBook(bookId), 0);
        panel->InitPlugins(engine->Info());
        engine->ShowCard(engine->Position());
    }
    // Waits for the engine's tasks and hands their results over, as the event loop would.
    void Settle() {
        executor.Wait(Executor::LoadLane);
        engine->WaitForWorkers();
        QCoreApplication::processEvents();
    }
    // The pronunciation delay has passed: the sound of the card on display reaches the player.
    void PronounceNow() {
        ASSERT_TRUE(engine->IsTimerActive(PlayerTimer::SoundTimer));
        engine->OnTimer(PlayerTimer::SoundTimer);
        Settle();
    }

    // Serves this document in place of the book's own.
    void ServeBook(int32_t bookId, const std::string& document) {
        DevService::Fault fault;
        fault.path = "/application/book/" + std::to_string(bookId);
        fault.body = document;
        ASSERT_TRUE(service.SetFault(fault));
    }

    QString Dom(const QString& expression) { return Eval(*view, expression).toString(); }
    QString ShownName() {
        return Dom(QStringLiteral("(function(){var e=document.querySelector('#view .name');"
                                  "return e ? e.innerHTML : '';})()"));
    }
    bool PartVisible(const QString& cls) {
        return Eval(*view, QStringLiteral("(function(){var e=document.querySelector('#view .%1');"
                                          "return !!e && e.offsetParent !== null;})()")
                               .arg(cls))
            .toBool();
    }
    QWidget* KeyTarget() { return view->focusProxy(); }

    DevService service;
    std::unique_ptr<ServiceClient> client;
    ThreadExecutor executor;
    std::unique_ptr<PlayerTimer> engine;
    HtmlView* view = nullptr; // owned by the panel
    RecordingPlayer* player = nullptr;
    std::unique_ptr<PlayerControl> panel;
    std::vector<QString> boxes;
};

TEST_F(PlayerControlTest, WithoutABookOnlyTheTogglesSpeakAndNothingChanges) {
    ASSERT_TRUE(panel->HasControls());
    EXPECT_EQ(DarkTitlePixels(*panel), 0);
    for (int id : {PlayerControl::IDC_PREV, PlayerControl::IDC_PLAY, PlayerControl::IDC_NEXT,
                   PlayerControl::IDC_MEMORISED})
        EXPECT_FALSE(panel->Button(id)->isEnabled()) << id;
    for (int id : {PlayerControl::IDC_MENU, PlayerControl::IDC_ORDER, PlayerControl::IDC_NAME})
        EXPECT_TRUE(panel->Button(id)->isEnabled()) << id;

    QTest::mouseClick(panel->Button(PlayerControl::IDC_NAME), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("단어장 선택하는걸 잊으셨군요 :)"));
    EXPECT_TRUE(panel->NameShown());
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_NAME), IDB_HEADWORD_SHOWN_NORMAL));

    // Order, play and the moving keys do nothing; "4" asks twice.
    QTest::mouseClick(panel->Button(PlayerControl::IDC_ORDER), Qt::LeftButton);
    EXPECT_EQ(engine->OrderMode(), 0);
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_ORDER), IDB_ORDER0_NORMAL));
    for (auto key : {Qt::Key_Space, Qt::Key_Right, Qt::Key_Left, Qt::Key_0, Qt::Key_Return, Qt::Key_Escape})
        QTest::keyClick(panel.get(), key);
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(panel->Counter()->Total(), 0);
    QTest::keyClick(panel.get(), Qt::Key_4);
    EXPECT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(PlayerControlTest, ShowsAndPlaysABookFromTheService) {
    Open(1);
    const Book& book = engine->LoadedBook();
    const int total = static_cast<int>(book.card_order.size());
    ASSERT_GT(total, 3);
    EXPECT_EQ(panel->Counter()->Position(), 1);
    EXPECT_EQ(panel->Counter()->Total(), total);
    EXPECT_GT(DarkTitlePixels(*panel), 20) << "the book's title is not painted";
    EXPECT_EQ(ShownName(), book.vocabularies[book.card_order[0]].name);
    for (int id : {PlayerControl::IDC_PREV, PlayerControl::IDC_PLAY, PlayerControl::IDC_NEXT,
                   PlayerControl::IDC_MEMORISED})
        EXPECT_TRUE(panel->Button(id)->isEnabled()) << id;

    // The keys reach the panel while the card page has the focus (its engine's focus proxy widget).
    ASSERT_NE(view->focusProxy(), nullptr);
    view->setFocus();
    QTest::keyClick(KeyTarget(), Qt::Key_Space);
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_PLAY), IDB_PAUSE_NORMAL));
    QTest::keyClick(KeyTarget(), Qt::Key_Space);
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_PLAY), IDB_PLAY_NORMAL));

    QTest::keyClick(KeyTarget(), Qt::Key_Right);
    EXPECT_EQ(panel->Counter()->Position(), 2);
    QTest::keyClick(KeyTarget(), Qt::Key_Left);
    QTest::keyClick(KeyTarget(), Qt::Key_Left);
    EXPECT_EQ(panel->Counter()->Position(), total);
    EXPECT_EQ(ShownName(), book.vocabularies[book.card_order.back()].name);
    QTest::keyClick(KeyTarget(), Qt::Key_Right);
    EXPECT_EQ(panel->Counter()->Position(), 1);

    // Enter (which goes on to the page), Up and Down do nothing.
    for (auto key : {Qt::Key_Return, Qt::Key_Up, Qt::Key_Down})
        QTest::keyClick(KeyTarget(), key);
    EXPECT_EQ(panel->Counter()->Position(), 1);

    // "0" marks the card: it leaves the order and the next one takes its place.
    const uint32_t markedId = book.vocabularies[book.card_order[0]].id;
    const QString following = book.vocabularies[book.card_order[1]].name;
    QTest::keyClick(KeyTarget(), Qt::Key_0);
    EXPECT_EQ(panel->Counter()->Total(), total - 1);
    EXPECT_EQ(ShownName(), following);
    engine->WaitForWorkers();
    const std::vector<int64_t> marks = service.Marks("demo");
    EXPECT_NE(std::find(marks.begin(), marks.end(), int64_t(markedId)), marks.end())
        << "the mark did not reach the service";

    // "4" inverts meaning and example together.
    panel->OnCommand(PlayerControl::IDC_EXAMPLE);
    EXPECT_FALSE(panel->ExampleShown());
    QTest::keyClick(KeyTarget(), Qt::Key_4);
    EXPECT_FALSE(panel->MeanShown());
    EXPECT_TRUE(panel->ExampleShown());
    EXPECT_FALSE(PartVisible(QStringLiteral("mean")));
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_MEAN), IDB_MEANING_HIDDEN_NORMAL));
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_EXAMPLE), IDB_EXAMPLE_SHOWN_NORMAL));
    EXPECT_TRUE(boxes.empty());

    // The order button cycles the modes and their looks, back to card order at the first card.
    const int looks[] = {IDB_ORDER1_NORMAL, IDB_ORDER2_NORMAL, IDB_ORDER0_NORMAL};
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(panel->Button(PlayerControl::IDC_ORDER), Qt::LeftButton);
        EXPECT_EQ(engine->OrderMode(), (i + 1) % 3);
        EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_ORDER), looks[i])) << i;
        EXPECT_EQ(panel->Counter()->Position(), 1);
    }

    // The buttons follow a change made elsewhere at once, with no event loop turning.
    engine->StartPlaying();
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_PLAY), IDB_PAUSE_NORMAL));
    engine->StopPlaying();
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_PLAY), IDB_PLAY_NORMAL));
    engine->ResetBook();
    EXPECT_FALSE(panel->Button(PlayerControl::IDC_NEXT)->isEnabled());
    EXPECT_FALSE(panel->Button(PlayerControl::IDC_MEMORISED)->isEnabled());
    QSignalSpy menu(panel.get(), &PlayerControl::menuRequested);
    QTest::mouseClick(panel->Button(PlayerControl::IDC_MENU), Qt::LeftButton);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.first().first().toPoint(), panel->mapToGlobal(QPoint(panel->width() - 96, 30)));
}

TEST_F(PlayerControlTest, PronunciationReachesTheMediaPlayer) {
    Open(2);
    ASSERT_TRUE(engine->LoadedBook().has_sound);
    panel->OnCommand(PlayerControl::IDC_PLAY);
    PronounceNow();
    ASSERT_FALSE(player->urls.empty()) << "no pronunciation after the play start";
    EXPECT_EQ(player->urls.back(), engine->CurrentSoundUrl());
    panel->OnCommand(PlayerControl::IDC_PLAY);

    // The page's listen button (shown for a book with pronunciation) goes through the engine and comes
    // back as a sound to play.
    EXPECT_TRUE(Eval(*view, QStringLiteral("$('sound_button').visible()")).toBool());
    const size_t before = player->urls.size();
    QSignalSpy asked(view, &HtmlView::soundRequested);
    Eval(*view, QStringLiteral("$('sound_button').click(); 1"));
    ASSERT_TRUE(WaitUntil([&] { return asked.count() == 1; })) << "app:sound did not arrive";
    Settle();
    ASSERT_GT(player->urls.size(), before) << "app:sound was not answered";
    EXPECT_EQ(player->urls.back(), engine->CurrentSoundUrl());

    // A look at the panel playing a Korean card.
    engine->ShowCard(0);
    panel->OnCommand(PlayerControl::IDC_PLAY);
    EXPECT_TRUE(SameLook(panel->Button(PlayerControl::IDC_PLAY), IDB_PAUSE_NORMAL));
    QTest::qWait(500);
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artifacts");
    QDir().mkpath(dir);
    EXPECT_TRUE(panel->grab().save(dir + QStringLiteral("/player_panel.png")));
    panel->OnCommand(PlayerControl::IDC_PLAY);
}

TEST_F(PlayerControlTest, TheBooksStyleReachesThePageAndLeavesWithTheNextLoad) {
    Open(4);
    ASSERT_TRUE(engine->Info().has_style);
    const QString colour = QStringLiteral("getComputedStyle(document.querySelector('#view .name')).color");
    EXPECT_EQ(Dom(colour), QStringLiteral("rgb(139, 58, 15)"));
    EXPECT_EQ(Dom(QStringLiteral("getComputedStyle(document.querySelector('#view .name')).fontWeight")),
              QStringLiteral("700"));

    // As the main view does for a load: the loading message clears the style, the plain book has none.
    panel->ShowLoadMessage(QStringLiteral("데이터를 불러오는 중"));
    ASSERT_EQ(engine->LoadBook(1), 0);
    panel->InitPlugins(engine->Info());
    engine->ShowCard(0);
    EXPECT_NE(Dom(colour), QStringLiteral("rgb(139, 58, 15)"));
}

TEST_F(PlayerControlTest, ABookWithEmojiAndRawTabsLoadsShowsAndIsLogged) {
    // As the service writes it: four-byte characters and a raw tab inside the strings.
    ServeBook(1, "{\"title\":\"이모지 😀\",\"vocabularies\":[[\"😀 smile\",\"웃는 얼굴 😀\",\"a\tb\","
                 "4000000001,0],[\"𝄞\",\"음자리표\",\"\",2,0],0]}");
    ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    ASSERT_EQ(engine->LoadBook(1), 0);
    engine->WaitForWorkers(); // the first learning-log exchange gives the service's date
    panel->InitPlugins(engine->Info());
    engine->ShowCard(0);
    EXPECT_EQ(engine->Title(), QString::fromUtf8("이모지 😀"));
    EXPECT_EQ(ShownName(), QString::fromUtf8("😀 smile"));
    EXPECT_EQ(Dom(QStringLiteral("document.querySelector('#view .mean').innerHTML")),
              QString::fromUtf8("웃는 얼굴 😀"));
    EXPECT_EQ(Dom(QStringLiteral("document.querySelector('#view .example').innerHTML")),
              QStringLiteral("a\tb"));
    QTest::qWait(500); // a look at it, once the page has painted
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/artifacts");
    QDir().mkpath(dir);
    EXPECT_TRUE(panel->grab().save(dir + QStringLiteral("/player_panel_emoji.png")));

    // The card shown is reported with its id in unsigned decimal.
    engine->OnTimer(PlayerTimer::LogTimer);
    engine->WaitForWorkers();
    std::vector<int64_t> logged;
    for (const auto& [date, ids] : service.LearningLog("demo"))
        logged.insert(logged.end(), ids.begin(), ids.end());
    EXPECT_EQ(logged, std::vector<int64_t>{4000000001});
}

TEST_F(PlayerControlTest, AUrlPronunciationAnswerWithALineBreakPlays) {
    const std::string base = service.BaseUrl().toStdString();
    const std::string speech = base + "/application/plugin/speech/apple";
    ServeBook(2, R"({"title":"T","sound_plugin":{"url":")" + base +
                     R"(/application/plugin/picture_url/%id%?word=%name%","type":"url","file_type":"wav"},)"
                     R"("vocabularies":[["apple","사과","",1,0],0]})");
    DevService::Fault answer;
    answer.path = "/application/plugin/picture_url/*";
    answer.body = speech + "\r\n";
    ASSERT_TRUE(service.SetFault(answer));
    Open(2);
    panel->OnCommand(PlayerControl::IDC_PLAY);
    PronounceNow();
    ASSERT_FALSE(player->urls.empty()) << "nothing was handed to the player";
    panel->OnCommand(PlayerControl::IDC_PLAY);
    // The engine keeps the answer as it came; the player gets the address and accepts it.
    EXPECT_EQ(engine->CurrentSoundUrl(), QString::fromStdString(speech + "\r\n"));
    EXPECT_EQ(player->urls.back(), QString::fromStdString(speech));
    EXPECT_EQ(player->Source(), QString::fromStdString(speech));
}

TEST_F(PlayerControlTest, CommandsDuringALoadDoNothing) {
    Open(1);
    ASSERT_FALSE(engine->IsPlaying());
    DevService::Fault slow;
    slow.path = "/application/book/3";
    slow.delayMs = 3000;
    ASSERT_TRUE(service.SetFault(slow));
    panel->ShowLoadMessage(QStringLiteral("데이터를 불러오는 중"));
    engine->StartLoad(3);
    EXPECT_FALSE(panel->Button(PlayerControl::IDC_PLAY)->isEnabled());
    view->setFocus();
    QTest::keyClick(KeyTarget(), Qt::Key_Space);
    panel->OnCommand(PlayerControl::IDC_PLAY);
    QTest::keyClick(KeyTarget(), Qt::Key_Right);
    ASSERT_TRUE(engine->IsLoading()) << "the load ended before the commands were given";
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    EXPECT_EQ(panel->Counter()->Position(), 1);

    Settle();
    ASSERT_FALSE(engine->IsLoading());
    EXPECT_EQ(engine->BookId(), 3u);
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    // Once the book is there, Space plays it; during the next load it may still pause, not start again.
    EXPECT_TRUE(panel->Button(PlayerControl::IDC_PLAY)->isEnabled());
    QTest::keyClick(KeyTarget(), Qt::Key_Space);
    EXPECT_TRUE(engine->IsPlaying());
    engine->StartLoad(3);
    EXPECT_TRUE(panel->Button(PlayerControl::IDC_PLAY)->isEnabled());
    QTest::keyClick(KeyTarget(), Qt::Key_Space);
    QTest::keyClick(KeyTarget(), Qt::Key_Space);
    ASSERT_TRUE(engine->IsLoading());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(engine->IsTimerActive(PlayerTimer::CountdownTimer));
    engine->CancelAndWaitForLoad();
}

TEST_F(PlayerControlTest, TheCardIsCentredAgainAfterAResize) {
    Open(1);
    const QString centred =
        QStringLiteral("(function(){var h=document.viewport.getHeight(),v=$('view');"
                       "return h+':'+(parseFloat($('content').style.top)===(h-v.offsetHeight)/2);})()");
    for (int cy : {520, 300, 330}) {
        panel->resize(400, cy);
        EXPECT_TRUE(WaitUntil([&] { return Dom(centred) == QStringLiteral("%1:true").arg(cy - 92); }))
            << cy << " " << Dom(centred).toStdString();
    }
}

TEST_F(PlayerControlTest, LayoutFollowsTheWidth) {
    for (int cx : {339, 600}) {
        const int cy = 330;
        panel->resize(cx, cy);
        const int h = PlayerControl::BarOffset(cx);
        EXPECT_EQ(h, cx == 339 ? 0 : 130);
        EXPECT_EQ(view->geometry(), QRect(10, 40, cx - 20, cy - 92));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_MENU)->geometry(), QRect(cx - 150, 7, 54, 24));
        EXPECT_EQ(panel->Counter()->geometry(), QRect(cx - 90, 2, 80, 30));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_PREV)->geometry(), QRect(h - 6, cy - 37, 24, 25));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_PLAY)->geometry(), QRect(h + 18, cy - 49, 44, 49));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_NEXT)->geometry(), QRect(h + 62, cy - 37, 24, 25));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_ORDER)->geometry(), QRect(h + 97, cy - 37, 58, 25));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_NAME)->geometry(), QRect(h + 164, cy - 37, 37, 25));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_MEAN)->geometry(), QRect(h + 201, cy - 37, 37, 25));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_EXAMPLE)->geometry(), QRect(h + 238, cy - 37, 37, 25));
        EXPECT_EQ(panel->Button(PlayerControl::IDC_MEMORISED)->geometry(), QRect(h + 287, cy - 37, 54, 25));
    }
    // An odd excess truncates toward zero, also below the narrowest width.
    EXPECT_EQ(PlayerControl::BarOffset(340), 0);
    EXPECT_EQ(PlayerControl::BarOffset(336), -1);
}

TEST(PlayerControlKeys, MapOnlyUnmodifiedMainRowKeys) {
    using P = PlayerControl;
    EXPECT_EQ(P::CommandForKey(Qt::Key_Left, Qt::NoModifier), P::ID_KEY_PREV);
    EXPECT_EQ(P::CommandForKey(Qt::Key_Right, Qt::KeypadModifier), P::ID_KEY_NEXT);
    EXPECT_EQ(P::CommandForKey(Qt::Key_Enter, Qt::KeypadModifier), P::ID_KEY_ENTER);
    EXPECT_EQ(P::CommandForKey(Qt::Key_4, Qt::NoModifier), P::ID_KEY_MEAN_EXAMPLE);
    EXPECT_EQ(P::CommandForKey(Qt::Key_0, Qt::KeypadModifier), 0);
    EXPECT_EQ(P::CommandForKey(Qt::Key_1, Qt::ControlModifier), 0);
    EXPECT_EQ(P::CommandForKey(Qt::Key_Space, Qt::ShiftModifier), 0);
    EXPECT_EQ(P::CommandForKey(Qt::Key_5, Qt::NoModifier), 0);
}

TEST(PlayerControlNoPlayer, PanelWithoutMediaPlayerHasNoControlsAndIsNotBound) {
    ServiceClient client(QStringLiteral("http://127.0.0.1:9"));
    PlayerTimer engine(client);
    auto* view = new HtmlView();
    PlayerControl panel(engine, *view, nullptr);
    panel.resize(400, 330);
    panel.show();
    EXPECT_FALSE(panel.HasControls());
    EXPECT_EQ(panel.Button(PlayerControl::IDC_PLAY), nullptr);
    EXPECT_EQ(panel.Counter(), nullptr);
    EXPECT_EQ(view->parentWidget(), &panel);
    // Keys and commands meet no button and do no harm.
    QTest::keyClick(&panel, Qt::Key_Space);
    panel.UpdateButtons(engine.CurrentState());
    EXPECT_FALSE(engine.IsPlaying());
}

TEST(MediaPlayerTest, AcceptsOnlyPlayableUrls) {
    EXPECT_TRUE(MediaPlayer::IsPlayableUrl(QStringLiteral("http://127.0.0.1:8470/sound/1.wav")));
    EXPECT_TRUE(MediaPlayer::IsPlayableUrl(QStringLiteral("https://example.org/a.mp3")));
    // Sound URLs come from the network: local files are never played.
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QStringLiteral("file:///tmp/a.wav")));
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QStringLiteral("file://localhost/dev/tty")));
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QString()));
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QStringLiteral("app:sound")));
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QStringLiteral("javascript:alert(1)")));
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QStringLiteral("http:///nohost")));
    EXPECT_FALSE(MediaPlayer::IsPlayableUrl(QStringLiteral("ftp://host/a.wav")));
}

TEST(MediaPlayerTest, RealPlayerPlaysAWavFromTheServiceAndReplacesIt) {
    auto player = MediaPlayer::Create();
    ASSERT_NE(player, nullptr);
    DevService service;
    ASSERT_TRUE(service.IsRunning()) << service.Error();
    ServiceClient client(service.BaseUrl());
    client.OpenSession();
    ASSERT_EQ(client.Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    PlayerTimer engine(client);
    ASSERT_EQ(engine.LoadBook(2), 0);
    const Book& book = engine.LoadedBook();
    ASSERT_TRUE(book.has_sound);
    QString url = book.sound.url;
    url.replace(QStringLiteral("%id%"), QStringLiteral("1"));
    url.replace(QStringLiteral("%name%"), QStringLiteral("apple"));
    url.replace(QStringLiteral("%name_l%"), QStringLiteral("apple"));

    player->Play(url);
    EXPECT_EQ(player->Source(), url);
    // Playing needs a sound device; without one the player must simply stay quiet.
    WaitUntil([&] { return !player->IsActive(); }, 5000);
    player->Play(QStringLiteral("ftp://nowhere/x.wav"));
    EXPECT_EQ(player->Source(), url);
    player->Play(QStringLiteral("file:///etc/passwd"));
    EXPECT_EQ(player->Source(), url);
    player->Play(url);
    player->Play(url);
    EXPECT_EQ(player->Source(), url);

    // Cards changed faster than their sounds open: each new sound waits for the one opening, and the
    // last one given is the one that plays in the end.
    QString other = url;
    other.replace(QStringLiteral("apple"), QStringLiteral("pear"));
    for (int i = 0; i < 6; ++i) {
        player->Play(i % 2 == 0 ? other : url);
        QCoreApplication::processEvents();
    }
    player->Play(other);
    EXPECT_EQ(player->Source(), other);
    EXPECT_TRUE(WaitUntil([&] { return player->BackendSource() == other; }, 10000));
}

} // namespace
