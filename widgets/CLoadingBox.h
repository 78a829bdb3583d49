#pragma once

#include <QDialog>

#include <atomic>

class CPictureEx;
class QLabel;

// The small borderless wait box: the turning picture 541 and a line of text, 220 x 50, centred over
// its owner and kept on top. It stands modally over the window while a worker does the slow part; the
// user cannot close it, only the code that waits for the worker does (done with 1).
class CLoadingBox : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 220;
    static constexpr int kHeight = 50;
    static constexpr int kPictureId = 541;

    explicit CLoadingBox(QWidget* owner);
    ~CLoadingBox() override;

    // The text beside the picture.
    void SetText(const QString& text);
    QString Text() const;
    CPictureEx* Picture() const { return picture_; }

    // The process-wide flag raised when a box has placed itself on screen. Whoever waits for the box
    // lowers it again.
    static bool IsShown() { return shown_; }
    static void ClearShown() { shown_ = false; }

  Q_SIGNALS:
    // The box has placed itself and raised the shown flag.
    void Shown();

  public Q_SLOTS:
    // The user cannot dismiss the box (Escape, closing the window).
    void reject() override {}

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceOverOwner();
    void Layout();

    QWidget* owner_;
    CPictureEx* picture_;
    QLabel* text_;
    bool initialised_ = false;
    static std::atomic<bool> shown_;
};
