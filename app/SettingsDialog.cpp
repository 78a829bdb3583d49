#include "app/SettingsDialog.h"

#include "app/DialogUnits.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include <algorithm>

namespace {

QLabel* AddLabel(QWidget* parent, const QString& text, QRect place) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(place);
    return label;
}

void AddEtchedLine(QWidget* parent, const DialogUnits& du, int x, int y, int width) {
    auto* line = new QFrame(parent);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    // A dark and a light line, however small one dialog unit is.
    line->setGeometry(du.X(x), du.Y(y), du.X(width), 2);
}

QCheckBox* AddCheckBox(QWidget* parent, const QString& text, QRect place, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setGeometry(place);
    box->setChecked(checked);
    return box;
}

QToolButton* AddSpinButton(QWidget* spin, Qt::ArrowType arrow) {
    auto* button = new QToolButton(spin);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The keyboard stays in the interval field.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

SettingsDialog::SettingsDialog(bool startWithPC, bool alwaysOnTop, bool autoPlay, int delay, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      startWithPC_(startWithPC), alwaysOnTop_(alwaysOnTop), autoPlay_(autoPlay), delay_(delay) {
    setWindowTitle(QStringLiteral("환경설정"));
    setFont(DialogUnits::DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(285, 165));

    // Created in the order of the keyboard focus.
    AddLabel(this, QStringLiteral("일반"), du.Rect(18, 11, 17, 8));
    AddEtchedLine(this, du, 49, 14, 219);
    startWithPCBox_ =
        AddCheckBox(this, QStringLiteral("     PC 시작시 자동실행"), du.Rect(37, 28, 95, 10), startWithPC);
    alwaysOnTopBox_ =
        AddCheckBox(this, QStringLiteral("     항상 위에 보이기"), du.Rect(37, 46, 86, 10), alwaysOnTop);
    AddLabel(this, QStringLiteral("플레이어"), du.Rect(19, 75, 33, 8));
    AddEtchedLine(this, du, 73, 78, 195);
    AddLabel(this, QStringLiteral("재생간격"), du.Rect(37, 98, 33, 8));

    // The given interval is shown brought into 1 ... 3600: the four-character limit would cut a longer
    // stored number (12345 to 1234) instead of OK clamping it.
    delayEdit_ = new QLineEdit(QString::number(std::clamp(delay, kMinDelay, kMaxDelay)), this);
    delayEdit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    delayEdit_->setMaxLength(kDelayDigits);
    // Digits only, and only the ASCII ones; an empty field is allowed until OK corrects it.
    delayEdit_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), delayEdit_));
    delayEdit_->installEventFilter(this);

    // The spin sits on the field's right side, inside the field's place, as tall as the field.
    const QRect field = du.Rect(78, 94, 40, 14);
    const int spinWidth = du.X(11);
    delayEdit_->setGeometry(field.adjusted(0, 0, -spinWidth, 0));
    spin_ = new QWidget(this);
    spin_->setGeometry(field.right() + 1 - spinWidth, field.top(), spinWidth, field.height());
    spinUp_ = AddSpinButton(spin_, Qt::UpArrow);
    spinDown_ = AddSpinButton(spin_, Qt::DownArrow);
    const int upHeight = field.height() / 2;
    spinUp_->setGeometry(0, 0, spinWidth, upHeight);
    spinDown_->setGeometry(0, upHeight, spinWidth, field.height() - upHeight);
    connect(spinUp_, &QToolButton::clicked, this, [this] { StepSpin(1); });
    connect(spinDown_, &QToolButton::clicked, this, [this] { StepSpin(-1); });

    AddLabel(this, QStringLiteral("초"), du.Rect(124, 97, 9, 8));
    autoPlayBox_ =
        AddCheckBox(this, QStringLiteral("     시작시 자동재생"), du.Rect(37, 117, 84, 10), autoPlay);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(du.Rect(175, 144, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &SettingsDialog::accept);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setGeometry(du.Rect(228, 144, 50, 14));
    connect(cancel_, &QPushButton::clicked, this, &SettingsDialog::reject);
}

SettingsDialog::~SettingsDialog() = default;

int SettingsDialog::ClampDelay(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    // Every value below 1 counts as 1, not only 0: a negative interval must never reach the engine.
    return ok ? std::clamp(value, kMinDelay, kMaxDelay) : kMinDelay;
}

void SettingsDialog::accept() {
    startWithPC_ = startWithPCBox_->isChecked();
    alwaysOnTop_ = alwaysOnTopBox_->isChecked();
    autoPlay_ = autoPlayBox_->isChecked();
    delay_ = ClampDelay(delayEdit_->text());
    QDialog::accept();
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == delayEdit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            StepSpin(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::StepSpin(int steps) {
    // The field counts as it does for OK (empty is 0). Inside the range a step wraps around at the
    // ends; a value outside it is brought to the nearest end.
    bool ok = false;
    int value = delayEdit_->text().toInt(&ok);
    if (!ok)
        value = 0;
    int next = value + steps;
    if (value < kMinDelay || value > kMaxDelay)
        next = std::clamp(next, kMinDelay, kMaxDelay);
    else if (next > kMaxDelay)
        next = kMinDelay;
    else if (next < kMinDelay)
        next = kMaxDelay;
    // Plain digits, no group separators.
    delayEdit_->setText(QString::number(next));
}
