#pragma once

#include <QPixmap>
#include <QWidget>

#include "library/BookList.h"

#include <cstdint>
#include <vector>

class CSkinButton;
class QTableWidget;

// The book list panel: the titles of the user's books in a one-column list, with a back button that
// returns to the player and a load button that asks for the selected book. The flows' controller
// fetches the list and hands it over.
class LibraryControl : public QWidget {
    Q_OBJECT
  public:
    enum ControlId : int { IDC_BACK = 1014, IDC_BOOK_LIST = 1016, IDC_LOAD = 1017 };
    // Item data role of a row: the book id.
    static constexpr int kBookIdRole = Qt::UserRole;

    explicit LibraryControl(QWidget* parent = nullptr);
    ~LibraryControl() override;

    // Shows these books, in this order.
    void SetBooks(const std::vector<BookList::Entry>& books);
    // While the list is being fetched, or a running load waited for, the buttons and the list rest.
    void SetWaiting(bool waiting);
    // Asks for the selected book; nothing without a selection.
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
    // The user chose this book.
    void bookChosen(int32_t bookId);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Layout(int cx, int cy);
    // Enter and Escape are swallowed, so that neither does anything inside the panel.
    static bool SwallowKey(QEvent* event);

    QPixmap backNormal_, backPressed_, backHover_;
    QPixmap loadNormal_, loadPressed_, loadHover_;
    QTableWidget* list_ = nullptr;
    CSkinButton* back_ = nullptr;
    CSkinButton* load_ = nullptr;
};
