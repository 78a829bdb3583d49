#include "app/SettingsDialog.h"

#include "app/DialogUnits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <tuple>
#include <utility>
#include <vector>

namespace {

// Types each character as a key press carrying that text (QTest's key clicks know ASCII only).
void Type(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

// Types text into the interval field, replacing what it holds, and presses Enter there.
void EnterInterval(SettingsDialog& dialog, const QString& text) {
    QLineEdit* edit = dialog.DelayEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

TEST(SettingsDialog, ShowsTheGivenValuesAndOkReadsTheControls) {
    SettingsDialog dialog(true, false, true, 25);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("환경설정"));
    EXPECT_TRUE(dialog.StartWithPCBox()->isChecked());
    EXPECT_FALSE(dialog.AlwaysOnTopBox()->isChecked());
    EXPECT_TRUE(dialog.AutoPlayBox()->isChecked());
    EXPECT_EQ(dialog.DelayEdit()->text(), QStringLiteral("25"));
    EXPECT_EQ(dialog.StartWithPCBox()->text(), QStringLiteral("     PC 시작시 자동실행"));
    EXPECT_TRUE(dialog.OkButton()->isDefault());

    // The modal run: the user flips every box, and OK returns Accepted with what the boxes show.
    QTimer::singleShot(0, &dialog, [&] {
        QTest::mouseClick(dialog.StartWithPCBox(), Qt::LeftButton);
        dialog.AlwaysOnTopBox()->click();
        QTest::keyClick(dialog.AutoPlayBox(), Qt::Key_Space);
        dialog.OkButton()->click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_FALSE(dialog.StartWithPC());
    EXPECT_TRUE(dialog.AlwaysOnTop());
    EXPECT_FALSE(dialog.AutoPlay());
    EXPECT_EQ(dialog.Delay(), 25);
}

TEST(SettingsDialog, IntervalFieldTakesFourDigitsAndOkClampsIt) {
    const std::vector<std::pair<QString, int>> cases = {
        {"0", 1},       {"", 1},        {"9999", 3600}, {"3601", 3600},
        {"3600", 3600}, {"1000", 1000}, {"1", 1},       {"0042", 42},
    };
    for (const auto& [typed, stored] : cases) {
        SettingsDialog dialog(false, false, false, 5);
        dialog.show();
        EnterInterval(dialog, typed); // Enter in the field presses the default button
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << typed.toStdString();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.Delay(), stored) << typed.toStdString();
    }

    SettingsDialog dialog(false, false, false, 5);
    dialog.show();
    QLineEdit* edit = dialog.DelayEdit();
    EXPECT_TRUE(edit->alignment() & Qt::AlignRight);
    edit->setFocus();
    edit->clear();
    Type(edit, QStringLiteral("1a-2 .3٤45６7"));
    EXPECT_EQ(edit->text(), QStringLiteral("1234")); // ASCII digits only, at most four
    // A stored interval outside the range is shown brought into it, not cut to four digits.
    for (const auto& [given, shown] :
         std::vector<std::pair<int, QString>>{{-7, "1"}, {0, "1"}, {12345, "3600"}}) {
        SettingsDialog stored(false, false, false, given);
        EXPECT_EQ(stored.DelayEdit()->text(), shown) << given;
        stored.accept();
        EXPECT_EQ(stored.Delay(), shown.toInt()) << given;
    }
}

TEST(SettingsDialog, SpinWrapsAtBothEndsAndWritesPlainDigits) {
    SettingsDialog dialog(false, false, false, 3600);
    dialog.show();
    QLineEdit* edit = dialog.DelayEdit();
    // Attached to the field's right side, as tall as the field.
    EXPECT_EQ(dialog.Spin()->x(), edit->geometry().right() + 1);
    EXPECT_EQ(dialog.Spin()->y(), edit->y());
    EXPECT_EQ(dialog.Spin()->height(), edit->height());

    auto click = [](QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); };
    click(dialog.SpinUp());
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    click(dialog.SpinDown());
    EXPECT_EQ(edit->text(), QStringLiteral("3600"));
    click(dialog.SpinDown());
    EXPECT_EQ(edit->text(), QStringLiteral("3599"));

    // The arrow keys in the field step it; no group separators at 1000 and above.
    edit->setFocus();
    edit->setText(QStringLiteral("999"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), QStringLiteral("1000"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), QStringLiteral("1001"));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), QStringLiteral("999"));
    edit->setText(QStringLiteral("1"));
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), QStringLiteral("3600"));

    // Outside the range (or empty) a step lands on the nearest end.
    for (const auto& [from, up, down] : std::vector<std::tuple<QString, QString, QString>>{
             {"", "1", "1"}, {"0", "1", "1"}, {"9999", "3600", "3600"}}) {
        edit->setText(from);
        click(dialog.SpinUp());
        EXPECT_EQ(edit->text(), up) << from.toStdString();
        edit->setText(from);
        click(dialog.SpinDown());
        EXPECT_EQ(edit->text(), down) << from.toStdString();
    }

    edit->setText(QStringLiteral("1500"));
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.Delay(), 1500);
}

TEST(SettingsDialog, CancelAndEscapeKeepTheGivenValues) {
    for (const bool escape : {false, true}) {
        SettingsDialog dialog(true, true, false, 42);
        dialog.show();
        dialog.StartWithPCBox()->setChecked(false);
        dialog.AlwaysOnTopBox()->setChecked(false);
        dialog.AutoPlayBox()->setChecked(true);
        dialog.DelayEdit()->setText(QStringLiteral("7"));
        if (escape)
            QTest::keyClick(dialog.DelayEdit(), Qt::Key_Escape);
        else
            QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(dialog.StartWithPC());
        EXPECT_TRUE(dialog.AlwaysOnTop());
        EXPECT_FALSE(dialog.AutoPlay());
        EXPECT_EQ(dialog.Delay(), 42);
    }
}

TEST(SettingsDialog, TemplateInDialogUnitsOfItsFontWithNothingClipped) {
    SettingsDialog dialog(true, false, true, 1000);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const DialogUnits du(dialog.font());
    EXPECT_EQ(du.BaseY(), QFontMetrics(dialog.font()).height());
    EXPECT_EQ(dialog.size(), QSize(du.X(285), du.Y(165)));
    EXPECT_EQ(dialog.OkButton()->geometry(), du.Rect(175, 144, 50, 14));
    EXPECT_EQ(dialog.CancelButton()->geometry(), du.Rect(228, 144, 50, 14));
    EXPECT_EQ(dialog.AutoPlayBox()->geometry(), du.Rect(37, 117, 84, 10));

    // Every text fits its place in the font the dialog really uses.
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        const QSize needed = label->fontMetrics().size(0, label->text());
        EXPECT_LE(needed.width(), label->width()) << label->text().toStdString();
        EXPECT_LE(needed.height(), label->height()) << label->text().toStdString();
    }
    for (const QCheckBox* box : dialog.findChildren<QCheckBox*>())
        EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
    for (const QPushButton* button : {dialog.OkButton(), dialog.CancelButton()})
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width());

    const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        EXPECT_TRUE(dialog.grab().save(shots + QStringLiteral("/settings-dialog.png")));
    }
}

} // namespace
