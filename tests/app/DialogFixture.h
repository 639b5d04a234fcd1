#pragma once

#include "PosixFileSystem.h"
#include "ResizerDialog.h"
#include "ScriptedPrompts.h"

#include "QtPrinters.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// Delivers a drop of urls to target as the window system does, then lets
// the dialog run the batch it queues.
inline void Drop(QWidget& target, const QList<QUrl>& urls) {
    // File managers offer the paths as plain text too, which input fields
    // would take for themselves.
    QMimeData mime;
    mime.setUrls(urls);
    QStringList paths;
    for (const QUrl& url : urls)
        paths << url.toString();
    mime.setText(paths.join(u'\n'));
    const QPointF at = QPointF(target.rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    QCoreApplication::sendPostedEvents();
}

// One call of the converter: what it was given.
struct Conversion {
    FrameSettings settings;
    std::string source;
    std::string output;
    int waitDepth = 0;
};

// A dialog on scripted prompts, the real file system and a converter that
// records its calls and fails for the sources named in failing.
class DialogFixture : public ::testing::Test {
protected:
    DialogServices Services() {
        return {
            .prompts = prompts,
            .fileSystem = fileSystem,
            .convert =
                [this](const FrameSettings& settings, const std::string& source,
                       const std::string& output) {
                    conversions.push_back({settings, source, output, prompts.waitDepth});
                    return failing.count(source) ? 0 : 1;
                },
            .startImaging = [this] { return imagingStarts ? std::make_shared<int>(0) : nullptr; },
            .store = store,
        };
    }

    ResizerDialog& Open() {
        dialog = std::make_unique<ResizerDialog>(Services());
        dialog->show();
        return *dialog;
    }

    // The dialog's child of that name and kind; the test fails without it.
    template <class T> T& Child(const char* name) {
        auto* child = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            throw std::runtime_error(std::string("no child ") + name);
        return *child;
    }

    static QUrl File(const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    }

    // Every test has a store of its own in the test run's settings folder.
    static std::string StoreName() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string("app-") + test->test_suite_name() + "-" + test->name();
    }

    ScriptedPrompts prompts;
    PosixFileSystem fileSystem;
    const ProfileStore store{StoreName()};
    std::vector<Conversion> conversions;
    std::set<std::string> failing;
    bool imagingStarts = true;
    std::unique_ptr<ResizerDialog> dialog;
};
