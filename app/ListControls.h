#pragma once

class QButtonGroup;
class QGroupBox;
class QListWidget;

namespace kvq {

// The settings lists are list boxes one row high: one item in view (rows of at least 16
// pixels), and that item is the selected one. The arrows of the scroll bar, the wheel and the
// arrow keys select the neighbouring item, as they step a spin box, so the port is opened with
// what the list shows. The selected row keeps its highlight without focus.
void MakeOneRowList(QListWidget* list);
// Selects `row` and brings it into view.
void SelectRow(QListWidget* list, int row);
// The selected row, -1 when none is selected.
int SelectedRow(const QListWidget* list);

// A radio group: the radio buttons of `box`, in their order, numbered from 0, so that the
// group's checked id is the selected item's index (-1 when none is selected).
QButtonGroup* IndexRadioGroup(QGroupBox* box);

}  // namespace kvq
