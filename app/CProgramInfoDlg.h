#pragma once

#include <QColor>
#include <QDialog>
#include <QPixmap>
#include <QPoint>
#include <QSize>

#include <optional>

class QPlainTextEdit;
class QPushButton;

// The program information window: captionless and white with a grey outline, the header picture 518 in
// its top-left corner, the program's notice in a read-only scrolling field and the button "확인" (also
// Enter). Dragging its background moves it.
class CProgramInfoDlg : public QDialog {
    Q_OBJECT
  public:
    // The notice field shows at most this many characters.
    static constexpr int kNoticeLimit = 999;
    static constexpr QPoint kHeaderPlace{10, 10};
    static constexpr QSize kHeaderSize{240, 66};
    static inline const QColor kOutline{150, 150, 149};

    explicit CProgramInfoDlg(QWidget* parent = nullptr);
    ~CProgramInfoDlg() override;

    // Puts text into the notice field, cut to kNoticeLimit characters.
    void SetNotice(const QString& text);

    QPlainTextEdit* Notice() const { return notice_; }
    QPushButton* OkButton() const { return ok_; }
    const QPixmap& Header() const { return header_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QPixmap header_;
    QPlainTextEdit* notice_;
    QPushButton* ok_;
    // While the window follows the mouse itself: the pointer's offset from the window's corner.
    std::optional<QPoint> dragOffset_;
};
