#include "Program.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <exception>

#include "MemoAccessible.h"
#include "Rs232.h"

namespace kvq {

namespace {

QString Title() {
    return QStringLiteral("KVQ与计算机数据传输");
}

void ShowException(const QString& message) {
    QMessageBox::critical(nullptr, Title(), message);
}

// An exception in an event handler is shown, and the program goes on: the received lines
// stay in the pane and can still be saved.
class Application : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowException(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowException(QString());
        }
        return false;
    }
};

}  // namespace

int RunProgram(int& argc, char** argv) {
    Application application(argc, argv);
    // Screen readers read the text pane as text.
    MemoAccessible::Install();
    // The program speaks Chinese whatever the locale; so do Qt's own dialogs and buttons,
    // where Qt's translations are installed (qt6-translations-l10n), or beside the program's
    // folder as in the Windows build's folder (translations\).
    QTranslator qtTexts;
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QCoreApplication::applicationDirPath() + "/../translations"}) {
        if (qtTexts.load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            QApplication::installTranslator(&qtTexts);
            break;
        }
    }
    try {
        // The application's name, where the platform shows one; not a display name, which
        // Qt would append to every window title.
        QApplication::setApplicationName(Title());
        TRS232Form window;
        window.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
    return 0;
}

}  // namespace kvq
