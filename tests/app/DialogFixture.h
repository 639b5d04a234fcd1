#pragma once

#include "ColorSwatch.h"
#include "PosixFileSystem.h"
#include "QColorRef.h"
#include "ResizerDialog.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

// A message as the tests see it: text, the reason beneath it and style.
inline std::string Shown(const std::string& text, unsigned style, const std::string& detail = {}) {
    return text + (detail.empty() ? "" : " / " + detail) + " [" + std::to_string(style) + "]";
}

// Folders as the real file system has them in a temporary folder; every
// source is taken for a readable file, and outputs are only counted.
struct UnwrittenFiles final : PosixFileSystem {
    std::size_t writes = 0;
    std::size_t failAllocationAt = SIZE_MAX; // the write that runs out of memory

    std::string SourceProblem(const std::string&) override { return {}; }
    std::string WriteOutput(const std::string&, const std::string&,
                            std::span<const unsigned char>) override {
        if (writes++ == failAllocationAt)
            throw std::bad_alloc();
        return {};
    }
};

// A dialog on prompts answered from a script (an unexpected message fails the
// test), the real folders of a temporary folder, a store of its own and an
// encoder, one file at a time, that records each source with its settings and
// waits while holding is set, until the batch stops.
class AppDialog : public ::testing::Test, public Prompts {
protected:
    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override {
        shown.push_back(Shown(text, style, detail));
        EXPECT_FALSE(answers.empty()) << "unexpected message: " << shown.back();
        return answers.empty() ? IdCancel : answers.takeFirst();
    }

    // Runs on the batch's worker thread; waits while holding, until a stop.
    Encoded Encode(const FrameSettings& s, const std::string& source, std::stop_token stop) {
        while (holding && !stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (stop.stop_requested())
            return {{}, "stopped"};
        conversions.push_back({source, s.doPadding, s.paddingColor, s.frameWidth, s.frameHeight});
        return {{'j'}, {}};
    }
    // Delivers a drop of urls to target as the window system does, with the
    // text that file managers send beside them (only text when urls is empty),
    // lets the batch it queues start and, if settle, waits until every batch
    // is over.
    void Drop(QWidget& target, const QList<QUrl>& urls, bool settle = true) {
        QMimeData mime;
        if (!urls.isEmpty()) // an empty list would still offer an address list
            mime.setUrls(urls);
        mime.setText(urls.isEmpty() ? "just words" : urls[0].toString());
        QDragEnterEvent enter(target.rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        EXPECT_EQ(enter.isAccepted(), !urls.isEmpty()); // a drag without files is refused
        QDropEvent drop(target.rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(&target, &drop);
        QCoreApplication::sendPostedEvents();
        if (settle)
            Settle();
    }
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->Idle(); }, 10000));
    }
    std::string Status() { return Child<QLabel>("labelStatus").text().toStdString(); }
    std::string Progress() { return Child<QProgressBar>("progressBatch").format().toStdString(); }

    // Stores the profiles given, as an earlier run's "Done" would, makes the
    // output folder, then opens.
    void Open(const std::vector<Profile>& stored = {}) {
        ASSERT_TRUE(QDir(folder.path()).mkpath("Quillmere"));
        ProfileList list;
        for (const Profile& profile : stored)
            list.Add(profile);
        ASSERT_TRUE(store.SaveProfiles(list));
        const auto encode = std::bind_front(&AppDialog::Encode, this);
        const auto start = [this] { return imagingStarts ? std::make_shared<int>(0) : nullptr; };
        dialog = std::make_unique<ResizerDialog>(
            DialogServices{*this, files, encode, start, store, 1, folders});
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
    }
    template <class T = QWidget> T& Child(const char* name) { return *dialog->findChild<T*>(name); }
    QLineEdit& Width() { return Child<QLineEdit>("editWidth1005"); }
    QComboBox& Box() { return Child<QComboBox>("comboProfile1003"); }
    void Click(const char* button) { Child<QPushButton>(button).click(); }
    // Types into the fields, then clicks button if one is named.
    void Type(const QString& name, const QString& width, const QString& height, bool padding,
              const char* button = nullptr) {
        Box().setEditText(name);
        Width().setText(width);
        Child<QLineEdit>("editHeight1006").setText(height);
        Child<QCheckBox>("checkAddPadding1000").setChecked(padding);
        if (button)
            Click(button);
    }
    // The person picks the entry at index from the list.
    void Pick(int index) {
        Box().setCurrentIndex(index);
        Q_EMIT Box().activated(index);
    }

    std::string Path(const QString& name) const { return folder.filePath(name).toStdString(); }
    QUrl File(const QString& name) const { return QUrl::fromLocalFile(folder.filePath(name)); }

    std::string Entries() {
        QStringList texts;
        for (int index = 0; index < Box().count(); ++index)
            texts << Box().itemText(index);
        return texts.join('|').toStdString();
    }
    // The run's profiles by name, as the store keeps an order of its own.
    std::vector<Profile> Listed() const {
        std::vector<Profile> listed;
        for (std::int32_t index = 0; index < dialog->Profiles().Size(); ++index)
            listed.push_back(dialog->Profiles()[index]);
        std::ranges::sort(listed, {}, &Profile::name);
        return listed;
    }
    // What the fields and the swatch show, and what the members hold.
    Profile Showing() {
        const auto swatch = Child<ColorSwatch>("swatchPaddingColor1010").ShownColor();
        return {Box().currentText().toStdString(),
                Child<QCheckBox>("checkAddPadding1000").isChecked() ? 1 : 0,
                swatch ? RefFromColor(*swatch) : 0xFFFFFFFFu, Width().text().toInt(),
                Child<QLineEdit>("editHeight1006").text().toInt()};
    }
    Profile Held() const {
        const FrameSettings s = dialog->Settings();
        return {dialog->ProfileName(), s.doPadding, s.paddingColor, s.frameWidth, s.frameHeight};
    }

    // Calls respond, from a timer, on every modal window of type T that opens
    // from now on; respond must close the window.
    template <class T> void Respond(std::function<void(T&)> respond) {
        QObject::connect(&timer, &QTimer::timeout, [respond] {
            if (auto* target = qobject_cast<T*>(QApplication::activeModalWidget()))
                respond(*target);
        });
        timer.start(5);
    }

    // Each test has a settings folder of its own, gone with it, so that a
    // test repeated in one process starts from the same empty store.
    AppDialog() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    }
    QTemporaryDir config;
    QTimer timer;
    QList<int> answers;
    std::vector<std::string> shown;
    QTemporaryDir folder;
    // How the result names the Quillmere folder of folder.
    const std::string into =
        " into " + QFileInfo(folder.path()).fileName().toStdString() + "/Quillmere";
    UnwrittenFiles files;
    FolderLister* folders = nullptr;  // the real folders
    std::vector<Profile> conversions; // named by their sources
    std::atomic<bool> holding = false;
    const QString storeName = testing::UnitTest::GetInstance()->current_test_info()->name();
    const ProfileStore store{storeName.toStdString()};
    bool imagingStarts = true;
    std::unique_ptr<ResizerDialog> dialog;
};
