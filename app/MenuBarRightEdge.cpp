#include "MenuBarRightEdge.h"

#include <QAction>
#include <QMenuBar>
#include <QProxyStyle>

namespace kvq {

namespace {

// QMenuBar puts the items after a separator at its right edge in styles that draw menu bar
// separators; this style says it does. It also gives the bar the keyboard on a lone Alt,
// as the bars of Windows do.
class RightEdgeMenuBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_DrawMenuBarSeparator || hint == SH_MenuBar_AltKeyNavigation) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void MoveToRightEdge(QMenuBar* bar, QAction* menu) {
    auto* style = new RightEdgeMenuBarStyle;
    style->setParent(bar);
    bar->setStyle(style);
    bar->insertSeparator(menu);
}

}  // namespace kvq
