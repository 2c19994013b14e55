#include "HelpWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QListWidget>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>

#include "PathRules.h"

namespace kvq {

namespace {
// Topics are the second-level headings of the help file.
constexpr int kTopicHeadingLevel = 2;
}  // namespace

std::string HelpFilePath(std::string_view programPath) {
    return HelpFolder(programPath) + "rs232.hlp";
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), topics_(new QListWidget), browser_(new QTextBrowser) {
    setWindowTitle(QStringLiteral("KVQ数据传输 帮助"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/help.png")));
    auto* splitter = new QSplitter(this);
    splitter->addWidget(topics_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({170, 550});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);
    browser_->setOpenExternalLinks(true);
    resize(760, 540);
    connect(topics_, &QListWidget::currentRowChanged, this, &HelpWindow::ShowTopic);
    connect(topics_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowTopic(topics_->row(item)); });
}

void HelpWindow::ShowFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        browser_->setHtml(QStringLiteral("<h2>找不到帮助文件</h2><p>%1</p><p>%2</p>")
                              .arg(path.toHtmlEscaped(), file.errorString().toHtmlEscaped()));
        topics_->clear();
        return;
    }
    browser_->setHtml(QString::fromUtf8(file.readAll()));
    FillTopics();
}

QStringList HelpWindow::Topics() const {
    QStringList topics;
    for (int i = 0; i < topics_->count(); ++i) {
        topics << topics_->item(i)->text();
    }
    return topics;
}

void HelpWindow::FillTopics() {
    const QSignalBlocker blocker(topics_);
    topics_->clear();
    for (QTextBlock block = browser_->document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == kTopicHeadingLevel) {
            auto* item = new QListWidgetItem(block.text().trimmed(), topics_);
            item->setData(Qt::UserRole, block.position());
        }
    }
    // The first topic is current from the start, so that focusing the list does not
    // move the text away from its beginning.
    topics_->setCurrentRow(0);
}

void HelpWindow::ShowTopic(int row) {
    const QListWidgetItem* item = topics_->item(row);
    if (item == nullptr) {
        return;
    }
    QTextDocument* document = browser_->document();
    const QTextBlock block = document->findBlock(item->data(Qt::UserRole).toInt());
    const QRectF where = document->documentLayout()->blockBoundingRect(block);
    browser_->verticalScrollBar()->setValue(static_cast<int>(where.top()));
}

}  // namespace kvq
