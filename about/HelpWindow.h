#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>
#include <string_view>

class QListWidget;
class QTextBrowser;

namespace kvq {

// The help file of a program at `programPath`: "rs232.hlp" in the help folder beside the
// program's folder.
std::string HelpFilePath(std::string_view programPath);

// Shows the help file: its topics on the left, the text on the right. A file that cannot
// be read is reported in the window itself.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // (Re)reads the file, so a help file changed meanwhile is shown as it now is.
    void ShowFile(const QString& path);

    QStringList Topics() const;
    QTextBrowser* Browser() const { return browser_; }

private:
    void ShowTopic(int row);
    void FillTopics();

    QListWidget* topics_;
    QTextBrowser* browser_;
};

}  // namespace kvq
