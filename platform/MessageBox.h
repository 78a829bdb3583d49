#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// Every message box of the program goes through here, so that tests can answer them without a window.
// The title is always the application's name.
class MessageBox {
  public:
    enum Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum Icon { NoIcon, Information, Exclamation, Error, Question };
    // The button pressed, numbered as the platform numbers them (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7).
    enum Answer { AnswerOk = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

    using Handler = std::function<Answer(QWidget* parent, const QString& text, Buttons buttons, Icon icon)>;

    // Shows the box modally and returns the button pressed (closing it counts as Cancel, or as No
    // when there is no Cancel, or as OK when OK is the only button).
    static Answer Show(QWidget* parent, const QString& text, Buttons buttons = Ok, Icon icon = NoIcon);

    // Replaces the boxes by `handler` (tests); an empty handler brings the real boxes back.
    static void SetHandler(Handler handler);

    // The box Show would open, not yet shown.
    static std::unique_ptr<QMessageBox> Build(QWidget* parent, const QString& text, Buttons buttons,
                                              Icon icon);
};
