#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDialog;
}

// The About box: the program's icon, name, version and legal lines. OK and
// Escape close it; files dropped on it are refused.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

private:
    std::unique_ptr<Ui::AboutDialog> ui;
};
