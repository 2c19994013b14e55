#include "About.h"

#include <QDesktopServices>
#include <QUrl>

#include "ui_About.h"

namespace kvq {

namespace {
const char kWebAddress[] = "https://www.example.org/";
}

TAbout::TAbout(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::About>()) {
    ui_->setupUi(this);
    // A tool window of fixed size, without the help button of dialogs.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    connect(ui_->StaticText10, &QLabel::linkActivated, this, &TAbout::StaticText10Click);
}

TAbout::~TAbout() = default;

void TAbout::StaticText10Click() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebAddress)));
}

}  // namespace kvq
