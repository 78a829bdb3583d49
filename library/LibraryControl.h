#pragma once

#include <QPixmap>
#include <QWidget>

#include <cstdint>

class CSkinButton;
class PlayerTimer;
class QTableWidget;
class ServiceClient;

// The book list panel: the titles of the user's books in a one-column list, with a back button that
// returns to the player and a load button that asks the main window to open the selected book.
class LibraryControl : public QWidget {
    Q_OBJECT
  public:
    enum ControlId : int { IDC_BACK = 1014, IDC_BOOK_LIST = 1016, IDC_LOAD = 1017 };
    // Item data role of a row: the book id.
    static constexpr int kBookIdRole = Qt::UserRole;

    LibraryControl(ServiceClient& client, PlayerTimer& engine, QWidget* parent = nullptr);
    ~LibraryControl() override;

    // Fills the list from the service; false (after the message, with the engine emptied and sign-in
    // requested) when the service could not be reached.
    bool LoadBookList();
    // Asks the main window to open the selected book, once a running load has ended; nothing without
    // a selection.
    void Load();
    // Back to the player panel, loading nothing.
    void Back();

    QTableWidget* List() const { return list_; }
    CSkinButton* BackButton() const { return back_; }
    CSkinButton* LoadButton() const { return load_; }
    // The id of row `row` (the list's item data).
    int32_t BookId(int row) const;

  Q_SIGNALS:
    // The main view is to show the player panel again.
    void playerRequested();
    // The service could not be reached: the main view is to show the sign-in panel.
    void signInRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Layout(int cx, int cy);
    // Enter and Escape are swallowed, so that neither does anything inside the panel.
    static bool SwallowKey(QEvent* event);

    ServiceClient& client_;
    PlayerTimer& engine_;
    QPixmap backNormal_, backPressed_, backHover_;
    QPixmap loadNormal_, loadPressed_, loadHover_;
    QTableWidget* list_ = nullptr;
    CSkinButton* back_ = nullptr;
    CSkinButton* load_ = nullptr;
};
