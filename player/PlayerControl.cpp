#include "player/PlayerControl.h"

#include "engine/PlayerTimer.h"
#include "platform/MessageBox.h"
#include "player/HtmlView.h"
#include "player/MediaPlayer.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "widgets/CSkinButton.h"
#include "widgets/PositionControl.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QPainter>

using namespace Res;

namespace {
const QColor kBackground(237, 237, 236);
const QColor kFrame(190, 190, 190);

const char* const kToggleFunctions[3] = {"toggleName", "toggleMean", "toggleExample"};
// What the order button's looks say of each mode, for assistive technology.
const char16_t* const kOrderLabels[3] = {u"순서", u"가나다", u"무작위"};

QString Flag(bool on) {
    return on ? QStringLiteral("T") : QStringLiteral("F");
}

// Rectangle from (left, top) to (right, bottom), right and bottom excluded, drawn with a one-pixel pen.
void DrawBox(QPainter& painter, int left, int top, int right, int bottom) {
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}
} // namespace

PlayerControl::PlayerControl(PlayerTimer& engine, HtmlView& view, std::unique_ptr<MediaPlayer> player,
                             QWidget* parent)
    : QWidget(parent), engine_(engine), view_(view), player_(std::move(player)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    view_.setParent(this);
    view_.move(10, 40);
    WatchKeys(&view_);
    if (player_ == nullptr)
        return;
    CreateControls();
}

PlayerControl::~PlayerControl() = default;

PlayerControl::Looks PlayerControl::LoadLooks(int normal, int pressed, int hover, int disabled) {
    Looks looks;
    looks.normal = Artwork::Bitmap(normal);
    looks.pressed = Artwork::Bitmap(pressed);
    looks.hover = Artwork::Bitmap(hover);
    if (disabled != 0)
        looks.disabled = Artwork::Bitmap(disabled);
    return looks;
}

void PlayerControl::Apply(CSkinButton* button, const Looks& looks) {
    button->SetBitmaps(looks.normal, looks.pressed, looks.hover, looks.disabled);
}

void PlayerControl::CreateControls() {
    menuLooks_ = LoadLooks(IDB_MENU_NORMAL, IDB_MENU_PRESSED, IDB_MENU_HOVER);
    prevLooks_ = LoadLooks(IDB_PREV_NORMAL, IDB_PREV_PRESSED, IDB_PREV_HOVER, IDB_PREV_DISABLED);
    playLooks_ = LoadLooks(IDB_PLAY_NORMAL, IDB_PLAY_PRESSED, IDB_PLAY_HOVER, IDB_PLAY_DISABLED);
    pauseLooks_ = LoadLooks(IDB_PAUSE_NORMAL, IDB_PAUSE_PRESSED, IDB_PAUSE_HOVER, IDB_PLAY_DISABLED);
    nextLooks_ = LoadLooks(IDB_NEXT_NORMAL, IDB_NEXT_PRESSED, IDB_NEXT_HOVER, IDB_NEXT_DISABLED);
    orderLooks_[0] = LoadLooks(IDB_ORDER0_NORMAL, IDB_ORDER0_PRESSED, IDB_ORDER0_HOVER);
    orderLooks_[1] = LoadLooks(IDB_ORDER1_NORMAL, IDB_ORDER1_PRESSED, IDB_ORDER1_HOVER);
    orderLooks_[2] = LoadLooks(IDB_ORDER2_NORMAL, IDB_ORDER2_PRESSED, IDB_ORDER2_HOVER);
    toggleLooks_[0] = {
        LoadLooks(IDB_HEADWORD_HIDDEN_NORMAL, IDB_HEADWORD_HIDDEN_PRESSED, IDB_HEADWORD_HIDDEN_HOVER),
        LoadLooks(IDB_HEADWORD_SHOWN_NORMAL, IDB_HEADWORD_SHOWN_PRESSED, IDB_HEADWORD_SHOWN_HOVER)};
    toggleLooks_[1] = {
        LoadLooks(IDB_MEANING_HIDDEN_NORMAL, IDB_MEANING_HIDDEN_PRESSED, IDB_MEANING_HIDDEN_HOVER),
        LoadLooks(IDB_MEANING_SHOWN_NORMAL, IDB_MEANING_SHOWN_PRESSED, IDB_MEANING_SHOWN_HOVER)};
    toggleLooks_[2] = {
        LoadLooks(IDB_EXAMPLE_HIDDEN_NORMAL, IDB_EXAMPLE_HIDDEN_PRESSED, IDB_EXAMPLE_HIDDEN_HOVER),
        LoadLooks(IDB_EXAMPLE_SHOWN_NORMAL, IDB_EXAMPLE_SHOWN_PRESSED, IDB_EXAMPLE_SHOWN_HOVER)};
    memorisedLooks_ =
        LoadLooks(IDB_MEMORISED_NORMAL, IDB_MEMORISED_PRESSED, IDB_MEMORISED_HOVER, IDB_MEMORISED_DISABLED);

    // Made in the order of the keyboard focus: the menu, then the bar from left to right (the card
    // page, whose widget the browser engine makes later, comes after them).
    auto makeButton = [this](int id, const Looks& looks) {
        auto* button = new CSkinButton(this, id);
        Apply(button, looks);
        // Tab reaches every button; a click does not focus the button (the panel takes the focus, and its
        // keys keep working).
        button->setFocusPolicy(Qt::TabFocus);
        // The panel's keys keep their commands while a button has the focus (Space plays, it does not
        // click the button); only Enter presses the button.
        button->installEventFilter(this);
        connect(button, &CSkinButton::Command, this, &PlayerControl::OnCommand);
        return button;
    };
    menu_ = makeButton(IDC_MENU, menuLooks_);
    counter_ = new PositionControl(this);
    counter_->resize(80, 30);
    prev_ = makeButton(IDC_PREV, prevLooks_);
    play_ = makeButton(IDC_PLAY, playLooks_);
    next_ = makeButton(IDC_NEXT, nextLooks_);
    order_ = makeButton(IDC_ORDER, orderLooks_[0]);
    toggles_[0] = makeButton(IDC_NAME, toggleLooks_[0][1]);
    toggles_[1] = makeButton(IDC_MEAN, toggleLooks_[1][1]);
    toggles_[2] = makeButton(IDC_EXAMPLE, toggleLooks_[2][1]);
    memorised_ = makeButton(IDC_MEMORISED, memorisedLooks_);
    prev_->SetRepeat(true);
    next_->SetRepeat(true);
    // Assistive technology hears the toggles and the play button as checked or not.
    for (int part = 0; part < 3; ++part) {
        toggles_[part]->setCheckable(true);
        toggles_[part]->setChecked(shown_[part]);
    }
    play_->setCheckable(true);
    order_->setAccessibleDescription(QString::fromUtf16(kOrderLabels[0]));

    controlBar_ = Artwork::Bitmap(IDB_CONTROL_BAR);
    separator_ = Artwork::Bitmap(IDB_SEPARATOR);

    for (CSkinButton* button : {prev_, play_, next_, memorised_})
        button->setEnabled(false);
    ConnectEngine();

    prev_->setToolTip(QStringLiteral("이전 단어"));
    play_->setToolTip(QStringLiteral("학습 시작/일시정지"));
    next_->setToolTip(QStringLiteral("다음 단어"));
    order_->setToolTip(QStringLiteral("재생 순서"));
    toggles_[0]->setToolTip(QStringLiteral("어휘 보이기/끄기"));
    toggles_[1]->setToolTip(QStringLiteral("의미 보이기/끄기"));
    toggles_[2]->setToolTip(QStringLiteral("예제 보이기/끄기"));
    memorised_->setToolTip(QStringLiteral("암기완료"));
    // The menu button has no tool tip; its (never drawn) text names it for assistive technology.
    menu_->setText(QStringLiteral("메뉴"));

    Layout(width(), height());
}

CSkinButton* PlayerControl::Button(int id) const {
    switch (id) {
    case IDC_MENU:
        return menu_;
    case IDC_PREV:
        return prev_;
    case IDC_PLAY:
        return play_;
    case IDC_NEXT:
        return next_;
    case IDC_ORDER:
        return order_;
    case IDC_NAME:
        return toggles_[0];
    case IDC_MEAN:
        return toggles_[1];
    case IDC_EXAMPLE:
        return toggles_[2];
    case IDC_MEMORISED:
        return memorised_;
    default:
        return nullptr;
    }
}

void PlayerControl::ConnectEngine() {
    connect(&engine_, &PlayerTimer::cardShown, this, &PlayerControl::ShowCard);
    connect(&engine_, &PlayerTimer::messageShown, this, &PlayerControl::ShowNoCards);
    connect(&engine_, &PlayerTimer::imageReady, this, &PlayerControl::ShowImage);
    connect(&engine_, &PlayerTimer::soundReady, this, &PlayerControl::PlaySound);
    connect(&engine_, &PlayerTimer::stateChanged, this, &PlayerControl::UpdateButtons);
    connect(&view_, &HtmlView::soundRequested, &engine_, &PlayerTimer::RequestSound);
    UpdateButtons(engine_.CurrentState());
}

void PlayerControl::ShowCard(int position, int total, const QString& name, const QString& mean,
                             const QString& example) {
    SetCounter(position + 1, total);
    ShowVocabulary(name, mean, example);
}

void PlayerControl::ShowNoCards(const QString& text) {
    SetCounter(0, 0);
    ShowMessage(text);
}

void PlayerControl::ShowImage(const QString& url) {
    view_.CallScript(QStringLiteral("showImage"), {url});
}

void PlayerControl::PlaySound(const QString& url) {
    // A "url" plug-in's answer comes as it was sent, often with a line break after the address.
    const QString address = url.trimmed();
    if (!address.isEmpty() && player_ != nullptr)
        player_->Play(address);
}

void PlayerControl::SetCounter(int position, int total) {
    if (counter_ == nullptr)
        return;
    counter_->SetPosition(position, total);
    counter_->repaint();
}

void PlayerControl::ShowVocabulary(const QString& name, const QString& mean, const QString& example) {
    view_.CallScript(QStringLiteral("setVocabulary"), {name, mean, example});
    view_.CallScript(QStringLiteral("update"));
}

void PlayerControl::ShowMessage(const QString& text) {
    view_.CallScript(QStringLiteral("showMessage"), {text});
}

void PlayerControl::ShowLoadMessage(const QString& text) {
    view_.CallScript(QStringLiteral("showLoadMessage"), {text});
}

void PlayerControl::InitPlugins(const PlayerTimer::BookInfo& book) {
    QStringList args{Flag(book.has_sound), Flag(book.has_image), Flag(book.has_style)};
    if (book.has_style)
        args << book.style;
    view_.CallScript(QStringLiteral("initPlugins"), args);
    title_ = book.title;
    if (state_.loaded)
        setAccessibleName(title_);
    update();
}

int PlayerControl::CommandForKey(int key, Qt::KeyboardModifiers modifiers) {
    // X11 reports arrows and the keypad's Enter with the keypad flag; digits must come from the main
    // row, and no other modifier may be held.
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return 0;
    switch (key) {
    case Qt::Key_Left:
        return ID_KEY_PREV;
    case Qt::Key_Right:
        return ID_KEY_NEXT;
    case Qt::Key_Up:
        return ID_KEY_UP;
    case Qt::Key_Down:
        return ID_KEY_DOWN;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return ID_KEY_ENTER;
    default:
        break;
    }
    if (keypad)
        return 0;
    switch (key) {
    case Qt::Key_Space:
        return ID_KEY_PLAY;
    case Qt::Key_0:
        return ID_KEY_MEMORISED;
    case Qt::Key_1:
        return ID_KEY_NAME;
    case Qt::Key_2:
        return ID_KEY_MEAN;
    case Qt::Key_3:
        return ID_KEY_EXAMPLE;
    case Qt::Key_4:
        return ID_KEY_MEAN_EXAMPLE;
    default:
        return 0;
    }
}

void PlayerControl::OnCommand(int id) {
    switch (id) {
    case IDC_MENU:
        Q_EMIT menuRequested(mapToGlobal(QPoint(width() - 96, 30)));
        return;
    case IDC_PREV:
    case ID_KEY_PREV:
        // Without a book the buttons are disabled; their keys do nothing either.
        if (EngineReady())
            engine_.Prev();
        break;
    case IDC_NEXT:
    case ID_KEY_NEXT:
        if (EngineReady())
            engine_.Next();
        break;
    case IDC_PLAY:
    case ID_KEY_PLAY:
        // Stopping is always safe; starting is gated like the other commands, as a countdown started
        // during a load could run on into the next book.
        if (engine_.IsPlaying())
            engine_.StopPlaying();
        else if (EngineReady())
            engine_.StartPlaying();
        break;
    case IDC_ORDER:
        if (EngineReady())
            engine_.SetOrder((engine_.OrderMode() + 1) % 3);
        break;
    case IDC_NAME:
    case ID_KEY_NAME:
        Toggle(0);
        break;
    case IDC_MEAN:
    case ID_KEY_MEAN:
        Toggle(1);
        break;
    case IDC_EXAMPLE:
    case ID_KEY_EXAMPLE:
        Toggle(2);
        break;
    case ID_KEY_MEAN_EXAMPLE:
        OnCommand(IDC_MEAN);
        OnCommand(IDC_EXAMPLE);
        break;
    case IDC_MEMORISED:
    case ID_KEY_MEMORISED:
        if (EngineReady())
            engine_.CompleteCurrent();
        break;
    default:
        // Enter, Up and Down are taken from the page and do nothing.
        break;
    }
}

bool PlayerControl::EngineReady() const {
    // Not only while no book is loaded: during the whole load, the loading message up, the book may be
    // replaced at any moment. Loads start on this thread, so none can begin before the command is done.
    return engine_.IsLoaded() && !engine_.IsLoading();
}

void PlayerControl::Toggle(int part) {
    if (!engine_.IsLoaded()) {
        MessageBox::Show(this, QStringLiteral("단어장 선택하는걸 잊으셨군요 :)"));
        return;
    }
    shown_[part] = !shown_[part];
    view_.CallScript(QLatin1String(kToggleFunctions[part]), {Flag(shown_[part])});
    if (CSkinButton* button = toggles_[part]) {
        Apply(button, toggleLooks_[part][shown_[part] ? 1 : 0]);
        button->setChecked(shown_[part]);
        button->repaint();
    }
}

void PlayerControl::ShowPlayLook(bool playing) {
    if (play_ == nullptr || playing == playLookPlaying_)
        return;
    playLookPlaying_ = playing;
    Apply(play_, playing ? pauseLooks_ : playLooks_);
    play_->repaint();
}

void PlayerControl::ShowOrderLook(int mode) {
    if (order_ == nullptr || mode < 0 || mode > 2 || mode == orderLookMode_)
        return;
    orderLookMode_ = mode;
    Apply(order_, orderLooks_[static_cast<size_t>(mode)]);
    order_->setAccessibleDescription(QString::fromUtf16(kOrderLabels[mode]));
    order_->repaint();
}

void PlayerControl::UpdateButtons(const PlayerTimer::State& state) {
    if (state.loaded != state_.loaded) {
        update(); // the title comes or goes
        // The title is painted: assistive technology reads it as the panel's name.
        setAccessibleName(state.loaded ? title_ : QString());
    }
    state_ = state;
    if (!HasControls())
        return;
    const bool ready = state.loaded && !state.loading;
    // Playing, the play button stays usable to pause, also during a load.
    prev_->setEnabled(ready);
    play_->setEnabled(ready || state.playing);
    next_->setEnabled(ready);
    memorised_->setEnabled(ready && state.current_open);
    if (ready || state.playing)
        ShowPlayLook(state.playing);
    play_->setChecked(state.playing);
    ShowOrderLook(state.order);
}

void PlayerControl::WatchKeys(QObject* object) {
    object->installEventFilter(this);
    for (QObject* child : object->children())
        if (child->isWidgetType())
            WatchKeys(child);
}

bool PlayerControl::HandleKey(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        return true;
    const int command = CommandForKey(event->key(), event->modifiers());
    if (command == 0)
        return false;
    OnCommand(command);
    return true;
}

bool PlayerControl::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded: {
        // The browser engine creates the widget that takes its keys (the focus proxy) later.
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            WatchKeys(child);
        break;
    }
    case QEvent::ShortcutOverride: {
        // Claim the key so that it arrives as a key press, which is handled below.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape || CommandForKey(key->key(), key->modifiers()) != 0) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Enter goes to what has the focus: a button presses, the page follows its focused link (its
        // pronunciation and font size buttons). Reaching the panel itself, it does nothing.
        if (CommandForKey(key->key(), key->modifiers()) == ID_KEY_ENTER)
            break;
        if (HandleKey(key))
            return true;
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerControl::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event))
        QWidget::keyPressEvent(event);
}

void PlayerControl::Layout(int cx, int cy) {
    const bool hold = isVisible();
    if (hold)
        setUpdatesEnabled(false);
    view_.resize(cx - 20, cy - 92);
    view_.CallScript(QStringLiteral("updateView"));
    if (hold)
        setUpdatesEnabled(true);
    if (!HasControls())
        return;
    const int h = BarOffset(cx);
    menu_->setGeometry(cx - 150, 7, 54, 24);
    counter_->setGeometry(cx - 90, 2, 80, 30);
    prev_->setGeometry(h - 6, cy - 37, 24, 25);
    play_->setGeometry(h + 18, cy - 49, 44, 49);
    next_->setGeometry(h + 62, cy - 37, 24, 25);
    order_->setGeometry(h + 97, cy - 37, 58, 25);
    toggles_[0]->setGeometry(h + 164, cy - 37, 37, 25);
    toggles_[1]->setGeometry(h + 201, cy - 37, 37, 25);
    toggles_[2]->setGeometry(h + 238, cy - 37, 37, 25);
    memorised_->setGeometry(h + 287, cy - 37, 54, 25);
}

void PlayerControl::resizeEvent(QResizeEvent*) {
    Layout(width(), height());
}

void PlayerControl::paintEvent(QPaintEvent*) {
    const int cx = width();
    const int cy = height();
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);

    painter.setPen(kFrame);
    painter.setBrush(Qt::white);
    DrawBox(painter, 9, 39, cx - 9, cy - 51);
    DrawBox(painter, 10, 7, cx - 156, 31);

    if (state_.loaded) {
        QFont font(QStringLiteral("Gulim"));
        font.setPointSize(9);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(QPoint(17, 8), QPoint(cx - 165 - 1, 30 - 1)),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title_);
    }

    if (!controlBar_.isNull())
        painter.drawPixmap((cx - 369) / 2, cy - 41, controlBar_);
    if (!separator_.isNull()) {
        const int h = BarOffset(cx);
        for (int x : {h + 91, h + 158, h + 278})
            painter.drawPixmap(x, cy - 34, separator_);
    }
}
