#include "About.h"

#include <QDesktopServices>
#include <QUrl>

#include "ui_About.h"

namespace kvq {

namespace {
const char kWebAddress[] = "https://www.example.org/";
// The legal warning fills two lines of its label at this size; at the dialog's own 12 pixels
// its last two characters wrap to a third.
constexpr int kWarningFontPixels = 11;
}  // namespace

TAbout::TAbout(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::About>()) {
    ui_->setupUi(this);
    // A tool window of fixed size, without the help button of dialogs.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    QFont warningFont = ui_->StaticText1->font();
    warningFont.setPixelSize(kWarningFontPixels);
    ui_->StaticText1->setFont(warningFont);
    connect(ui_->StaticText10, &QLabel::linkActivated, this, &TAbout::StaticText10Click);
}

TAbout::~TAbout() = default;

void TAbout::StaticText10Click() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebAddress)));
}

}  // namespace kvq
