#include "ResizerDialog.h"

#include "AboutDialog.h"
#include "AppIcon.h"
#include "BatchRun.h"
#include "BatchStatus.h"
#include "DroppedItems.h"
#include "IntegerText.h"
#include "ProfileCombo.h"
#include "QColorRef.h"
#include "ui_ResizerDialog.h"

#include <QColorDialog>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QShortcut>
#include <QSysInfo>
#include <QUrl>

namespace {

const char* const integerPrompt = "Please enter an integer.";
const std::string sidePrompt =
    "Please enter a number from 1 to " + std::to_string(largestFrameSide) + ".";
const char* const imagingFailed = "Error in gdi+";
const char* const noSuchProfile = "Profile name doesn't exist.";
const char* const profilesNotSaved =
    "Couldn't save the profiles.\n\nPress Done to try again, or close the window to leave "
    "without saving.";
const char* const saveChanges = "Save the changes to the profiles?";

// The items of a drop in the drop's order.
std::vector<DroppedItem> DroppedItems(const QMimeData& mime) {
    std::vector<DroppedItem> items;
    for (const QUrl& url : mime.urls())
        items.push_back(DroppedItemOf(url, QSysInfo::machineHostName()));
    return items;
}

} // namespace

ResizerDialog::ResizerDialog(DialogServices dialogServices, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ResizerDialog>()),
      services(std::move(dialogServices)) {
    ui->setupUi(this);
    // The program's own top-level window, so that taskbars and window
    // switchers list it: no owner, not modal, fixed in size, so it can be
    // minimised and closed but not maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    profileCombo = std::make_unique<ProfileCombo>(*ui->comboProfile1003);
    connect(profileCombo.get(), &ProfileCombo::userPicked, this,
            &ResizerDialog::OnSelchangeProfile);
    connect(ui->buttonSave1004, &QPushButton::clicked, this, &ResizerDialog::OnSave);
    connect(ui->buttonRemove1007, &QPushButton::clicked, this, &ResizerDialog::OnRemove);
    connect(ui->buttonChange1009, &QPushButton::clicked, this, &ResizerDialog::OnChangeColor);
    connect(ui->buttonStop, &QPushButton::clicked, this, &ResizerDialog::StopBatch);
    ui->labelStatus->setText(QString::fromStdString(BatchStatus::IdleHint()));
    // As tall idle as during a batch, so the dialog keeps its size.
    ui->labelStatus->setMinimumHeight(ui->buttonStop->sizeHint().height());
    InitDialog();
}

ResizerDialog::~ResizerDialog() = default;

void ResizerDialog::InitDialog() {
    UpdateData(false);
    SetPaddingColor(settings.paddingColor);

    // Window managers keep the window menu to themselves, so the About item
    // lives in the dialog's context menu, and F1 opens it as well.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, &ResizerDialog::ShowAbout);

    setWindowIcon(AppIcon());

    LoadProfiles();

    imaging = services.startImaging();
    if (!imaging)
        services.prompts.ShowMessage(imagingFailed, MessageStyle::Ok, {});

    ui->buttonDone1->setFocus();
}

bool ResizerDialog::ExchangeInteger(QLineEdit& edit, std::int32_t& value, bool saveAndValidate) {
    if (!saveAndValidate) {
        edit.setText(QString::number(value));
        return true;
    }
    // A side outside the range would make every dropped file fail.
    const auto parsed = ParseInteger(edit.text().toStdString());
    const bool fits = parsed && *parsed >= 1 && *parsed <= largestFrameSide;
    if (!fits) {
        services.prompts.ShowMessage(parsed ? sidePrompt : integerPrompt,
                                     MessageStyle::Ok | MessageStyle::IconExclamation, {});
        edit.setFocus();
        edit.selectAll();
        return false;
    }
    value = *parsed;
    return true;
}

bool ResizerDialog::UpdateData(bool saveAndValidate) {
    if (saveAndValidate)
        settings.doPadding = ui->checkAddPadding1000->isChecked() ? 1 : 0;
    else
        ui->checkAddPadding1000->setChecked(settings.doPadding != 0);

    if (!ExchangeInteger(*ui->editHeight1006, settings.frameHeight, saveAndValidate))
        return false;
    if (!ExchangeInteger(*ui->editWidth1005, settings.frameWidth, saveAndValidate))
        return false;

    if (saveAndValidate)
        profileName = profileCombo->EditText();
    else
        profileCombo->ShowName(profileName);
    return true;
}

/*
 * The dialog stays open when the profiles could not be written: closing would
 * lose every profile change of the run without a word.
 */
void ResizerDialog::accept() {
    if (FinishBatchFirst(AfterBatch::accept))
        return;
    UpdateData(true);
    if (!services.store.SaveProfiles(profiles, removedNames)) {
        services.prompts.ShowMessage(profilesNotSaved,
                                     MessageStyle::Ok | MessageStyle::IconExclamation, {});
        return;
    }
    if (UpdateData(true))
        QDialog::accept();
}

/*
 * Escape and the close box: profile changes of the run are written only at
 * "Done", so they are not dropped without asking. Save acts as "Done" and
 * keeps the dialog open when that cannot end it.
 */
void ResizerDialog::reject() {
    if (FinishBatchFirst(AfterBatch::reject))
        return;
    if (profilesChanged) {
        const int answer = services.prompts.ShowMessage(
            saveChanges, MessageStyle::SaveDiscardCancel | MessageStyle::IconQuestion, {});
        if (answer == IdSave)
            accept();
        if (answer != IdDiscard)
            return;
    }
    QDialog::reject();
}

/*
 * Profiles that cannot be read are left out by the store; the rest fill the
 * list and the box, and the box's first entry in its sorted order, which need
 * not be the list's first profile, becomes the current profile as if it had
 * been picked.
 */
void ResizerDialog::LoadProfiles() {
    services.store.LoadProfiles(profiles, storedNames);
    for (const std::string& name : storedNames)
        profileCombo->Add(name);
    profileCombo->Select(0);
    if (profileCombo->Count() > 0)
        OnSelchangeProfile();
}

void ResizerDialog::OnSelchangeProfile() {
    const int index = profileCombo->CurrentIndex();
    if (index >= 0)
        SelectProfile(profileCombo->Text(index));
}

void ResizerDialog::SelectProfile(const std::string& name) {
    const std::int32_t index = profiles.FindProfile(name);
    if (index < 0) {
        services.prompts.ShowMessage(noSuchProfile, MessageStyle::IconHand, {});
        return;
    }
    const Profile& profile = profiles[index];
    profileName = profile.name;
    settings.doPadding = profile.doPadding;
    settings.paddingColor = profile.paddingColor;
    settings.frameWidth = profile.frameWidth;
    settings.frameHeight = profile.frameHeight;
    SetPaddingColor(profile.paddingColor);
    UpdateData(false);
}

void ResizerDialog::OnSave() {
    if (!UpdateData(true))
        return;
    const Profile current{profileName, settings.doPadding, settings.paddingColor,
                          settings.frameWidth, settings.frameHeight};
    const std::int32_t index = profiles.FindProfile(profileName);
    if (index >= 0) {
        profilesChanged = profilesChanged || profiles[index] != current;
        profiles[index] = current;
        return;
    }
    profilesChanged = true;
    profiles.Add(current);
    profileCombo->Add(profileName);
}

/*
 * Only a profile read from the store is deleted from it at "Done": one that
 * was skipped as unreadable, or that another program wrote meanwhile, is
 * not this run's to delete.
 */
void ResizerDialog::OnRemove() {
    if (!UpdateData(true))
        return;
    const std::int32_t index = profiles.FindProfile(profileName);
    if (index < 0) {
        services.prompts.ShowMessage(noSuchProfile, MessageStyle::IconHand, {});
        return;
    }
    profiles.RemoveAt(index);
    profilesChanged = true;
    if (const auto stored = std::ranges::find(storedNames, profileName);
        stored != storedNames.end()) {
        removedNames.push_back(*stored);
        storedNames.erase(stored);
    }
    profileCombo->Remove(profileCombo->Find(profileName));
    profileCombo->Select(0);
    if (profileCombo->Count() != 0)
        OnSelchangeProfile();
}

void ResizerDialog::OnChangeColor() {
    QColorDialog chooser(ColorFromRef(settings.paddingColor), this);
    if (chooser.exec() == QDialog::Accepted)
        SetPaddingColor(RefFromColor(chooser.selectedColor()));
}

void ResizerDialog::SetPaddingColor(std::uint32_t colorRef) {
    settings.paddingColor = colorRef;
    ui->swatchPaddingColor1010->SetColor(colorRef);
}

void ResizerDialog::ShowAbout() {
    AboutDialog about(this);
    about.exec();
}

void ResizerDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(AppIcon(), QStringLiteral("&About Quillmere..."), this,
                   &ResizerDialog::ShowAbout);
    menu.exec(event->globalPos());
}

void ResizerDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ResizerDialog::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ResizerDialog::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    AcceptDrop(DroppedItems(*event->mimeData()));
}

// Escape stops a running batch and never closes the dialog while one runs.
void ResizerDialog::keyPressEvent(QKeyEvent* event) {
    if (batch && event->matches(QKeySequence::Cancel)) {
        StopBatch();
        return;
    }
    QDialog::keyPressEvent(event);
}

/*
 * The drop waits its turn; it starts once the drop event is over, so the
 * program the files came from is not held up by a question about a field.
 */
void ResizerDialog::AcceptDrop(std::vector<DroppedItem> drop) {
    waitingDrops.push_back(std::move(drop));
    ShowWaiting();
    QMetaObject::invokeMethod(this, &ResizerDialog::StartNextDrop, Qt::QueuedConnection);
}

/*
 * A drop takes the values in the fields when it starts, not when it was
 * dropped; a field that holds no usable side stops that drop before any file
 * is touched, and the next one waiting is tried.
 */
void ResizerDialog::StartNextDrop() {
    while (!batch && afterBatch == AfterBatch::next && !waitingDrops.empty()) {
        std::vector<DroppedItem> drop = std::move(waitingDrops.front());
        waitingDrops.pop_front();
        if (!UpdateData(true))
            continue;
        const int jobs = services.jobs > 0 ? services.jobs : BatchOptions::DefaultJobs();
        batch = std::make_unique<BatchRun>(std::move(drop), services, settings, jobs);
        connect(batch.get(), &BatchRun::LookingThrough, this, &ResizerDialog::ShowLooking);
        connect(batch.get(), &BatchRun::ItemReached, this, &ResizerDialog::ShowProgress);
        connect(batch.get(), &BatchRun::Finished, this, &ResizerDialog::BatchFinished);
        // The busy cursor, not the wait cursor: the dialog still answers.
        setCursor(Qt::BusyCursor);
        ui->progressBatch->setRange(0, static_cast<int>(batch->Size()));
        ui->progressBatch->setValue(0);
        ui->progressBatch->setFormat(QString());
        ui->progressBatch->show();
        ui->buttonStop->show();
        ui->buttonStop->setEnabled(true);
    }
    ShowWaiting();
}

void ResizerDialog::StopBatch() {
    if (!batch)
        return;
    batch->Stop();
    ui->buttonStop->setEnabled(false);
    ui->progressBatch->setFormat(QStringLiteral("Stopping…"));
}

// Done or the close box while a batch runs: the batch stops first, and the
// dialog goes on as usual once it has.
bool ResizerDialog::FinishBatchFirst(AfterBatch then) {
    if (!batch)
        return false;
    afterBatch = then;
    StopBatch();
    return true;
}

void ResizerDialog::ShowLooking(const QString& folder, std::size_t picturesSoFar) {
    if (!batch || batch->Stopping())
        return;
    ui->progressBatch->setFormat(
        QString::fromStdString(BatchStatus::LookingThrough(folder.toStdString(), picturesSoFar)));
}

// The count is the pictures' once the dropped folders are looked through.
void ResizerDialog::ShowProgress(std::size_t index, const QString& name) {
    if (!batch || batch->Stopping())
        return;
    ui->progressBatch->setMaximum(static_cast<int>(batch->Size()));
    ui->progressBatch->setValue(static_cast<int>(index));
    ui->progressBatch->setFormat(
        QString::fromStdString(BatchStatus::Progress(index, batch->Size(), name.toStdString())));
}

void ResizerDialog::ShowWaiting() {
    if (!batch)
        return;
    ui->labelStatus->setText(
        waitingDrops.empty() ? QString()
                             : QString::fromStdString(BatchStatus::Waiting(waitingDrops.size())));
    ui->labelStatus->setVisible(!waitingDrops.empty());
}

void ResizerDialog::BatchFinished(const BatchOutcome& outcome) {
    // This runs inside the batch's own signal: it goes once that is over.
    batch->setParent(this);
    batch.release()->deleteLater();
    unsetCursor();
    ui->progressBatch->hide();
    ui->buttonStop->hide();
    ui->labelStatus->setText(QString::fromStdString(BatchStatus::Result(outcome)));
    ui->labelStatus->show();
    const AfterBatch then = std::exchange(afterBatch, AfterBatch::next);
    if (then == AfterBatch::accept)
        accept();
    else if (then == AfterBatch::reject)
        reject();
    // Drops that waited go with a dialog that has closed.
    if (then != AfterBatch::next && !isVisible())
        waitingDrops.clear();
    StartNextDrop();
}
