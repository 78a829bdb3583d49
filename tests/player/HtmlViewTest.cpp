// The browser view with the real card page: script calls and their effect on the page, requests from
// the page, the page's security policy, and what the user sees.
#include "player/HtmlView.h"

#include "HtmlViewFixture.h"
#include "player/HtmlPage.h"
#include "player/PageSchemeHandler.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <string>
#include <vector>

#include <csignal>
#include <sys/types.h>

using namespace HtmlViewFixture;

namespace {

// The panel around the view: records what the view asked of it.
class StatusRecorder : public QWidget {
  public:
    std::vector<int> codes;
};

// What the panel records for each pronunciation request of the page (the view's soundRequested).
constexpr int kSoundRequest = 3;

void Pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class CardPageTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 200;

    // One page load for the whole suite: the view is a child of a panel that records what it is sent.
    static void SetUpTestSuite() {
        panel_ = new StatusRecorder;
        panel_->resize(kWidth, kHeight);
        view_ = new HtmlView(panel_);
        view_->resize(kWidth, kHeight);
        QObject::connect(view_, &HtmlView::PageReady, [] { ++pageLoads_; });
        QObject::connect(view_, &HtmlView::soundRequested, panel_,
                         [] { panel_->codes.push_back(kSoundRequest); });
        QObject::connect(static_cast<HtmlPage*>(view_->page()), &HtmlPage::ConsoleMessage,
                         [](int, const QString& message) { console_ << message; });
        QObject::connect(static_cast<HtmlPage*>(view_->page()), &HtmlPage::NavigationRefused,
                         [](const QUrl& url) { refused_ << url; });
        panel_->show();
        view_->LoadPage();
        WaitForPage(*view_);
        QApplication::processEvents();
    }
    static void TearDownTestSuite() { delete panel_; }

    // Every case starts from the state a loading message leaves: no card, no plug-ins, all parts shown.
    void SetUp() override {
        ASSERT_TRUE(view_->IsPageLoaded());
        Call("showLoadMessage", {""});
        for (const char* toggle : {"toggleName", "toggleMean", "toggleExample"})
            Call(toggle, {"T"});
        Js("0");
        panel_->codes.clear();
        console_.clear();
    }

    static void Call(const QString& function, const QStringList& args = {}) {
        view_->CallScript(function, args);
    }
    static std::string Js(const QString& js) { return Eval(*view_, js).toString().toStdString(); }
    static double Number(const QString& js) { return Eval(*view_, js).toDouble(); }
    static void ShowCard(const QString& name, const QString& mean, const QString& example) {
        Call("setVocabulary", {name, mean, example});
        Call("update");
    }
    // The classes of the children of the element on display, e.g. "name,mean".
    static std::string Parts() {
        return Js("player.current_div.childElements().map(function(e){return e.className"
                  "+(e.style.display=='none'?'(hidden)':'');}).join(',')");
    }
    // Sends "app:" requests from the page, then "app:mini" as a marker; returns the codes the panel
    // received once the marker has arrived (requests are handled in order).
    static std::vector<int> CodesAfter(const QString& script) {
        panel_->codes.clear();
        Js(script);
        Js("location.href='app:mini'");
        WaitUntil([] { return !panel_->codes.empty(); });
        Pump(100);
        std::vector<int> codes = panel_->codes;
        if (!codes.empty() && codes.back() == kSoundRequest)
            codes.pop_back();
        return codes;
    }

    static inline int pageLoads_ = 0;
    static inline StatusRecorder* panel_ = nullptr;
    static inline HtmlView* view_ = nullptr;
    static inline QStringList console_;
    static inline QList<QUrl> refused_;
};

} // namespace

TEST_F(CardPageTest, PageStructureAndFiles) {
    EXPECT_EQ(Js("document.title"), "Lexicarta 플레이어");
    EXPECT_EQ(Js("document.documentElement.lang"), "ko");
    EXPECT_EQ(Js("document.characterSet"), "UTF-8");
    EXPECT_EQ(Js("typeof Prototype.Version + ' ' + (player instanceof Player)"), "string true");
    EXPECT_EQ(Js("['wrapper','content','view'].map(function(i){return $(i).up().id;}).join(',')"),
              ",wrapper,content");
    EXPECT_EQ(Js("$$('a.button_option').map(function(a){return a.id+':'+a.title+':'+a.down('img').alt+':'"
                 "+a.down('img').getAttribute('src');}).join('|')"),
              "sound_button:음성듣기:음성듣기:GIF/538|font_big_button:글씨 크게:글씨 크게:GIF/536|"
              "font_small_button:글씨 작게:글씨 작게:GIF/537");
    EXPECT_EQ(
        Js("$$('.plugin_div').map(function(d){return d.id+':'+d.offsetWidth+'x'+d.offsetHeight;}).join(',')"),
        "LexicartaMp3PlayerDiv:0x0,LexicartaWavPlayerDiv:0x0,PreloadImageDiv:0x0");
    // The style sheet is applied: the page never scrolls, the card area does.
    EXPECT_EQ(Js("getComputedStyle(document.body).overflow + ' ' + getComputedStyle($('view')).overflowY"),
              "hidden auto");
    // Every picture of the page is served; an unknown number fails cleanly.
    Js("window.probe={};['GIF/536','GIF/537','GIF/538','GIF/542','GIF/543','GIF/999','999'].each(function(s){"
       "var i=new Image();i.onload=function(){probe[s]=i.naturalWidth+'x'+i.naturalHeight;};"
       "i.onerror=function(){probe[s]='failed';};i.src=s;})");
    ASSERT_TRUE(WaitUntil([] { return Number("Object.keys(probe).length") == 7; }));
    EXPECT_EQ(Js("['GIF/536','GIF/537','GIF/538','GIF/542','GIF/543','GIF/999','999'].map(function(s){"
                 "return probe[s];}).join(',')"),
              "16x14,16x14,20x18,64x48,24x24,failed,failed");
    // The page loaded once and said so to the main window.
    EXPECT_EQ(pageLoads_, 1);
}

TEST(PageSchemeHandlerTest, ServesPageFilesByNumberOnly) {
    QByteArray data;
    QByteArray type;
    ASSERT_TRUE(PageSchemeHandler::Lookup("312", &data, &type));
    EXPECT_EQ(type, "text/html; charset=utf-8");
    EXPECT_TRUE(data.contains("Content-Security-Policy"));
    ASSERT_TRUE(PageSchemeHandler::Lookup("315", &data, &type));
    EXPECT_TRUE(data.contains("Prototype JavaScript framework"));
    EXPECT_EQ(type, "application/javascript; charset=utf-8");
    ASSERT_TRUE(PageSchemeHandler::Lookup("322", &data, &type));
    EXPECT_TRUE(data.startsWith("\xEF\xBB\xBF"));
    ASSERT_TRUE(PageSchemeHandler::Lookup("323", &data, &type));
    EXPECT_EQ(type, "text/css; charset=utf-8");
    ASSERT_TRUE(PageSchemeHandler::Lookup("GIF/543", &data, &type));
    EXPECT_EQ(type, "image/gif");
    EXPECT_TRUE(data.startsWith("GIF89a"));
    for (const char* name :
         {"", "999", "GIF/999", "GIF/312", "../312", "312/", "312?x", "gif/536", "+312", "GIF/"})
        EXPECT_FALSE(PageSchemeHandler::Lookup(name, &data, &type)) << name;
}

TEST_F(CardPageTest, ArgumentsArriveUnchanged) {
    Js("window.got=null;window.probeCall=function(){window.got=Array.prototype.slice.call(arguments);}");
    const QStringList args{"",
                           "a\"b'c",
                           "back\\slash\\",
                           "line\nbreak\r\n\t",
                           "</script><script>window.pwned=1</script>",
                           "한국어 단어",
                           QString(QChar(0x2028)),
                           "${x}`"};
    Call("probeCall", args);
    EXPECT_EQ(Eval(*view_, "window.got").toStringList(), args);
    Call("probeCall");
    EXPECT_EQ(Number("window.got.length"), 0);
    // A function the page lacks, or a name that tries to be script, does nothing.
    Call("noSuchFunction", {"x"});
    Call("probeCall); window.pwned=(1", {"y"});
    Call("probeCall'];window.pwned=1;//", {"y"});
    EXPECT_EQ(Js("String(window.pwned) + ' ' + window.got.length"), "undefined 0");
}

TEST_F(CardPageTest, CardsAreBuiltFromTheStoredTexts) {
    Call("setVocabulary", {"사과", "apple", "An apple a day."});
    EXPECT_EQ(Js("player.current_div.className"), "loading"); // stored, nothing rendered yet
    Call("update");
    EXPECT_EQ(Parts(), "name,mean,example");
    EXPECT_EQ(Js("player.current_div.className + ' ' + $('view').childElements().length"), "vocabulary 1");
    EXPECT_EQ(Js("player.current_div.down('.name').innerHTML"), "사과");
    // Default styles: 14, 10 and 9 points, line height 1.4 times that, black.
    EXPECT_EQ(Js("$$('#view .name, #view .mean, #view .example').map(function(d){"
                 "return d.style.fontSize+'/'+d.style.lineHeight+'/'+d.style.color;}).join(' ')"),
              "14pt/19.6pt/black 10pt/14pt/black 9pt/12.6pt/black");

    // Empty texts make no part; all empty makes an empty card; a new card replaces the old one.
    ShowCard("word", "", "");
    EXPECT_EQ(Parts(), "name");
    ShowCard("", "", "");
    EXPECT_EQ(Parts(), "");
    EXPECT_EQ(Number("$('view').childElements().length"), 1);

    // Hidden parts are built hidden; toggles act on the card on display, in place.
    Call("toggleMean", {"F"});
    ShowCard("a", "b", "c");
    EXPECT_EQ(Parts(), "name,mean(hidden),example");
    Call("toggleName", {"F"});
    Call("toggleExample", {"F"});
    EXPECT_EQ(Parts(), "name(hidden),mean(hidden),example(hidden)");
    Call("toggleName", {"T"});
    Call("toggleMean", {"T"});
    EXPECT_EQ(Parts(), "name,mean,example(hidden)");

    // With the image plug-in a card starts with the picture holder and its placeholder, even when empty.
    Call("initPlugins", {"F", "T", "F"});
    ShowCard("", "", "");
    EXPECT_EQ(Parts(), "image");
    EXPECT_EQ(Js("var i=player.image_element.down('img');i.getAttribute('src')+' '+i.alt"),
              "GIF/542 이미지 로딩중...");
}

TEST_F(CardPageTest, MessageKeepsTogglesFromTheScreenUntilTheNextLoadingMessage) {
    Call("showMessage", {"학습할 단어장을 선택해 주십시오."});
    EXPECT_EQ(Js("player.current_div.className + ':' + player.current_div.innerHTML"),
              "message:학습할 단어장을 선택해 주십시오.");
    ShowCard("head", "mean", "");
    Call("toggleName", {"F"});
    EXPECT_EQ(Parts(), "name,mean"); // a card shown since the message keeps its headword
    ShowCard("next", "card", "");
    EXPECT_EQ(Parts(), "name(hidden),mean"); // the next card is built without it
    EXPECT_EQ(Js("player.message"), "학습할 단어장을 선택해 주십시오.");

    // The loading message resets the page: texts, zoom, plug-ins, message; spinner, break, message.
    Call("initPlugins", {"T", "T", "F"});
    Js("player.font_size=3");
    Call("showLoadMessage", {"데이터를 불러오는 중"});
    EXPECT_EQ(Js("[player.name,player.mean,player.example,player.font_size,player.sound_plugin,"
                 "player.image_plugin,player.style_plugin,player.message,player.image_element].join('|')"),
              "|||1|false|false|false||");
    EXPECT_EQ(Js("var d=player.current_div;d.className+':'+d.down('img').getAttribute('src')+':'"
                 "+d.childNodes[1].nodeName+':'+d.childNodes[2].nodeValue"),
              "loading:GIF/543:BR:데이터를 불러오는 중");
    ShowCard("a", "b", "");
    EXPECT_EQ(Parts(), "name(hidden),mean");
    Call("toggleName", {"T"}); // no message now: applies at once
    EXPECT_EQ(Parts(), "name,mean");
}

TEST_F(CardPageTest, StylesApplyAndClear) {
    const QString style =
        R"({"background":"#FFF8E7","name_color":"#8B3A0F","name_font":"Georgia","name_size":18,)"
        R"("name_ext":"b","mean_color":"#3D5A80","mean_size":"11","mean_bg":"#EEEEEE",)"
        R"("example_color":"#6B6B6B","example_ext":"i"})";
    Call("initPlugins", {"F", "F", "T", style});
    ShowCard("name", "mean", "example");
    const QString read =
        "[getComputedStyle(document.body).backgroundColor].concat("
        "$$('#view .name,#view .mean,#view .example').map(function(d){var s=d.style;"
        "return [s.fontFamily,s.color,s.fontSize,s.fontWeight,s.fontStyle,s.backgroundColor].join('/');"
        "})).join(' | ')";
    EXPECT_EQ(Js(read), "rgb(255, 248, 231) | Georgia/rgb(139, 58, 15)/18pt/bold// | "
                        "/rgb(61, 90, 128)/11pt///rgb(238, 238, 238) | /rgb(107, 107, 107)/9pt//italic/");

    // Keys that are missing, empty or 0 leave what was set; "ext" decides bold and italic when given.
    Call("initPlugins",
         {"F", "F", "T", R"({"name_size":0,"name_color":"","mean_ext":"ib","example_ext":"x"})"});
    ShowCard("name", "mean", "example");
    EXPECT_EQ(Js(read), "rgb(255, 248, 231) | Georgia/rgb(139, 58, 15)/18pt/bold// | "
                        "/rgb(61, 90, 128)/11pt/bold/italic/rgb(238, 238, 238) | /rgb(107, 107, 107)/9pt///");

    // Style flag without data, or with data that is not JSON: flags stored, nothing styled, no harm.
    Call("initPlugins", {"T", "T", "T"});
    EXPECT_EQ(Js("[player.sound_plugin,player.image_plugin,player.style_plugin].join()"), "true,true,true");
    Call("initPlugins", {"F", "F", "T", "{not json"});
    Call("initPlugins", {"F", "F", "T", "\"a string\""});
    ShowCard("name", "", "");
    EXPECT_EQ(Js("player.current_div.down('.name').style.fontSize"), "18pt");

    // Style off clears everything back to the defaults.
    Call("initPlugins", {"F", "F", "F"});
    ShowCard("name", "mean", "example");
    EXPECT_EQ(Js(read), "rgb(255, 255, 255) | /black/14pt/// | /black/10pt/// | /black/9pt///");
    EXPECT_EQ(Js("String(player.background)"), "null");
}

TEST_F(CardPageTest, ZoomButtonsScaleTheCardWithoutBounds) {
    ShowCard("name", "mean", "");
    Js("$('font_big_button').click()");
    EXPECT_EQ(Js("var d=$$('#view .name')[0];d.style.fontSize+'/'+d.style.lineHeight"), "16.8pt/23.52pt");
    for (int i = 0; i < 12; ++i)
        Js("$('font_small_button').click()");
    EXPECT_NEAR(Number("player.font_size"), 1.2 / std::pow(1.2, 12), 1e-9);
    EXPECT_NEAR(Number("parseFloat($$('#view .mean')[0].style.fontSize)"), 10 * 1.2 / std::pow(1.2, 12),
                1e-4);
    // A new card keeps the zoom; a loading message resets it.
    ShowCard("again", "", "");
    EXPECT_NEAR(Number("parseFloat($$('#view .name')[0].style.fontSize)"), 14 * 1.2 / std::pow(1.2, 12),
                1e-4);
    Call("showLoadMessage", {""});
    ShowCard("again", "", "");
    EXPECT_EQ(Js("$$('#view .name')[0].style.fontSize"), "14pt");
    // The anchors never navigate and never keep the focus.
    EXPECT_EQ(Js("location.protocol + (document.activeElement.id || '-')"), "res:-");
}

TEST_F(CardPageTest, PicturesFillTheHolderAndAreLimitedToThePageWidth) {
    // A card without a holder ignores pictures.
    ShowCard("no picture", "", "");
    Call("showImage", {"GIF/536"});
    EXPECT_EQ(Parts(), "name");

    QImage wide(1000, 100, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    wide.save(&buffer, "PNG");
    const QString url = "data:image/png;base64," + QString::fromLatin1(png.toBase64());

    Call("initPlugins", {"F", "T", "F"});
    ShowCard("사진", "", "");
    Call("showImage", {url});
    ASSERT_TRUE(
        WaitUntil([] { return Number("var i=player.image_element.down('img');i?i.width:0") == 210; }));
    EXPECT_EQ(Number("player.image_element.down('img').height"), 21);
    EXPECT_EQ(Number("player.image_element.down('img').naturalWidth"), 1000);
    // A small picture keeps its size; a blank URL empties the holder.
    Call("showImage", {"GIF/538"});
    ASSERT_TRUE(
        WaitUntil([] { return Js("player.image_element.down('img').getAttribute('src')") == "GIF/538"; }));
    EXPECT_EQ(Number("player.image_element.down('img').width"), 20);
    Call("showImage", {" \t "});
    EXPECT_EQ(Js("player.image_element.innerHTML"), "");
    EXPECT_EQ(Parts(), "image,name");

    // The placeholder stays until the picture has loaded; a picture asked for before a newer one, or
    // for a card that has gone, never takes the holder.
    ShowCard("다음", "", "");
    EXPECT_EQ(Js("showImage('GIF/536'); player.image_element.down('img').getAttribute('src')"), "GIF/542");
    Js("showImage('" + url + "'); showImage('GIF/538')");
    ASSERT_TRUE(
        WaitUntil([] { return Js("player.image_element.down('img').getAttribute('src')") == "GIF/538"; }));
    Js("showImage('" + url + "')");
    ShowCard("그다음", "", "");
    Call("showImage", {"GIF/537"});
    ASSERT_TRUE(
        WaitUntil([] { return Js("player.image_element.down('img').getAttribute('src')") == "GIF/537"; }));
    // By the time the same picture has loaded again, the one of the card that has gone has too.
    Js("window.probe = new Image(); probe.src = '" + url + "'");
    ASSERT_TRUE(WaitUntil([] { return Js("probe.complete ? 'y' : 'n'") == "y"; }));
    EXPECT_EQ(Js("player.image_element.getElementsByTagName('img').length + ' ' + "
                 "player.image_element.down('img').getAttribute('src')"),
              "1 GIF/537");

    // Cards that have left the screen keep nothing alive in the script framework's registry of
    // watched elements (a day of cards would otherwise keep every picture).
    const double watched = Number("Object.keys(Event.cache).length");
    for (int i = 0; i < 5; ++i) {
        ShowCard("card " + QString::number(i), "", "");
        Call("showImage", {"GIF/538"});
    }
    EXPECT_EQ(Number("Object.keys(Event.cache).length"), watched);
}

TEST_F(CardPageTest, CardIsCentredAndScrollsWhenTaller) {
    ShowCard("short", "", "");
    const double natural = Number("$('view').offsetHeight");
    EXPECT_GT(natural, 0);
    EXPECT_EQ(Number("parseFloat($('content').style.top)"), (kHeight - natural) / 2);
    EXPECT_EQ(Js("$('view').style.height + '|' + $('sound_button').style.right + '|' + "
                 "$('font_big_button').style.right"),
              "|5px|7px");

    ShowCard("tall", "line<br/>line<br/>line<br/>line<br/>line<br/>line<br/>line<br/>line",
             "line<br/>line<br/>line");
    EXPECT_EQ(Js("$('content').style.top + '|' + $('view').style.height + '|' + "
                 "$('sound_button').style.right + '|' +"
                 "$('font_big_button').style.right + '|' + $('font_small_button').style.right"),
              "0px|200px|20px|22px|22px");
    EXPECT_GT(Number("$('view').scrollHeight"), kHeight);

    // Back to a short card: the fixed height goes again.
    ShowCard("short", "", "");
    EXPECT_EQ(Js("$('view').style.height + '|' + $('font_small_button').style.right"), "|7px");
}

TEST_F(CardPageTest, OptionButtonsArePlacedBelowEachOther) {
    const QString read =
        "$$('a.button_option').map(function(a){return a.id+':'+(a.visible()?a.style.top:'hidden');})"
        ".join(' ')";
    Js("$('sound_button').style.display='none'"); // as on a fresh page
    Call("updateControls");
    EXPECT_EQ(Js(read), "sound_button:hidden font_big_button:30px font_small_button:45px");
    Call("initPlugins", {"T", "F", "F"});
    EXPECT_EQ(Js(read), "sound_button:30px font_big_button:50px font_small_button:65px");

    // The listen button asks the panel for the pronunciation ...
    EXPECT_EQ(CodesAfter("$('sound_button').click()"), std::vector<int>{kSoundRequest});
    // ... and once shown stays, doing nothing while the book has no pronunciation.
    Call("showLoadMessage", {""});
    Call("updateControls");
    EXPECT_EQ(Js(read), "sound_button:30px font_big_button:30px font_small_button:45px");
    EXPECT_TRUE(CodesAfter("$('sound_button').click()").empty());
}

TEST_F(CardPageTest, AppRequestsReachTheParentOnlyForExactCommands) {
    Js("window.marker='kept'");
    EXPECT_EQ(CodesAfter("location.href='app:sound'"), std::vector<int>{kSoundRequest});
    EXPECT_TRUE(CodesAfter("location.href='app:SOUND'").empty());
    EXPECT_TRUE(CodesAfter("location.href='APP:SOUND'").empty());
    EXPECT_TRUE(CodesAfter("location.href='app:Mini'").empty());
    EXPECT_TRUE(CodesAfter("location.href='app:sounds'").empty());
    EXPECT_TRUE(CodesAfter("location.href='app:'").empty());
    EXPECT_TRUE(CodesAfter("location.href='app:sound?x'").empty());
    EXPECT_TRUE(CodesAfter("location.href='app:/sound'").empty());
    // The marker request itself is "app:mini": one more request than the loop above counted.
    panel_->codes.clear();
    Js("location.href='app:mini'");
    ASSERT_TRUE(WaitUntil([] { return panel_->codes.size() == 1; }));
    // None of them disturbed the page or counted as a page load.
    Pump(200);
    EXPECT_EQ(Js("location.protocol + window.marker"), "res:kept");
    EXPECT_TRUE(view_->IsPageLoaded());
    EXPECT_EQ(pageLoads_, 1);
}

TEST_F(CardPageTest, MarkupInCardsRendersButRunsNothing) {
    ShowCard(R"(<img src=x onerror="location='app:sound'">)",
             R"(<b>굵게</b><br><font color="red">빨강</font><span onclick="x">s</span>)",
             R"(<script>window.pwned=1</script><a id="away" href="https://example.invalid/">link</a>)"
             R"(<a id="jslink" href="javascript:window.pwned=2">js</a><iframe src="GIF/536"></iframe>)");
    Call("showMessage",
         {R"(<svg><script>window.pwned=3</script></svg><img src=y onerror="window.pwned=4">)"});
    ShowCard(
        R"(<img src=x onerror="location='app:sound'">)", "<b>굵게</b><br><font color=\"red\">빨강</font>",
        R"(<a id="away" href="https://example.invalid/">link</a><a id="jslink" href="javascript:window.pwned=2">)"
        R"(js</a>)");
    // Markup renders.
    EXPECT_EQ(Js("var m=$$('#view .mean')[0];m.down('b').innerHTML+'|'+m.select('br').length+'|'"
                 "+getComputedStyle(m.down('font')).color"),
              "굵게|1|rgb(255, 0, 0)");
    // The broken picture's handler is refused by the page's policy and reports as such.
    ASSERT_TRUE(WaitUntil([] { return console_.join('\n').contains("Content Security Policy"); }));
    // Links go nowhere, script links run nothing.
    Js("$('away').click(); $('jslink').click()");
    EXPECT_TRUE(CodesAfter("0").empty());
    EXPECT_EQ(Js("location.protocol + String(window.pwned)"), "res:undefined");
    EXPECT_EQ(pageLoads_, 1);
}

TEST_F(CardPageTest, CardMarkupCannotTakeThePageAway) {
    Js("window.marker='kept'");
    const QString page = HtmlView::PageUrl().toString();
    const QString script = page.left(page.lastIndexOf('/')) + "/322";
    refused_.clear();
    // A refresh to one of the page's own files, one to the card page itself, links to both.
    const QString refresh = R"(<meta http-equiv="refresh" content="0;url=%1">)";
    ShowCard(refresh.arg(script), "뜻", "");
    ASSERT_TRUE(WaitUntil([&] { return refused_.contains(QUrl(script)); }));
    ShowCard(refresh.arg(page), "", "");
    ASSERT_TRUE(WaitUntil([&] { return refused_.contains(QUrl(page)); }));
    ShowCard(QString(R"(<a id="own" href="%1">own</a><a id="top" target="_top" href="%2">top</a>)")
                 .arg(script, page),
             "", "");
    Js("$('own').click(); $('top').click()");
    ASSERT_TRUE(WaitUntil([] { return refused_.size() >= 4; }));

    // The page loaded at the start is still there, and the next card shows.
    ShowCard("다음", "next", "");
    EXPECT_EQ(Js("location.href + ' ' + window.marker"), (page + " kept").toStdString());
    EXPECT_EQ(Parts(), "name,mean");
    EXPECT_EQ(Js("$$('#view .name')[0].innerText"), "다음");
    EXPECT_TRUE(view_->IsPageLoaded());
    EXPECT_EQ(pageLoads_, 1);
}

TEST_F(CardPageTest, LocalFilePicturesAreRefusedByThePagePolicy) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    QTemporaryDir dir;
    const QString file = dir.filePath("picture.png");
    ASSERT_TRUE(picture.save(file, "PNG"));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");

    Call("initPlugins", {"F", "T", "F"});
    const QString loaded = "var i=player.image_element.down('img');i&&i.getAttribute('src')!='GIF/542'?"
                           "i.getAttribute('src').substr(0,5)+' '+i.naturalWidth:''";
    for (const QString& url : {QUrl::fromLocalFile(file).toString(), "file://localhost" + file}) {
        ShowCard("파일", "", "");
        Call("showImage", {url});
        ASSERT_TRUE(WaitUntil([&] { return !Js(loaded).empty(); })) << url.toStdString();
        EXPECT_EQ(Js(loaded), "file: 0");
    }
    // The same picture from the network side of the policy shows.
    ShowCard("데이터", "", "");
    Call("showImage", {"data:image/png;base64," + QString::fromLatin1(png.toBase64())});
    ASSERT_TRUE(WaitUntil([&] { return !Js(loaded).empty(); }));
    EXPECT_EQ(Js(loaded), "data: 40");
}

TEST_F(CardPageTest, StyleAttributesInMarkupApplyStyleSheetsFromMarkupDoNot) {
    ShowCard(
        R"(<span id="red" style="color:red">빨강</span>)",
        R"(<style>#view div.mean { color: rgb(1, 2, 3) !important; }</style>뜻)",
        R"(<link rel="stylesheet" href="data:text/css,%23view%20div.example%7Bcolor:rgb(4,5,6)%7D">예문)");
    EXPECT_EQ(Js("getComputedStyle($('red')).color"), "rgb(255, 0, 0)");
    EXPECT_EQ(Js("getComputedStyle($$('#view .mean')[0]).color + '|' + "
                 "getComputedStyle($$('#view .example')[0]).color"),
              "rgb(0, 0, 0)|rgb(0, 0, 0)");
    // The refusals are the page policy's.
    ASSERT_TRUE(WaitUntil([] { return console_.join('\n').contains("style-src-elem"); }))
        << console_.join('\n').toStdString();
}

TEST_F(CardPageTest, RightClickOpensNoMenu) {
    Js("window.menus=0;document.observe('contextmenu',function(){menus++;})");
    QWidget* target = view_->focusProxy() ? view_->focusProxy() : view_;
    const QPointF at(50, 50);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    ASSERT_TRUE(WaitUntil([] { return Number("menus") == 1; }));
    Pump(300);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(CardPageTest, KoreanCardScreenshot) {
    const QString style =
        R"({"background":"#FFF8E7","name_color":"#8B3A0F","name_size":18,"name_ext":"b",)"
        R"("mean_color":"#3D5A80","mean_size":11,"example_color":"#6B6B6B","example_ext":"i"})";
    Call("initPlugins", {"T", "F", "T", style});
    ShowCard("사과", "<b>apple</b> 명사, 사과나무의 열매", "하루에 사과 한 개면<br/>의사가 필요 없다.");
    Pump(500);
    const QImage shot = view_->grab().toImage();
    const QString file = QCoreApplication::applicationDirPath() + "/html_view_korean_card.png";
    ASSERT_TRUE(shot.save(file, "PNG")) << file.toStdString();
    // Something was painted: the styled background and dark text, not a blank widget.
    int dark = 0;
    int cream = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            dark += c.lightness() < 120;
            cream += c == QColor(0xFF, 0xF8, 0xE7);
        }
    EXPECT_GT(dark, 100);
    EXPECT_GT(cream, shot.width() * shot.height() / 2);
}

// A view of its own: script calls before the page has loaded are lost, and every load of the page
// posts the ready status once.
TEST(HtmlViewLoadTest, CallsBeforeLoadAreLostAndEveryLoadIsAnnounced) {
    int loads = 0;
    HtmlView view;
    QObject::connect(&view, &HtmlView::PageReady, [&loads] { ++loads; });
    view.resize(200, 150);
    view.show();
    view.CallScript("showMessage", {"too early"});
    view.LoadPage();
    view.CallScript("showMessage", {"still loading"});
    ASSERT_TRUE(WaitForPage(view));
    EXPECT_EQ(Eval(view, "$('view').innerHTML").toString(), "");
    view.CallScript("showMessage", {"now"});
    EXPECT_EQ(Eval(view, "$('view').innerText").toString(), "now");
    QApplication::processEvents();
    EXPECT_EQ(loads, 1);

    view.LoadPage();
    EXPECT_FALSE(view.IsPageLoaded());
    ASSERT_TRUE(WaitForPage(view));
    QApplication::processEvents();
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(Eval(view, "$('view').innerHTML").toString(), "");
    // No parent: a request from the page goes nowhere, harmlessly.
    Eval(view, "location.href='app:sound'");
    Pump(100);
}

namespace {

// Kills the renderer process of the view's page and waits until the view has seen it go.
void KillRenderer(HtmlView& view) {
    const qint64 pid = view.page()->renderProcessPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    ASSERT_TRUE(WaitUntil([&] { return !view.IsPageLoaded(); }, 30000));
}

// What the page shows, in one line.
std::string Shown(HtmlView& view) {
    return Eval(view, "($('view').innerHTML ? player.current_div.childElements().map(function(e){"
                      "return e.className+(e.style.display=='none'?'(hidden)':'')+"
                      "(e.className=='image'?'='+e.down('img').getAttribute('src'):'')+"
                      "(e.className=='name'?'='+e.innerText:'');}).join(',') : 'empty') + "
                      "' sound=' + player.sound_plugin + ' bg=' + document.body.style.background")
        .toString()
        .toStdString();
}

// The renderer process of the card page dies: the page is loaded again and the card on display shown
// again, calls made meanwhile included, without announcing a new page. A renderer that keeps dying gets
// a bare page, then none until the next card.
TEST(HtmlViewRestoreTest, ADeadRendererIsFollowedByTheCardPageAndTheCardAgain) {
    StatusRecorder panel;
    panel.resize(300, 200);
    auto* view = new HtmlView(&panel);
    int ready = 0;
    QObject::connect(view, &HtmlView::PageReady, [&ready] { ++ready; });
    view->resize(300, 200);
    panel.show();
    ASSERT_TRUE(LoadAndWait(*view));
    view->CallScript("showLoadMessage", {"loading"});
    view->CallScript("initPlugins", {"T", "T", "T", R"({"background":"#FFF8E7"})"});
    view->CallScript("toggleMean", {"F"});
    view->CallScript("setVocabulary", {"사과", "apple", "an apple a day"});
    view->CallScript("update");
    view->CallScript("showImage", {"GIF/538"});
    ASSERT_TRUE(WaitUntil([&] { return Shown(*view).find("=GIF/538") != std::string::npos; }));
    EXPECT_EQ(Shown(*view), "image=GIF/538,name=사과,mean(hidden),example sound=true bg=rgb(255, 248, 231)");

    const qint64 first = view->page()->renderProcessPid();
    KillRenderer(*view);
    view->CallScript("toggleExample", {"F"}); // while the page comes back
    ASSERT_TRUE(WaitForPage(*view));
    EXPECT_NE(view->page()->renderProcessPid(), first);
    ASSERT_TRUE(WaitUntil([&] { return Shown(*view).find("=GIF/538") != std::string::npos; }));
    EXPECT_EQ(Shown(*view),
              "image=GIF/538,name=사과,mean(hidden),example(hidden) sound=true bg=rgb(255, 248, 231)");
    EXPECT_EQ(Eval(*view, "location.href").toString(), HtmlView::PageUrl().toString());

    // Dead again without a call since (the call above counts): the card again; once more: a bare
    // page; a third time: none, until the next card.
    KillRenderer(*view);
    ASSERT_TRUE(WaitForPage(*view));
    ASSERT_TRUE(WaitUntil([&] { return Shown(*view).find("=GIF/538") != std::string::npos; }));
    EXPECT_EQ(Shown(*view),
              "image=GIF/538,name=사과,mean(hidden),example(hidden) sound=true bg=rgb(255, 248, 231)");
    KillRenderer(*view);
    ASSERT_TRUE(WaitForPage(*view));
    EXPECT_EQ(Shown(*view), "empty sound=false bg=");
    KillRenderer(*view);
    Pump(1000);
    EXPECT_FALSE(view->IsPageLoaded());
    view->CallScript("setVocabulary", {"배", "pear", ""});
    view->CallScript("update");
    ASSERT_TRUE(WaitForPage(*view));
    EXPECT_EQ(Shown(*view), "image=GIF/542,name=배,mean(hidden) sound=true bg=rgb(255, 248, 231)");

    QApplication::processEvents();
    EXPECT_EQ(ready, 1);
}

} // namespace
