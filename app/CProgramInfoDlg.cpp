#include "app/CProgramInfoDlg.h"

#include "app/DialogUnits.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

CProgramInfoDlg::CProgramInfoDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint),
      header_(Artwork::Bitmap(Res::IDB_INFO_HEADER)), notice_(new QPlainTextEdit(this)),
      ok_(new QPushButton(QStringLiteral("확인"), this)) {
    setWindowTitle(StringTable::Load(Res::IDR_MAINFRAME));
    setFont(DialogUnits::DialogFont());
    const DialogUnits du(font());
    setFixedSize(du.Size(321, 170));
    // paintEvent covers every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);

    notice_->setGeometry(du.Rect(6, 50, 306, 86));
    notice_->setReadOnly(true);
    // Read-only, yet the keyboard still moves through the text and scrolls it.
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    notice_->setFocusPolicy(Qt::StrongFocus);
    notice_->setTabChangesFocus(true);
    notice_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notice_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetNotice(StringTable::Load(Res::IDS_PROGRAM_NOTICE));

    ok_->setGeometry(du.Rect(263, 143, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

CProgramInfoDlg::~CProgramInfoDlg() = default;

void CProgramInfoDlg::SetNotice(const QString& text) {
    QString shown = text.left(kNoticeLimit);
    // Never half a surrogate pair at the cut.
    if (!shown.isEmpty() && shown.back().isHighSurrogate() && text.size() > shown.size())
        shown.chop(1);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    notice_->setPlainText(shown);
}

void CProgramInfoDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(kOutline, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!header_.isNull())
        painter.drawPixmap(QRect(kHeaderPlace, kHeaderSize), header_);
}

void CProgramInfoDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    // The windowing system moves the window where it can; elsewhere (no window manager) it follows
    // the mouse by itself.
    QWindow* window = windowHandle();
    if (window == nullptr || !window->startSystemMove())
        dragOffset_ = event->globalPosition().toPoint() - pos();
    event->accept();
}

void CProgramInfoDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragOffset_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *dragOffset_);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CProgramInfoDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragOffset_) {
        dragOffset_.reset();
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}
