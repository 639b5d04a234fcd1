#include "AboutDialog.h"

#include "AppIcon.h"
#include "ui_AboutDialog.h"

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::AboutDialog>()) {
    ui->setupUi(this);
    ui->labelVersion->setText(QStringLiteral("Version " QUILLMERE_SHORT_VERSION));
    ui->iconQuillmere128->setPixmap(AppIcon().pixmap(32, 32));
}

AboutDialog::~AboutDialog() = default;
