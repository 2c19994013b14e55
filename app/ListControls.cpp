#include "ListControls.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <algorithm>

namespace kvq {

namespace {

constexpr int kRowHeight = 16;

// Rows are 16 pixels high, or as high as the list's view where the style's frame leaves
// more room, so that exactly one item is in view and no part of the next one.
class OneRowHeight : public QStyledItemDelegate {
public:
    explicit OneRowHeight(QListWidget* list) : QStyledItemDelegate(list), list_(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(kRowHeight, list_->viewport()->height()));
        return size;
    }

private:
    QListWidget* list_;
};

}  // namespace

void MakeOneRowList(QListWidget* list) {
    list->setItemDelegate(new OneRowHeight(list));
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
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
