#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

// The counter in the player's top-right corner: a thin bar that fills from the first card to the last
// and, below it, "position / total".
class PositionControl : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kControlId = 110;

    explicit PositionControl(QWidget* parent = nullptr);

    // Stores both numbers and schedules a repaint (position is 1-based, 0 with an empty order).
    void SetPosition(int position, int total);
    int Position() const { return position_; }
    int Total() const { return total_; }
    // The text drawn by the last paint.
    QString Text() const { return text_; }
    // The text for the numbers stored now, "position / total" (what the next paint draws, and what
    // assistive technology reads: PositionControlAccessible).
    QString Label() const;

    // Right edge (exclusive) of the bar's fill in a widget of the given width: 1 for an empty bar (the
    // first card, a total of 0 or 1), width - 1 for a full one, in between linear in the position.
    static int BarEnd(int position, int total, int width);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QFont font_;
    int position_ = 0;
    int total_ = 0;
    QString text_;
};
