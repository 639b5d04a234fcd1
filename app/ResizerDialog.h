#pragma once

#include "DialogServices.h"
#include "DropBatch.h"
#include "DropQueue.h"
#include "FrameSettings.h"
#include "ProfileList.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class BatchRun;
class ProfileCombo;
class QLineEdit;

namespace Ui {
class ResizerDialog;
}

// The program's one window. It holds the current frame settings and profile
// name, exchanges them with its fields, edits the profiles of the run,
// converts the files dropped on it and keeps the imaging library started
// while it exists. Profiles are read from the store while it opens and
// written back only at "Done".
class ResizerDialog : public QDialog {
    Q_OBJECT
public:
    explicit ResizerDialog(DialogServices services, QWidget* parent = nullptr);
    ~ResizerDialog() override;

    // true: fields into members, in the fixed order, stopping at the first
    // field that holds no integer from 1 to largestFrameSide (that field is
    // reported, focused and selected, and false is returned). false: members
    // into fields.
    bool UpdateData(bool saveAndValidate);

    const FrameSettings& Settings() const { return settings; }
    const std::string& ProfileName() const { return profileName; }
    const ProfileList& Profiles() const { return profiles; }

    // "Done": takes the fields, and ends the dialog when they hold integers.
    void accept() override;
    // Escape and the close box: asks first whether to save changed profiles.
    void reject() override;

    void ShowAbout();
    // Ctrl+O and "Add Pictures...": the desktop's file dialog, for a person
    // who cannot drag; the files chosen run as a drop.
    void AddPictures();
    // The session is ending (SIGTERM, SIGHUP): a running batch stops as at
    // Stop, and the dialog then closes without asking anything; nothing
    // waiting is started. A second call closes it at once.
    void EndSession();

    // Runs the drop once the batches before it are over, with the values in
    // the fields when it starts. Drops on the window, files chosen with
    // Ctrl+O and files from outside, once Convert is pressed, come here.
    void AcceptDrop(std::vector<DroppedItem> drop);
    // Files from outside the dialog (the command line, Open With, a second
    // start) wait in the status row until the person presses Convert (the
    // default button meanwhile, so Return converts them) or Clear.
    void OfferFiles(std::vector<DroppedItem> files);
    // No batch runs and none waits.
    bool Idle() const { return queue.Idle(); }

    // The profile commands. Nothing here touches the store.
    // An entry was picked from the profile box: show its profile.
    void OnSelchangeProfile();
    // Copies the named profile into the current values and the fields, or
    // reports that no profile has exactly that name.
    void SelectProfile(const std::string& name);
    // Stores the current values under the name in the profile field. Like
    // Remove, it does nothing when the fields cannot be taken.
    void OnSave();
    // Removes the profile named in the profile field and shows the first
    // remaining entry.
    void OnRemove();
    // Lets the person choose the padding colour, starting from the current one.
    void OnChangeColor();
    void SetPaddingColor(std::uint32_t colorRef);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InitDialog();
    void NameForAssistiveTechnology();
    void LoadProfiles();
    bool ExchangeInteger(QLineEdit& edit, std::int32_t& value, bool saveAndValidate);
    void StartNextDrop();
    void StopBatch();
    bool FinishBatchFirst(DropQueue::AfterBatch then);
    std::vector<Profile> SortedProfiles() const;
    void ShowLooking(const QString& folder, std::size_t picturesSoFar);
    void ShowProgress(std::size_t index, const QString& name, const QString& path);
    void ShowStatus();
    void BatchFinished(const BatchOutcome& outcome, const std::vector<std::string>& folders);
    void OpenOutputFolder();
    void ConvertOffered();
    void ClearOffered();

    std::unique_ptr<Ui::ResizerDialog> ui;
    std::unique_ptr<ProfileCombo> profileCombo;
    DialogServices services;
    FrameSettings settings;
    std::string profileName;
    ProfileList profiles;
    // Names read from the store and not removed since, and those removed:
    // "Done" deletes the removed ones from the store.
    std::vector<std::string> storedNames;
    std::vector<std::string> removedNames;
    // The run's profiles as the store last held them (loaded, or written by
    // Done), sorted by name: the close question comes only when they differ.
    std::vector<Profile> storeHolds;
    ImagingToken imaging;
    DropQueue queue;
    // Set while files are dragged over the dialog.
    bool dragging = false;
    // Last, so that it stops and waits before anything it uses goes.
    std::unique_ptr<BatchRun> batch;
};
