#include "ListControls.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QListWidget>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace kvq {

namespace {

constexpr int kRowHeight = 16;

// Rows are 16 pixels high, or as high as the list's view where the style's frame leaves
// more room, so that exactly one item is in view and no part of the next one. The selected
// row is drawn in the highlight of an active window: the styles' faint fill for a list
// without focus, or in a window in the background, is easily taken for no selection.
class OneRowDelegate : public QStyledItemDelegate {
public:
    explicit OneRowDelegate(QListWidget* list) : QStyledItemDelegate(list), list_(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(kRowHeight, list_->viewport()->height()));
        return size;
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shown = option;
        if (option.state.testFlag(QStyle::State_Selected)) {
            painter->fillRect(option.rect,
                              option.palette.brush(QPalette::Active, QPalette::Highlight));
            shown.state.setFlag(QStyle::State_Selected, false);
            shown.palette.setBrush(
                QPalette::Text, option.palette.brush(QPalette::Active, QPalette::HighlightedText));
        }
        QStyledItemDelegate::paint(painter, shown, index);
    }

private:
    QListWidget* list_;
};

}  // namespace

void MakeOneRowList(QListWidget* list) {
    list->setItemDelegate(new OneRowDelegate(list));
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // The row in view is the selected item: scrolling selects, selecting scrolls. The wheel
    // scrolls a page at most, that is one item.
    QObject::connect(list->verticalScrollBar(), &QScrollBar::valueChanged, list, [list](int top) {
        if (top != list->currentRow() && top < list->count()) {
            list->setCurrentRow(top);
        }
    });
    QObject::connect(list, &QListWidget::currentRowChanged, list, [list](int row) {
        if (QListWidgetItem* item = list->item(row)) {
            list->scrollToItem(item, QAbstractItemView::PositionAtTop);
        }
    });
    // A Ctrl+click would leave the list without a selected item. A screen reader selects
    // through the selection alone, beside the current item: the item it selected becomes the
    // current one, which clears the others and brings it into view.
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list] {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (selected.isEmpty() && list->currentItem() != nullptr) {
            list->currentItem()->setSelected(true);
        }
        for (QListWidgetItem* item : selected) {
            if (item != list->currentItem()) {
                list->setCurrentItem(item);
                return;
            }
        }
    });
}

void SelectRow(QListWidget* list, int row) {
    list->setCurrentRow(row);
    if (QListWidgetItem* item = list->item(row)) {
        list->scrollToItem(item, QAbstractItemView::PositionAtTop);
    }
}

int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.constFirst());
}

QButtonGroup* IndexRadioGroup(QGroupBox* box) {
    auto* group = new QButtonGroup(box);
    int index = 0;
    for (QRadioButton* radio : box->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        group->addButton(radio, index++);
    }
    return group;
}

}  // namespace kvq
