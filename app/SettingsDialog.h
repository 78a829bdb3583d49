#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// The modal dialog "환경설정" with the program's four options: start at login, always on top, the
// interval between cards in seconds and automatic playback after a book has loaded. It is filled from
// the constructor's values; after it was accepted the accessors give what the user chose, with the
// interval clamped to 1 ... 3600. Cancel and Escape leave the values as they were given.
class SettingsDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kMinDelay = 1;
    static constexpr int kMaxDelay = 3600;
    static constexpr int kDelayDigits = 4;

    SettingsDialog(bool startWithPC, bool alwaysOnTop, bool autoPlay, int delay, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    bool StartWithPC() const { return startWithPC_; }
    bool AlwaysOnTop() const { return alwaysOnTop_; }
    bool AutoPlay() const { return autoPlay_; }
    int Delay() const { return delay_; }

    // The interval as OK reads the field: a number, 1 for 0, an empty field or anything else, at most
    // 3600.
    static int ClampDelay(const QString& text);

    // The controls.
    QCheckBox* StartWithPCBox() const { return startWithPCBox_; }
    QCheckBox* AlwaysOnTopBox() const { return alwaysOnTopBox_; }
    QCheckBox* AutoPlayBox() const { return autoPlayBox_; }
    QLineEdit* DelayEdit() const { return delayEdit_; }
    QWidget* Spin() const { return spin_; }
    QToolButton* SpinUp() const { return spinUp_; }
    QToolButton* SpinDown() const { return spinDown_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  public Q_SLOTS:
    // OK: takes the check boxes and the clamped interval, then closes with Accepted.
    void accept() override;

  protected:
    // The Up and Down keys in the interval field step the spin.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void StepSpin(int steps);

    bool startWithPC_;
    bool alwaysOnTop_;
    bool autoPlay_;
    int delay_;

    QCheckBox* startWithPCBox_;
    QCheckBox* alwaysOnTopBox_;
    QLineEdit* delayEdit_;
    QWidget* spin_;
    QToolButton* spinUp_;
    QToolButton* spinDown_;
    QCheckBox* autoPlayBox_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
