// The titles the window manager reads (xprop on the X server), with the application object's names as
// the program sets them: each window carries exactly its own title, nothing appended.
#include "app/CLexicartaApp.h"
#include "app/CMainFrame.h"
#include "app/CProgramInfoDlg.h"
#include "app/SettingsDialog.h"

#include "platform/MessageBox.h"
#include "service/ServiceClient.h"

#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// One property of the window as xprop prints it ("NAME(TYPE) = "text""); the text, or what xprop said.
QString Property(QWidget& window, const QString& name) {
    if (!window.isVisible()) {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QProcess xprop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(env);
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()), name});
    if (!xprop.waitForFinished(30000))
        return QStringLiteral("xprop did not finish");
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const QRegularExpression line(QRegularExpression::escape(name) +
                                  QStringLiteral(R"re(\([A-Z0-9_]+\) = "(.*)"$)re"));
    const QRegularExpressionMatch match = line.match(out);
    return match.hasMatch() ? match.captured(1) : out;
}

void ExpectTitle(QWidget& window, const QString& title) {
    EXPECT_EQ(Property(window, QStringLiteral("_NET_WM_NAME")).toStdString(), title.toStdString());
    EXPECT_EQ(Property(window, QStringLiteral("WM_NAME")).toStdString(), title.toStdString());
}

TEST(WindowTitles, EveryWindowCarriesExactlyItsOwnTitle) {
    CLexicartaApp::ApplyIdentity();
    CMainFrame frame(std::make_unique<ServiceClient>(QStringLiteral("http://127.0.0.1:9")));
    ExpectTitle(frame, QStringLiteral("렉시카르타 데스크톱"));

    const std::unique_ptr<QMessageBox> box = MessageBox::Build(
        &frame, QStringLiteral("업데이트가 실패하였습니다."), MessageBox::Ok, MessageBox::Error);
    ExpectTitle(*box, QStringLiteral("Lexicarta Desktop"));
    box->hide();

    SettingsDialog settings(false, false, true, 5, &frame);
    ExpectTitle(settings, QStringLiteral("환경설정"));
    settings.hide();

    CProgramInfoDlg info(&frame);
    ExpectTitle(info, QStringLiteral("렉시카르타 데스크톱"));
    info.hide();
    frame.Exit();
}

} // namespace
