// The window as the user first sees it: geometry, texts, items, menus and the start state.

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include "About.h"
#include "InstrumentTable.h"
#include "Memo.h"
#include "WindowUnderTest.h"

using kvq::Command;

class FormTest : public QObject {
    Q_OBJECT
private slots:
    void controlGeometry_data();
    void controlGeometry();
    void windowIsFixedAndCentred();
    void texts_data();
    void texts();
    void listItems_data();
    void listItems();
    void oneItemInViewAtATime_data();
    void oneItemInViewAtATime();
    void listsStepLikeSpinBoxes_data();
    void listsStepLikeSpinBoxes();
    void selectedRowShowsWithoutFocus();
    void instrumentTypeItems();
    void menus_data();
    void menus();
    void helpMenuAtTheRightEdge();
    void menusByKeyboard_data();
    void menusByKeyboard();
    void startState();
    void memoHasBothScrollBars();
    void aboutDialogSize();
};

void FormTest::controlGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    const struct {
        const char* name;
        const char* parent;
        QRect geometry;
    } rows[] = {
        {"Panel1", "centralwidget", {0, 0, 609, 63}},
        {"Image2", "Panel1", {1, 1, 607, 61}},
        {"Label1", "Panel1", {16, 21, 265, 13}},
        {"Bevel1", "centralwidget", {0, 63, 609, 3}},
        {"PageControl1", "centralwidget", {16, 80, 201, 297}},
        {"Com", "TabSheet1", {16, 8, 161, 73}},
        {"GroupBox1", "TabSheet1", {16, 88, 161, 169}},
        {"Label2", "GroupBox1", {17, 34, 64, 20}},
        {"BauteRate", "GroupBox1", {80, 32, 73, 22}},
        {"Label3", "GroupBox1", {19, 73, 64, 20}},
        {"BitSize", "GroupBox1", {80, 71, 73, 22}},
        {"Label4", "GroupBox1", {8, 112, 76, 20}},
        {"StopBit", "GroupBox1", {80, 111, 73, 22}},
        {"Parity", "GroupBox1", {40, 136, 113, 25}},
        {"InstrType", "TabSheet2", {16, 10, 161, 247}},
        {"StaticText4", "centralwidget", {232, 80, 100, 17}},
        {"Memo", "centralwidget", {234, 100, 361, 277}},
        {"OpenCom", "centralwidget", {16, 392, 81, 25}},
        {"ReceiveData", "centralwidget", {115, 392, 81, 25}},
        {"Stop", "centralwidget", {214, 392, 81, 25}},
        {"ClearData", "centralwidget", {313, 392, 81, 25}},
        {"SaveData", "centralwidget", {412, 392, 81, 25}},
        {"BitBtn1", "centralwidget", {511, 392, 81, 25}},
    };
    for (const auto& row : rows) {
        QTest::newRow(row.name) << row.name << row.parent << row.geometry;
    }
}

void FormTest::controlGeometry() {
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    WindowUnderTest window;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    const QWidget* control = window->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
}

void FormTest::windowIsFixedAndCentred() {
    WindowUnderTest window;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    QCOMPARE(window->centralWidget()->size(), QSize(609, 435));
    const int menuHeight = window->menuBar()->height();
    QVERIFY(menuHeight > 0);
    QCOMPARE(window->size(), QSize(609, 435 + menuHeight));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    const QRect screen = window->screen()->availableGeometry();
    const QRect client = window->geometry();
    const QRect frame = window->frameGeometry();
    QVERIFY(qAbs(client.center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(client.center().y() - screen.center().y()) <=
            1 + frame.height() - client.height());
}

void FormTest::texts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const struct {
        const char* name;
        const char* text;
    } rows[] = {
        {"RS232Form", "正在通过RS232接收多功能电测仪数据..."},
        {"Label1", "数据通信程序可将KVQ数据传到计算机上"},
        {"Com", "选择通信端口"},
        {"GroupBox1", "设置传输控制参数"},
        {"Label2", "传输速率："},
        {"Label3", "数据位数："},
        {"Label4", "停止位个数："},
        {"Parity", "奇偶校验"},
        {"InstrType", "仪器类型"},
        {"StaticText4", "接收到的观测数据"},
        {"OpenCom", "打开通信口"},
        {"ReceiveData", "接收数据"},
        {"Stop", "停止传输"},
        {"ClearData", "清除数据"},
        {"SaveData", "保存数据"},
        {"BitBtn1", "&Close"},
        {"ComItem0", "COM1"},
        {"ComItem1", "COM2"},
    };
    for (const auto& row : rows) {
        QTest::newRow(row.name) << row.name << QString::fromUtf8(row.text);
    }
}

void FormTest::texts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    WindowUnderTest window;
    QObject* control =
        name == QLatin1String("RS232Form") ? &window.Window() : window->findChild<QObject*>(name);
    QVERIFY(control != nullptr);
    QString shown;
    if (auto* w = qobject_cast<QMainWindow*>(control)) {
        shown = w->windowTitle();
    } else if (auto* box = qobject_cast<QGroupBox*>(control)) {
        shown = box->title();
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        shown = label->text();
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        shown = button->text();
    }
    QCOMPARE(shown, text);

    auto* pages = window->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    QCOMPARE(pages->tabText(0), QStringLiteral("通信参数"));
    QCOMPARE(pages->tabText(1), QStringLiteral("仪器类型"));
}

void FormTest::listItems_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("selected");
    QTest::newRow("BauteRate") << "BauteRate"
                               << QStringList{"14400", "9600", "4800", "2400", "1200"} << "4800";
    QTest::newRow("BitSize") << "BitSize" << QStringList{"5", "6", "7", "8"} << "8";
    QTest::newRow("StopBit") << "StopBit" << QStringList{"1", "1.5", "2"} << "1";
}

void FormTest::listItems() {
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(QString, selected);
    WindowUnderTest window;
    QListWidget* list = window.List(name);
    QVERIFY(list != nullptr);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) {
        shown << list->item(i)->text();
    }
    QCOMPARE(shown, items);
    QCOMPARE(list->selectedItems().size(), 1);
    QCOMPARE(list->selectedItems().constFirst()->text(), selected);
}

void FormTest::oneItemInViewAtATime_data() {
    listItems_data();
}

// A one-row list box shows the selected item and no part of any other.
void FormTest::oneItemInViewAtATime() {
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    WindowUnderTest window;
    window->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    QListWidget* list = window.List(name);
    for (int shown = 0; shown < items.size(); ++shown) {
        list->setCurrentRow(shown);
        list->scrollToItem(list->item(shown));
        QCoreApplication::processEvents();
        for (int row = 0; row < items.size(); ++row) {
            const QRect rect = list->visualItemRect(list->item(row));
            const bool visible = rect.intersects(list->viewport()->rect());
            QVERIFY2(visible == (row == shown),
                     qPrintable(QStringLiteral("row %1 while %2 is shown").arg(row).arg(shown)));
        }
        QVERIFY(list->visualItemRect(list->item(shown)).height() >= 16);
    }
}

namespace {

enum class Step {
    kDownArrow,
    kUpArrow,
    kWheelTowardsUser,
    kWheelAway,
    kDownKey,
    kUpKey,
    kControlClick,
    // A screen reader selects the item above the one in view through the list's table of
    // items, as AT-SPI does.
    kReaderSelectsRowAbove
};

// The rows of a list that are in its view.
QList<int> ShownRows(const QListWidget* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->visualItemRect(list->item(row)).intersects(list->viewport()->rect())) {
            rows << row;
        }
    }
    return rows;
}

// The user steps a list as with a mouse or the keyboard, or as a screen reader does.
void StepList(QListWidget* list, Step step) {
    QScrollBar* bar = list->verticalScrollBar();
    // The arrows stand at the ends of the bar in every style.
    const QPoint downArrow(bar->width() / 2, bar->height() - 2);
    const QPoint upArrow(bar->width() / 2, 1);
    auto wheel = [list](int delta) {
        const QPoint at = list->viewport()->rect().center();
        QWheelEvent event(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &event);
    };
    switch (step) {
        case Step::kDownArrow:
            QTest::mouseClick(bar, Qt::LeftButton, {}, downArrow);
            break;
        case Step::kUpArrow:
            QTest::mouseClick(bar, Qt::LeftButton, {}, upArrow);
            break;
        case Step::kWheelTowardsUser:
            wheel(-120);
            break;
        case Step::kWheelAway:
            wheel(120);
            break;
        case Step::kDownKey:
            QTest::keyClick(list, Qt::Key_Down);
            break;
        case Step::kUpKey:
            QTest::keyClick(list, Qt::Key_Up);
            break;
        case Step::kControlClick:
            // What takes the selection from a row of a list that allows none.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              list->viewport()->rect().center());
            break;
        case Step::kReaderSelectsRowAbove:
            QAccessible::queryAccessibleInterface(list)->tableInterface()->selectRow(
                ShownRows(list).value(0) - 1);
            break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(Step)

void FormTest::listsStepLikeSpinBoxes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Step>("step");
    QTest::addColumn<QStringList>("shown");  // after each of as many steps
    const QStringList lower{"2400", "1200", "1200"};
    const QStringList higher{"9600", "14400", "14400"};
    QTest::newRow("BauteRate, the arrow down") << "BauteRate" << Step::kDownArrow << lower;
    QTest::newRow("BauteRate, the arrow up") << "BauteRate" << Step::kUpArrow << higher;
    QTest::newRow("BauteRate, the wheel towards the user")
        << "BauteRate" << Step::kWheelTowardsUser << lower;
    QTest::newRow("BauteRate, the wheel away") << "BauteRate" << Step::kWheelAway << higher;
    QTest::newRow("BauteRate, the key Down") << "BauteRate" << Step::kDownKey << lower;
    QTest::newRow("BauteRate, the key Up") << "BauteRate" << Step::kUpKey << higher;
    QTest::newRow("BitSize, the arrow up from 8")
        << "BitSize" << Step::kUpArrow << QStringList{"7", "6", "5", "5"};
    QTest::newRow("BitSize, the arrow down at the last item")
        << "BitSize" << Step::kDownArrow << QStringList{"8"};
    QTest::newRow("BitSize, the wheel at the last item")
        << "BitSize" << Step::kWheelTowardsUser << QStringList{"8"};
    QTest::newRow("StopBit, the arrow down from 1")
        << "StopBit" << Step::kDownArrow << QStringList{"1.5", "2", "2"};
    QTest::newRow("StopBit, the key Up at the first item")
        << "StopBit" << Step::kUpKey << QStringList{"1"};
    QTest::newRow("StopBit, Ctrl+click on the shown item")
        << "StopBit" << Step::kControlClick << QStringList{"1"};
    QTest::newRow("BauteRate, a screen reader selects the item above 4800")
        << "BauteRate" << Step::kReaderSelectsRowAbove << higher;
    QTest::newRow("BitSize, a screen reader selects the item above 8")
        << "BitSize" << Step::kReaderSelectsRowAbove << QStringList{"7", "6", "5", "5"};
}

// The row a list shows is its selected item, which the port is opened with: the arrows, the
// wheel and the keys select the neighbouring item, and stop at the ends. Whatever selects an
// item, a screen reader too, brings it into view as the only one selected.
void FormTest::listsStepLikeSpinBoxes() {
    QFETCH(QString, name);
    QFETCH(Step, step);
    QFETCH(QStringList, shown);
    WindowUnderTest window;
    window->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    QListWidget* list = window.List(name);
    if (step == Step::kDownKey || step == Step::kUpKey) {
        list->setFocus();
    }
    for (const QString& expected : shown) {
        StepList(list, step);
        QCoreApplication::processEvents();
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().constFirst()->text(), expected);
        QCOMPARE(ShownRows(list), QList<int>{list->row(list->selectedItems().constFirst())});
    }
}

// The selected row stands out in the highlight also in a list without focus in a window in the
// background, where the system's colours (Windows' among them) give a selection a faint fill.
void FormTest::selectedRowShowsWithoutFocus() {
    const QPalette saved = QApplication::palette();
    QPalette faint = saved;
    const QColor highlight(0, 0, 160);
    faint.setColor(QPalette::Active, QPalette::Highlight, highlight);
    faint.setColor(QPalette::Inactive, QPalette::Highlight, faint.color(QPalette::Base));
    QApplication::setPalette(faint);
    QColor fill;
    {
        WindowUnderTest window;
        window->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!window->isActiveWindow());
        QListWidget* list = window.List(QStringLiteral("BitSize"));
        QVERIFY(!list->hasFocus());
        const QRect row = list->visualItemRect(list->selectedItems().constFirst());
        // The right end of the row, where no text is drawn.
        const QPoint at = list->viewport()->mapTo(list, QPoint(row.right() - 2, row.center().y()));
        fill = list->grab().toImage().pixelColor(at);
    }
    QApplication::setPalette(saved);
    QCOMPARE(fill, highlight);
}

void FormTest::instrumentTypeItems() {
    WindowUnderTest window;
    const auto radios = window->findChild<QGroupBox*>(QStringLiteral("InstrType"))
                            ->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(radios.size(), kvq::kInstrumentTypeCount);
    for (int i = 0; i < kvq::kInstrumentTypeCount; ++i) {
        const auto caption = kvq::kInstrumentTypes[static_cast<std::size_t>(i)].caption;
        QCOMPARE(radios[i]->text(),
                 QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        QCOMPARE(radios[i]->isChecked(), i == 0);
    }
}

void FormTest::menus_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("withPictures");
    QTest::newRow("F1") << "F1"
                        << "文件(&F)" << QStringList{"S2", "-", "N1"} << QStringList{"S2", "N1"};
    QTest::newRow("N2") << "N2"
                        << "端口控制(&C)" << QStringList{"N3", "X1", "-", "N5", "S1"}
                        << QStringList{};
    QTest::newRow("H1") << "H1"
                        << "帮助(&H)" << QStringList{"N6", "-", "N8"} << QStringList{"N6", "N8"};
}

void FormTest::menus() {
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    QFETCH(QStringList, withPictures);
    WindowUnderTest window;
    const QMenu* shown = window->findChild<QMenu*>(menu);
    QVERIFY(shown != nullptr);
    QCOMPARE(shown->title(), title);
    QStringList names;
    for (const QAction* action : shown->actions()) {
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        QCOMPARE(!action->icon().isNull(), withPictures.contains(action->objectName()));
    }
    QCOMPARE(names, items);

    const QStringList captions{"保存数据(&S)",     "退出((E&xit)",    "打开通信口(&O)",
                               "关闭通信口(&X)",   "接受数据&R)",     "停止传输(&S)",
                               "使用数据传输(&C)", "关于数据传输(&A)"};
    const QStringList actions{"S2", "N1", "N3", "X1", "N5", "S1", "N6", "N8"};
    for (int i = 0; i < actions.size(); ++i) {
        QCOMPARE(window->findChild<QAction*>(actions[i])->text(), captions[i]);
    }
}

namespace {

QStringList MenuTitles(const QMenuBar* bar) {
    QStringList titles;
    for (const QAction* action : bar->actions()) {
        if (!action->isSeparator()) {
            titles << action->text();
        }
    }
    return titles;
}

// The open menu of the window, or nothing.
QString OpenMenu() {
    const auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return popup != nullptr ? popup->objectName() : QString();
}

}  // namespace

// The Help menu stands at the right edge, in the same menu bar as the others.
void FormTest::helpMenuAtTheRightEdge() {
    WindowUnderTest window;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    QMenuBar* bar = window->menuBar();
    QCOMPARE(MenuTitles(bar), (QStringList{"文件(&F)", "端口控制(&C)", "帮助(&H)"}));
    QAction* help = window->findChild<QMenu*>("H1")->menuAction();
    const QRect helpItem = bar->actionGeometry(help);
    QVERIFY2(bar->width() - helpItem.right() <= 12, qPrintable(QString::number(helpItem.right())));
    const QRect portMenu = bar->actionGeometry(window->findChild<QMenu*>("N2")->menuAction());
    QVERIFY(helpItem.left() > portMenu.right() + 100);
}

void FormTest::menusByKeyboard_data() {
    QTest::addColumn<bool>("altFirst");  // Alt pressed and released alone: the bar has focus
    QTest::newRow("Alt+C") << false;
    QTest::newRow("Alt, then Alt+C") << true;
}

// Alt+C opens the port menu (not the "&Close" button), Left and Right move between it and
// the Help menu, the window stays open.
void FormTest::menusByKeyboard() {
    QFETCH(bool, altFirst);
    WindowUnderTest window;
    window->show();
    QApplication::setActiveWindow(&window.Window());
    QVERIFY(QTest::qWaitForWindowActive(&window.Window()));
    QWidget* focus = window->focusWidget();
    QVERIFY(focus != nullptr);
    if (altFirst) {
        QTest::keyClick(focus, Qt::Key_Alt, Qt::AltModifier);
        QTRY_VERIFY(window->menuBar()->hasFocus());
        focus = window->menuBar();
    }
    QTest::keyClick(focus, Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(OpenMenu(), QStringLiteral("N2"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
    QTRY_COMPARE(OpenMenu(), QStringLiteral("H1"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Left);
    QTRY_COMPARE(OpenMenu(), QStringLiteral("N2"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Left);
    QTRY_COMPARE(OpenMenu(), QStringLiteral("F1"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QVERIFY(window->isVisible());
}

void FormTest::startState() {
    WindowUnderTest window;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.Window()));
    const std::vector<bool> expected{true, false, false, false, false,
                                     true, false, false, false, false};
    QCOMPARE(window.CommandStates(), expected);
    for (const char* always : {"N1", "N6", "N8"}) {
        QVERIFY(window->findChild<QAction*>(always)->isEnabled());
    }
    QVERIFY(window.Button("BitBtn1")->isEnabled());
    auto* pages = window->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet2"));
    QCOMPARE(window->focusWidget(), window.Button("OpenCom"));
    QVERIFY(!window.Button("Parity")->isChecked());
    QVERIFY(window.Button("ComItem0")->isChecked());
    QCOMPARE(window->TextPane().LineCount(), std::size_t{0});
    QVERIFY(!window->PortOpen());
    QVERIFY(!window->Receiver().IsRunning());
    QVERIFY(!window->windowIcon().isNull());
}

void FormTest::memoHasBothScrollBars() {
    WindowUnderTest window;
    const kvq::Memo& memo = window->TextPane();
    QCOMPARE(memo.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void FormTest::aboutDialogSize() {
    kvq::TAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.size(), QSize(443, 422));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QVERIFY(about.windowFlags().testFlag(Qt::Tool));
}

QTEST_MAIN(FormTest)
#include "FormTest.moc"
