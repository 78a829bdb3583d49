#include "library/LibraryControl.h"

#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "widgets/CSkinButton.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QTableWidget>

using namespace Res;

namespace {

const QColor kBackground(237, 237, 236);

} // namespace

LibraryControl::LibraryControl(QWidget* parent)
    : QWidget(parent), backNormal_(Artwork::Bitmap(IDB_BACK_NORMAL)),
      backPressed_(Artwork::Bitmap(IDB_BACK_PRESSED)), backHover_(Artwork::Bitmap(IDB_BACK_HOVER)),
      loadNormal_(Artwork::Bitmap(IDB_LOAD_NORMAL)), loadPressed_(Artwork::Bitmap(IDB_LOAD_PRESSED)),
      loadHover_(Artwork::Bitmap(IDB_LOAD_HOVER)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(QFont(QStringLiteral("Gulim"), 9));

    list_ = new QTableWidget(0, 1, this);
    list_->setHorizontalHeaderItem(0, new QTableWidgetItem(QStringLiteral("TITLE")));
    list_->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignCenter);
    list_->horizontalHeader()->hide();
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTabKeyNavigation(false);
    list_->setWordWrap(false);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->verticalHeader()->setMinimumSectionSize(1);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    // The selection stays marked while the focus is elsewhere.
    QPalette colours = list_->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    list_->setPalette(colours);
    connect(list_, &QAbstractItemView::doubleClicked, this, [this] { Load(); });

    auto makeButton = [this](int id, const QPixmap& normal, const QPixmap& pressed, const QPixmap& hover) {
        auto* button = new CSkinButton(this, id);
        button->SetBitmaps(normal, pressed, hover);
        button->resize(54, 25);
        return button;
    };
    back_ = makeButton(IDC_BACK, backNormal_, backPressed_, backHover_);
    back_->setText(QStringLiteral("돌아가기"));
    back_->move(10, 5);
    load_ = makeButton(IDC_LOAD, loadNormal_, loadPressed_, loadHover_);
    load_->setText(QStringLiteral("불러오기"));
    connect(back_, &CSkinButton::Command, this, [this] { Back(); });
    connect(load_, &CSkinButton::Command, this, [this] { Load(); });

    setTabOrder(list_, back_);
    setTabOrder(back_, load_);
    setFocusProxy(list_);

    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    Layout(width(), height());
}

LibraryControl::~LibraryControl() = default;

int32_t LibraryControl::BookId(int row) const {
    const QTableWidgetItem* item = list_->item(row, 0);
    return item == nullptr ? 0 : item->data(kBookIdRole).toInt();
}

void LibraryControl::SetBooks(const std::vector<BookList::Entry>& books) {
    list_->setRowCount(0);
    list_->setRowCount(int(books.size()));
    for (size_t i = 0; i < books.size(); ++i) {
        auto* item = new QTableWidgetItem(books[i].title);
        item->setData(kBookIdRole, books[i].id);
        list_->setItem(int(i), 0, item);
    }
    list_->viewport()->update();
}

void LibraryControl::SetWaiting(bool waiting) {
    for (QWidget* control :
         {static_cast<QWidget*>(list_), static_cast<QWidget*>(back_), static_cast<QWidget*>(load_)})
        control->setEnabled(!waiting);
}

void LibraryControl::Load() {
    if (!load_->isEnabled())
        return;
    const QList<QTableWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    Q_EMIT bookChosen(selected.first()->data(kBookIdRole).toInt());
}

void LibraryControl::Back() {
    Q_EMIT playerRequested();
}

void LibraryControl::Layout(int cx, int cy) {
    load_->setGeometry(cx - 64, 5, 54, 25);
    list_->setGeometry(10, 35, cx - 20, cy - 36);
    list_->setColumnWidth(0, cx - 45);
}

void LibraryControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout(width(), height());
}

void LibraryControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
}

bool LibraryControl::SwallowKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Escape)
        return false;
    // Accepting the shortcut check as well keeps a shortcut of the window from taking these keys.
    key->accept();
    return true;
}

bool LibraryControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched->isWidgetType() && SwallowKey(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool LibraryControl::event(QEvent* event) {
    if (SwallowKey(event))
        return true;
    return QWidget::event(event);
}
