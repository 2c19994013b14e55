#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class About;
}

namespace kvq {

// The About dialog: made for one showing and deleted after it.
class TAbout : public QDialog {
    Q_OBJECT
public:
    explicit TAbout(QWidget* parent = nullptr);
    ~TAbout() override;

    // The web address of the link; opened by the desktop, nothing reported if it cannot be.
    void StaticText10Click();

private:
    std::unique_ptr<Ui::About> ui_;
};

}  // namespace kvq
