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

#include <QAccessible>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>

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
    connect(ui->buttonOpenFolder, &QPushButton::clicked, this, &ResizerDialog::OpenOutputFolder);
    connect(ui->buttonConvert, &QPushButton::clicked, this, &ResizerDialog::ConvertOffered);
    connect(ui->buttonClear, &QPushButton::clicked, this, &ResizerDialog::ClearOffered);
    ui->labelStatus->setText(QString::fromStdString(queue.Status()));
    // As tall idle as during a batch, so the dialog keeps its size: the
    // result row is a button's height, and the batch row keeps its room.
    ui->labelStatus->setMinimumHeight(ui->buttonStop->sizeHint().height());
    for (QWidget* batchRow : std::initializer_list<QWidget*>{ui->progressBatch, ui->buttonStop}) {
        QSizePolicy policy = batchRow->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        batchRow->setSizePolicy(policy);
    }
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
    auto* add = new QShortcut(QKeySequence::Open, this);
    connect(add, &QShortcut::activated, this, &ResizerDialog::AddPictures);
    NameForAssistiveTechnology();

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
    const std::string text = edit.text().toStdString();
    const auto parsed = ParseInteger(text);
    const bool fits = parsed && *parsed >= 1 && *parsed <= largestFrameSide;
    if (!fits) {
        // A number too long for 32 bits is still a number outside the range.
        services.prompts.ShowMessage(IsIntegerText(text) ? sidePrompt : integerPrompt,
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
    if (FinishBatchFirst(DropQueue::AfterBatch::accept))
        return;
    UpdateData(true);
    if (const std::string problem = services.store.SaveAll(profiles, removedNames);
        !problem.empty()) {
        services.prompts.ShowMessage(profilesNotSaved,
                                     MessageStyle::Ok | MessageStyle::IconExclamation, problem);
        return;
    }
    // The store now holds every profile of the run, and none removed.
    storeHolds = SortedProfiles();
    storedNames.clear();
    for (const Profile& profile : storeHolds)
        storedNames.push_back(profile.name);
    removedNames.clear();
    if (UpdateData(true))
        QDialog::accept();
}

/*
 * Escape and the close box: profile changes of the run are written only at
 * "Done", so they are not dropped without asking. Save acts as "Done" and
 * keeps the dialog open when that cannot end it. The question comes before a
 * running batch is stopped, so that Cancel loses nothing; the batch stops
 * once the answer is to close, and the dialog closes when it has.
 */
void ResizerDialog::reject() {
    if (queue.Leaving())
        return; // closing already
    if (SortedProfiles() != storeHolds) {
        const int answer = services.prompts.ShowMessage(
            saveChanges, MessageStyle::SaveDiscardCancel | MessageStyle::IconQuestion, {});
        if (answer == IdSave)
            accept();
        if (answer != IdDiscard)
            return;
    }
    if (FinishBatchFirst(DropQueue::AfterBatch::leave))
        return;
    QDialog::reject();
}

std::vector<Profile> ResizerDialog::SortedProfiles() const {
    std::vector<Profile> sorted;
    for (std::int32_t index = 0; index < profiles.Size(); ++index)
        sorted.push_back(profiles[index]);
    std::ranges::sort(sorted, {}, &Profile::name);
    return sorted;
}

/*
 * Profiles that cannot be read are left out by the store; the rest fill the
 * list and the box, and the box's first entry in its sorted order, which need
 * not be the list's first profile, becomes the current profile as if it had
 * been picked. A store that cannot be read at all, or is no settings file,
 * gives no profiles, and the status row says so: Done will not write over it.
 */
void ResizerDialog::LoadProfiles() {
    if (const std::string problem = services.store.LoadAll(profiles, storedNames);
        !problem.empty()) {
        queue.Note(BatchStatus::StoreRefused(problem));
        ShowStatus();
    }
    for (const std::string& name : storedNames)
        profileCombo->Add(name);
    storeHolds = SortedProfiles();
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
        profiles[index] = current;
        return;
    }
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

/*
 * Qt's own colour dialog everywhere: the desktop's (GTK's chooser) starts
 * with its editor closed and mixes its language with ours. Placed over the
 * dialog but within the screen's free area, so that OK and Cancel are never
 * off a small screen; one taller or wider than that area is made to fit it.
 */
void ResizerDialog::OnChangeColor() {
    QColorDialog chooser(ColorFromRef(settings.paddingColor), this);
    chooser.setOptions(QColorDialog::DontUseNativeDialog);
    chooser.ensurePolished();
    chooser.layout()->activate();
    chooser.adjustSize();
    if (const QScreen* shown = screen()) {
        // The window frame it will get, judged by this dialog's own.
        const QRect outer = frameGeometry(), inner = geometry();
        const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                             outer.right() - inner.right(), outer.bottom() - inner.bottom());
        const QRect room = shown->availableGeometry().marginsRemoved(frame);
        if (chooser.width() > room.width() || chooser.height() > room.height()) {
            chooser.layout()->setSizeConstraint(QLayout::SetNoConstraint);
            chooser.setMinimumSize(0, 0);
            chooser.resize(chooser.size().boundedTo(room.size()));
        }
        QRect placed(QPoint(), chooser.size());
        placed.moveCenter(geometry().center());
        placed.moveLeft(std::clamp(placed.left(), room.left(),
                                   std::max(room.left(), room.right() - placed.width() + 1)));
        placed.moveTop(std::clamp(placed.top(), room.top(),
                                  std::max(room.top(), room.bottom() - placed.height() + 1)));
        chooser.move(placed.topLeft() - QPoint(frame.left(), frame.top()));
    }
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

void ResizerDialog::EndSession() {
    if (queue.EndSession()) {
        StopBatch();
        return;
    }
    QDialog::done(QDialog::Rejected);
}

void ResizerDialog::NameForAssistiveTechnology() {
    const struct {
        QWidget* widget;
        const char* name;
        const char* description;
    } named[] = {
        {ui->buttonDone1, "Done", "Save the profiles and close Quillmere"},
        {ui->checkAddPadding1000, "Add Padding",
         "Centre each picture on a canvas of the frame's size in the padding colour"},
        {ui->comboProfile1003, "Profile", "The name of a saved set of these settings"},
        {ui->buttonSave1004, "Save", "Keep the settings under the profile name"},
        {ui->buttonRemove1007, "Remove", "Remove the profile of that name"},
        {ui->editWidth1005, "Width", "The frame's width in pixels, from 1 to 65500"},
        {ui->editHeight1006, "Height", "The frame's height in pixels, from 1 to 65500"},
        {ui->swatchPaddingColor1010, "Padding Color", "The colour the frame is padded with"},
        {ui->buttonChange1009, "Change", "Choose the padding colour"},
        {ui->labelStatus, "Status", "What Quillmere is doing, or did last"},
        {ui->progressBatch, "Progress", "The picture being converted"},
        {ui->buttonStop, "Stop", "Stop converting; what is written stays"},
        {ui->buttonOpenFolder, "Open Folder", "Open the folder the pictures went into"},
    };
    for (const auto& [widget, name, description] : named) {
        widget->setAccessibleName(QString::fromUtf8(name));
        widget->setAccessibleDescription(QString::fromUtf8(description));
    }
}

/*
 * The nine kinds of picture Quillmere reads, as a filter; the desktop's own
 * dialog where there is one.
 */
void ResizerDialog::AddPictures() {
    QFileDialog chooser(this, QStringLiteral("Add Pictures"), QString(),
                        QStringLiteral("Pictures (*.jpg *.jpeg *.jpe *.png *.gif *.webp *.tif "
                                       "*.tiff *.heic *.heif *.avif *.jxl *.bmp);;All files (*)"));
    chooser.setFileMode(QFileDialog::ExistingFiles);
    if (chooser.exec() != QDialog::Accepted)
        return;
    std::vector<DroppedItem> items;
    for (const QString& file : chooser.selectedFiles())
        items.push_back({QFile::encodeName(file).toStdString(), true});
    if (!items.empty())
        AcceptDrop(std::move(items));
}

void ResizerDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Add &Pictures..."), QKeySequence::Open, this,
                   &ResizerDialog::AddPictures);
    menu.addAction(AppIcon(), QStringLiteral("&About Quillmere..."), this,
                   &ResizerDialog::ShowAbout);
    menu.exec(event->globalPos());
}

// While files are dragged over it, the status row says what a drop will do.
void ResizerDialog::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    dragging = true;
    ui->labelStatus->setText(QString::fromStdString(
        BatchStatus::DragOver(static_cast<std::size_t>(event->mimeData()->urls().size()))));
}

void ResizerDialog::dragLeaveEvent(QDragLeaveEvent*) {
    dragging = false;
    ShowStatus();
}

void ResizerDialog::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ResizerDialog::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    dragging = false;
    AcceptDrop(DroppedItems(*event->mimeData()));
}

// Escape stops a running batch and never closes the dialog while one runs;
// Return, pressed after typing into a field, does not close it either (a
// click on Done still does, once the batch has stopped).
void ResizerDialog::keyPressEvent(QKeyEvent* event) {
    if (batch && event->matches(QKeySequence::Cancel)) {
        StopBatch();
        return;
    }
    if (batch && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

/*
 * The drop waits its turn; it starts once the drop event is over, so the
 * program the files came from is not held up by a question about a field.
 */
void ResizerDialog::AcceptDrop(std::vector<DroppedItem> drop) {
    queue.Add(std::move(drop));
    ShowStatus();
    QMetaObject::invokeMethod(this, &ResizerDialog::StartNextDrop, Qt::QueuedConnection);
}

/*
 * A drop takes the values in the fields when it starts, not when it was
 * dropped; a field that holds no usable side stops that drop before any file
 * is touched, and the next one waiting is tried.
 */
void ResizerDialog::StartNextDrop() {
    while (std::optional<std::vector<DroppedItem>> drop = queue.Next()) {
        if (!UpdateData(true))
            continue;
        const int jobs = services.jobs > 0 ? services.jobs : BatchOptions::DefaultJobs();
        batch = std::make_unique<BatchRun>(std::move(*drop), services, settings, jobs);
        queue.Started();
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
        // The bar's width is known before its first name is fitted to it.
        layout()->activate();
    }
    ShowStatus();
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
bool ResizerDialog::FinishBatchFirst(DropQueue::AfterBatch then) {
    if (!queue.FinishFirst(then))
        return false;
    StopBatch();
    return true;
}

void ResizerDialog::ShowLooking(const QString& folder, std::size_t picturesSoFar) {
    if (!batch || batch->Stopping())
        return;
    ui->progressBatch->setFormat(
        QString::fromStdString(BatchStatus::LookingThrough(folder.toStdString(), picturesSoFar)));
}

/*
 * The count is the pictures' once the dropped folders are looked through.
 * The name is cut in its middle to keep "3 of 20: " and the whole text on the
 * bar's one line; the whole path is in the bar's tooltip.
 */
void ResizerDialog::ShowProgress(std::size_t index, const QString& name, const QString& path) {
    if (!batch || batch->Stopping())
        return;
    QProgressBar& bar = *ui->progressBatch;
    bar.setMaximum(static_cast<int>(batch->Size()));
    bar.setValue(static_cast<int>(index));
    const QString prefix =
        QString::fromStdString(BatchStatus::Progress(index, batch->Size(), std::string()));
    const QFontMetrics metrics = bar.fontMetrics();
    // The style draws the text inside the frame, with a little room each side.
    const int room = bar.contentsRect().width() - 4 * metrics.averageCharWidth() -
                     metrics.horizontalAdvance(prefix);
    bar.setFormat(prefix + metrics.elidedText(name, Qt::ElideMiddle, std::max(room, 0)));
    bar.setToolTip(path);
}

// Files dragged over the dialog say what a drop will do until they leave.
void ResizerDialog::ShowStatus() {
    if (dragging)
        return;
    const bool offered = queue.Offered() > 0;
    ui->buttonConvert->setVisible(offered);
    ui->buttonClear->setVisible(offered);
    // During a batch its row gives the text all the room.
    ui->buttonOpenFolder->setVisible(!queue.Running() && !queue.FirstFolder().empty());
    ui->labelStatus->setText(QString::fromStdString(queue.Status()));
}

void ResizerDialog::OfferFiles(std::vector<DroppedItem> files) {
    queue.Offer(std::move(files));
    ui->buttonConvert->setDefault(queue.Offered() > 0);
    ShowStatus();
}

void ResizerDialog::ConvertOffered() {
    const bool converting = queue.ConvertOffered();
    ClearOffered();
    if (converting)
        QMetaObject::invokeMethod(this, &ResizerDialog::StartNextDrop, Qt::QueuedConnection);
}

void ResizerDialog::ClearOffered() {
    queue.ClearOffered();
    ui->buttonConvert->setDefault(false);
    ui->buttonDone1->setDefault(true);
    ShowStatus();
}

void ResizerDialog::OpenOutputFolder() {
    const std::string& folder = queue.FirstFolder();
    if (!folder.empty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(folder.c_str())));
}

void ResizerDialog::BatchFinished(const BatchOutcome& outcome,
                                  const std::vector<std::string>& folders) {
    // This runs inside the batch's own signal: it goes once that is over.
    batch->setParent(this);
    batch.release()->deleteLater();
    unsetCursor();
    ui->progressBatch->hide();
    ui->buttonStop->hide();
    const DropQueue::AfterBatch then = queue.Finished(outcome, folders);
    if (!folders.empty()) {
        QStringList all;
        for (const std::string& folder : folders)
            all << QFile::decodeName(folder.c_str());
        ui->labelStatus->setToolTip(all.join(u'\n'));
    }
    ShowStatus();
    // Told to assistive technology as it appears.
    QAccessibleEvent announced(ui->labelStatus, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&announced);
    if (then == DropQueue::AfterBatch::accept)
        accept();
    else if (then == DropQueue::AfterBatch::leave)
        QDialog::done(QDialog::Rejected);
    if (then != DropQueue::AfterBatch::next && !isVisible())
        queue.Closed();
    StartNextDrop();
}
