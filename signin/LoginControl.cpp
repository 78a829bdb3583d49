#include "signin/LoginControl.h"

#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "widgets/CSkinButton.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

const QColor kPanel(0xED, 0xED, 0xEC);
const QColor kLink(0x00, 0x66, 0xCC);

// A thin sunken border: dark above and left, light below and right.
const char* const kStaticEdge = "QLineEdit { background: white; color: black; padding: 0px 1px;"
                                " border: 1px solid; border-color: #a0a0a0 #ffffff #ffffff #a0a0a0; }";

// Rectangle from (left, top) to (right, bottom), right and bottom excluded.
QRect Span(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

bool IsEnterOrEscape(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

LoginControl::LoginControl(const QString& serviceUrl, QWidget* parent)
    : QWidget(parent), serviceUrl_(serviceUrl), labelFont_(QStringLiteral("Gulim"), 9),
      editFont_(QStringLiteral("Arial"), 10), logo_(Artwork::Bitmap(Res::IDB_SIGNIN_LOGO)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kPanel);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::Link, kLink);
    setPalette(colours);
    setFont(labelFont_);

    QLabel* userLabel = MakeLabel(QStringLiteral("아이디"), Span(0, 53, 200, 70));
    user_ = new QLineEdit(this);
    user_->setGeometry(Span(0, 70, 200, 90));
    QLabel* passwordLabel = MakeLabel(QStringLiteral("비밀번호"), Span(0, 103, 200, 120));
    password_ = new QLineEdit(this);
    password_->setGeometry(Span(0, 120, 200, 140));
    password_->setEchoMode(QLineEdit::Password);
    for (QLineEdit* edit : {user_, password_}) {
        edit->setFont(editFont_);
        edit->setStyleSheet(QString::fromLatin1(kStaticEdge));
    }
    user_->setText(SettingsStore::Get(SettingsStore::User));
    // The labels name their fields for assistive technology.
    userLabel->setBuddy(user_);
    passwordLabel->setBuddy(password_);

    autoSignIn_ = new QCheckBox(QStringLiteral("자동으로 들어가기"), this);
    autoSignIn_->setGeometry(Span(0, 150, 118, 164));
    autoSignIn_->setChecked(false);

    signIn_ = new CSkinButton(this, IDC_SIGNIN);
    signIn_->setText(QStringLiteral("Signin"));
    // Named as its picture reads.
    signIn_->setAccessibleName(QStringLiteral("로그인"));
    signIn_->move(60, 180);
    signIn_->SetBitmaps(Artwork::Bitmap(Res::IDB_SIGNIN_NORMAL), Artwork::Bitmap(Res::IDB_SIGNIN_PRESSED),
                        Artwork::Bitmap(Res::IDB_SIGNIN_HOVER));
    signIn_->setGeometry(Span(60, 180, 140, 207));
    connect(signIn_, &CSkinButton::Command, this, [this] { SignIn(); });

    register_ = MakeLink(QStringLiteral("/member/register"), QStringLiteral("렉시카르타 무료회원 가입"),
                         Span(24, 220, 176, 232));
    findId_ = MakeLink(QStringLiteral("/member/find_id_pw"), QStringLiteral("아이디/비밀번호 찾기"),
                       Span(41, 240, 159, 252));
    // Only the registration link is a tab stop.
    findId_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    findId_->setFocusPolicy(Qt::NoFocus);

    setTabOrder(user_, password_);
    setTabOrder(password_, autoSignIn_);
    setTabOrder(autoSignIn_, signIn_);
    setTabOrder(signIn_, register_);

    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

LoginControl::~LoginControl() = default;

QLabel* LoginControl::MakeLabel(const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    label->setFont(labelFont_);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel* LoginControl::MakeLink(const QString& path, const QString& text, const QRect& rect) {
    const QString url = serviceUrl_ + path;
    QLabel* link = MakeLabel(
        QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped()), rect);
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(false);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setFocusPolicy(Qt::TabFocus);
    connect(link, &QLabel::linkActivated, this, [](const QString& target) { Shell::Open(target); });
    return link;
}

void LoginControl::SignIn() {
    if (waiting_)
        return;
    const QString user = user_->text().left(kMaxText);
    const QString password = password_->text().left(kMaxText);
    password_->clear();
    Q_EMIT signInRequested(user, password, autoSignIn_->isChecked());
}

void LoginControl::SetWaiting(bool waiting) {
    waiting_ = waiting;
    signIn_->setEnabled(!waiting);
}

bool LoginControl::HasUserInput() const {
    return user_->isModified() || !password_->text().isEmpty();
}

void LoginControl::FocusUser() {
    user_->setFocus();
}

void LoginControl::FocusSignInButton() {
    signIn_->setFocus();
}

void LoginControl::StartHandOver() {
    handOver_.start(kHandOverMs, this);
}

void LoginControl::OnTimer(int id) {
    if (id != kHandOverTimer || !handOver_.isActive())
        return;
    // Stopped first, so that whatever the book's opening does meanwhile cannot make it fire twice.
    handOver_.stop();
    Q_EMIT handOverDue();
}

bool LoginControl::IsTimerActive(int id) const {
    return id == kHandOverTimer && handOver_.isActive();
}

void LoginControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == handOver_.timerId())
        OnTimer(kHandOverTimer);
    else
        QWidget::timerEvent(event);
}

bool LoginControl::HandleKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsEnterOrEscape(key->key()))
        return false;
    key->accept();
    // A shortcut of the window must not take these keys from the panel.
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    if (key->key() != Qt::Key_Escape)
        SignIn();
    return true;
}

bool LoginControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched->isWidgetType() && HandleKey(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool LoginControl::event(QEvent* event) {
    if (HandleKey(event))
        return true;
    return QWidget::event(event);
}

void LoginControl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    // The panel itself takes no input: the focus goes on to the field that wants typing.
    (user_->text().isEmpty() ? user_ : password_)->setFocus(event->reason());
}

void LoginControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kPanel);
    if (!logo_.isNull())
        painter.drawPixmap(20, 5, logo_, 0, 0, 160, 29);
}
