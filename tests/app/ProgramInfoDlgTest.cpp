#include "app/CProgramInfoDlg.h"

#include "app/DialogUnits.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint global) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, widget->mapFromGlobal(QPointF(global)), QPointF(global), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Types each character as a key press carrying that text (QTest's key clicks know ASCII only).
void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

TEST(ProgramInfoDlg, NoticeIsReadOnlyScrollsAndShowsAtMost999Characters) {
    CProgramInfoDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QPlainTextEdit* notice = dialog.Notice();

    const QString text = StringTable::Load(Res::IDS_PROGRAM_NOTICE);
    EXPECT_GT(text.size(), 400);
    EXPECT_LE(text.size(), CProgramInfoDlg::kNoticeLimit);
    EXPECT_TRUE(text.contains(QStringLiteral("렉시카르타")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n\r\n")));
    EXPECT_EQ(notice->toPlainText(), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // Keys neither change the text nor close the window, but they do scroll it.
    notice->setFocus();
    Type(notice, QStringLiteral("abc 가"));
    QTest::keyClick(notice, Qt::Key_Delete);
    QTest::keyClick(notice, Qt::Key_Backspace);
    EXPECT_EQ(notice->toPlainText().size(), QString(text).remove(QLatin1Char('\r')).size());
    EXPECT_TRUE(notice->isReadOnly());
    QScrollBar* bar = notice->verticalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 0);
    QTest::keyClick(notice, Qt::Key_End, Qt::ControlModifier);
    const int atEnd = bar->value();
    EXPECT_GT(atEnd, 0);
    QTest::keyClick(notice, Qt::Key_PageUp);
    EXPECT_LT(bar->value(), atEnd);
    EXPECT_TRUE(dialog.isVisible());

    dialog.SetNotice(QString(1500, QChar(u'가')));
    EXPECT_EQ(notice->toPlainText().size(), 999);
    // A cut in the middle of a surrogate pair drops its first half.
    dialog.SetNotice(QString(998, QChar(u'a')) + QString::fromUcs4(U"\U0001F600x"));
    EXPECT_EQ(notice->toPlainText(), QString(998, QChar(u'a')));
}

TEST(ProgramInfoDlg, EnterAndTheButtonClose) {
    CProgramInfoDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // Enter with the keyboard in the notice field: the default button closes the window.
    dialog.Notice()->setFocus();
    QTest::keyClick(dialog.Notice(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    QTimer::singleShot(0, &dialog, [&] { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("확인"));
}

TEST(ProgramInfoDlg, CaptionlessWhiteWindowWithOutlineAndHeader) {
    CProgramInfoDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    const DialogUnits du(dialog.font());
    EXPECT_EQ(dialog.size(), QSize(du.X(321), du.Y(170)));
    EXPECT_EQ(dialog.Notice()->geometry(), du.Rect(6, 50, 306, 86));
    EXPECT_EQ(dialog.OkButton()->geometry(), du.Rect(263, 143, 50, 14));
    // The header ends above the notice field.
    EXPECT_LT(10 + 66, dialog.Notice()->y());

    const QImage image = dialog.grab().toImage();
    const int w = image.width(), h = image.height();
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1), QPoint(w / 2, h - 1)})
        EXPECT_EQ(image.pixelColor(corner), CProgramInfoDlg::kOutline);
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(w - 5, 20), QColor(Qt::white));
    ASSERT_FALSE(dialog.Header().isNull());
    // The header as it looks on the white background.
    QImage header(240, 66, QImage::Format_RGB32);
    header.fill(Qt::white);
    QPainter(&header).drawPixmap(0, 0, dialog.Header());
    for (const QPoint at : {QPoint(0, 0), QPoint(120, 33), QPoint(239, 65)})
        EXPECT_EQ(image.pixelColor(at + QPoint(10, 10)), header.pixelColor(at));

    const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        EXPECT_TRUE(image.save(shots + QStringLiteral("/program-info.png")));
        dialog.Notice()->verticalScrollBar()->setValue(dialog.Notice()->verticalScrollBar()->maximum());
        EXPECT_TRUE(dialog.grab().save(shots + QStringLiteral("/program-info-end.png")));
    }
}

TEST(ProgramInfoDlg, DraggingTheBackgroundMovesTheWindow) {
    CProgramInfoDlg dialog;
    dialog.move(200, 150);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const QPoint grip = dialog.mapToGlobal(QPoint(dialog.width() - 40, 20));

    SendMouse(&dialog, QEvent::MouseButtonPress, grip);
    SendMouse(&dialog, QEvent::MouseMove, grip + QPoint(15, 5));
    SendMouse(&dialog, QEvent::MouseMove, grip + QPoint(40, 25));
    EXPECT_EQ(dialog.pos(), start + QPoint(40, 25));
    SendMouse(&dialog, QEvent::MouseButtonRelease, grip + QPoint(40, 25));
    QApplication::processEvents();
    EXPECT_EQ(dialog.pos(), start + QPoint(40, 25));

    // Once released, the mouse no longer carries it.
    QMouseEvent hover(QEvent::MouseMove, QPointF(5, 5), QPointF(grip + QPoint(90, 90)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &hover);
    EXPECT_EQ(dialog.pos(), start + QPoint(40, 25));
}

} // namespace
