#pragma once

#include "DialogServices.h"
#include "DropBatch.h"
#include "FrameSettings.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class ProfileCombo;
class QLineEdit;

namespace Ui {
class ResizerDialog;
}

// The program's one window. It holds the current frame settings and profile
// name, exchanges them with its fields, converts the files dropped on it and
// keeps the imaging library started while it exists.
class ResizerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ResizerDialog(DialogServices services, QWidget* parent = nullptr);
    ~ResizerDialog() override;

    // true: fields into members, in the fixed order, stopping at the first
    // field that holds no integer (that field is reported, focused and
    // selected, and false is returned). false: members into fields.
    bool UpdateData(bool saveAndValidate);

    const FrameSettings& Settings() const { return settings; }
    const std::string& ProfileName() const { return profileName; }

    // "Done": takes the fields, and ends the dialog when they hold integers.
    void accept() override;

    void ShowAbout();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void InitDialog();
    bool ExchangeInteger(QLineEdit& edit, std::int32_t& value, bool saveAndValidate);
    void RunDrop(const std::vector<DroppedItem>& drop);

    std::unique_ptr<Ui::ResizerDialog> ui;
    std::unique_ptr<ProfileCombo> profileCombo;
    DialogServices services;
    FrameSettings settings;
    std::string profileName;
    ImagingToken imaging;
};
