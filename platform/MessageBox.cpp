#include "platform/MessageBox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

#include <mutex>
#include <utility>

namespace {

std::mutex& handlerMutex() {
    static std::mutex m;
    return m;
}

MessageBox::Handler& handler() {
    static MessageBox::Handler h;
    return h;
}

} // namespace

void MessageBox::SetHandler(Handler h) {
    std::lock_guard lock(handlerMutex());
    handler() = std::move(h);
}

std::unique_ptr<QMessageBox> MessageBox::Build(QWidget* parent, const QString& text, Buttons buttons,
                                               Icon icon) {
    auto box = std::make_unique<QMessageBox>(parent);
    // The application object takes its name from the program's string table.
    box->setWindowTitle(QCoreApplication::applicationName());
    box->setText(text);
    switch (icon) {
    case Information:
        box->setIcon(QMessageBox::Information);
        break;
    case Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    case Error:
        box->setIcon(QMessageBox::Critical);
        break;
    case Question:
        box->setIcon(QMessageBox::Question);
        break;
    case NoIcon:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (buttons) {
    case Ok:
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        break;
    case OkCancel:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    case YesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
        break;
    case YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    }
    // The program speaks Korean only, its buttons too.
    const std::pair<QMessageBox::StandardButton, const char*> labels[] = {{QMessageBox::Ok, "확인"},
                                                                          {QMessageBox::Cancel, "취소"},
                                                                          {QMessageBox::Yes, "예"},
                                                                          {QMessageBox::No, "아니요"}};
    for (const auto& [button, label] : labels)
        if (QAbstractButton* b = box->button(button))
            b->setText(QString::fromUtf8(label));
    return box;
}

MessageBox::Answer MessageBox::Show(QWidget* parent, const QString& text, Buttons buttons, Icon icon) {
    Handler h;
    {
        std::lock_guard lock(handlerMutex());
        h = handler();
    }
    if (h)
        return h(parent, text, buttons, icon);

    const auto box = Build(parent, text, buttons, icon);
    box->exec();
    switch (box->standardButton(box->clickedButton())) {
    case QMessageBox::Ok:
        return AnswerOk;
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    default:
        return buttons == Ok ? AnswerOk : buttons == YesNo ? AnswerNo : AnswerCancel;
    }
}
