#include "widgets/CLoadingBox.h"

#include "widgets/CPictureEx.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

std::atomic<bool> CLoadingBox::shown_{false};

CLoadingBox::CLoadingBox(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), owner_(owner),
      picture_(new CPictureEx(this)), text_(new QLabel(this)) {
    setModal(true);
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_->resize(32, 32);
    text_->setFont(QFont(QStringLiteral("Gulim"), 9));
    text_->setAttribute(Qt::WA_TranslucentBackground);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text_->resize(kWidth - 42 - 5, text_->sizeHint().height());
    Layout();
}

CLoadingBox::~CLoadingBox() = default;

void CLoadingBox::SetText(const QString& text) {
    text_->setText(text);
}

QString CLoadingBox::Text() const {
    return text_->text();
}

void CLoadingBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised_) {
        initialised_ = true;
        // Without its picture the box still shows its text.
        picture_->LoadFromResource(kPictureId, QStringLiteral("GIF"));
        Layout();
    }
    PlaceOverOwner();
    shown_ = true;
    Q_EMIT Shown();
}

void CLoadingBox::hideEvent(QHideEvent* event) {
    // Nobody sees the animation now; the next paint resumes it.
    picture_->Stop();
    QDialog::hideEvent(event);
}

void CLoadingBox::PlaceOverOwner() {
    QRect area;
    if (owner_ != nullptr) {
        const QWidget* window = owner_->window();
        area = window->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    move(area.left() + (area.width() - kWidth) / 2, area.top() + (area.height() - kHeight) / 2);
}

void CLoadingBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Layout();
}

void CLoadingBox::Layout() {
    const int cy = height();
    picture_->move(5, (cy - picture_->height()) / 2);
    text_->move(42, (cy - text_->height()) / 2);
}

void CLoadingBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(150, 150, 149));
    painter.fillRect(rect().adjusted(1, 1, -1, -1), Qt::white);
    picture_->Draw();
}
