#pragma once

class QAction;
class QMenuBar;

namespace kvq {

// Puts `menu` (an item of `bar`) and the items after it at the right edge of the menu bar,
// as a right-justified menu of the platform would stand. They stay items of the same bar, so
// Left and Right move through all menus, and the bar takes the keyboard focus when Alt is
// pressed and released alone.
void MoveToRightEdge(QMenuBar* bar, QAction* menu);

}  // namespace kvq
