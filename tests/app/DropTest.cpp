#include "DialogFixture.h"
#include "GuiThreadPrompts.h"
#include "MessageBoxPrompts.h"

#include <future>
#include <optional>

namespace {

// A folder that never ends: each level holds a picture and the next level, and takes a
// moment to list, as a huge tree on a slow disk does.
struct EndlessFolders final : FolderLister {
    bool IsFolder(const std::string&) override { return true; }
    std::string List(const std::string&, std::vector<FolderEntry>& entries) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        entries = {{"p.png", FolderEntry::Kind::file}, {"next", FolderEntry::Kind::folder}};
        return {};
    }
};

// Receives what the dialog asks the desktop to open.
class Desktop : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url); }
};

// One person's way through the dialog, each step named in its failures.
TEST_F(AppDialog, AWalkThroughTheDialog) {
    std::optional<testing::ScopedTrace> step;
    const auto Step = [&step](const char* name) { step.emplace(__FILE__, __LINE__, name); };
    for (const char* name : {"a.png", "b.webp", "Holidays/IMG_10.png", "Holidays/IMG_2.png",
                             "Holidays/notes.txt", "Holidays/day1/a.png"}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(folder.filePath(name)).path()));
        QFile(folder.filePath(name)).open(QIODevice::WriteOnly);
    }
    Open();

    // The controls in tab order from "Done" (the swatch takes no focus: Change
    // is its control), each with a name for assistive technology, the labels'
    // mnemonics moving to their fields, and the values the dialog opens with.
    Step("the controls");
    for (const char* name :
         {"buttonDone1", "checkAddPadding1000", "comboProfile1003", "buttonSave1004",
          "editWidth1005", "editHeight1006", "buttonChange1009", "buttonRemove1007"}) {
        SCOPED_TRACE(name);
        QWidget& widget = Child(name);
        EXPECT_TRUE(widget.hasFocus());
        EXPECT_FALSE(widget.accessibleName().isEmpty());
        EXPECT_FALSE(widget.accessibleDescription().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(Child("labelStatus").accessibleName(), "Status");
    for (const auto& [key, field] : {std::pair{Qt::Key_W, "editWidth1005"},
                                     {Qt::Key_H, "editHeight1006"},
                                     {Qt::Key_R, "comboProfile1003"}}) {
        SCOPED_TRACE(field);
        QTest::keyClick(dialog.get(), key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), &Child(field));
    }
    EXPECT_EQ(Showing(), (Profile{"", 1, 0x00C80000, 800, 600})); // the swatch too, from the start
    // A top-level window of its own, which taskbars list.
    EXPECT_EQ(dialog->windowType(), Qt::Window);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);

    // While a batch runs the window goes on, and its status row shows what the
    // queue says (DropQueueTest): dragged files say what a drop will do; a long
    // name is cut in its middle to fit the bar's one line, with the whole path in
    // its tooltip, beside Stop; the result of a drop stays in view, whole, beside
    // the drops waiting, which run with the values in the fields when they start;
    // Open Folder opens the folder the files went into. Files from outside wait
    // for Convert, the default button meanwhile, so Return runs them; Clear lets
    // them go.
    Step("a drag that enters and leaves");
    QMimeData mime;
    mime.setUrls({File("a.png"), File("b.png"), File("c.png")});
    QDragEnterEvent enter(dialog->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &enter);
    EXPECT_EQ(Status(), "Drop to convert 3 pictures");
    QDragLeaveEvent leave;
    QApplication::sendEvent(dialog.get(), &leave);
    EXPECT_EQ(Status(), "Drop pictures here, or press Ctrl+O");

    Step("the status row during a batch");
    const QString longName =
        "IMG_20240715_183455_HDR_Ostsee_Strandkorb_Sonnenuntergang_bearbeitet.png";
    Drop(*dialog, {File("a.png")});
    holding = true;
    Drop(*dialog, {File(longName), File("b.png")}, false);
    Drop(*dialog, {File("c.png")}, false);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Progress().starts_with("1 of 2: "); }, 5000))
        << Progress();
    auto& bar = Child<QProgressBar>("progressBatch");
    const QString progress = bar.format();
    EXPECT_TRUE(progress.startsWith("1 of 2: IMG_2024")) << progress.toStdString();
    EXPECT_TRUE(progress.endsWith(QStringLiteral("bearbeitet.png"))) << progress.toStdString();
    EXPECT_LE(bar.fontMetrics().horizontalAdvance(progress), bar.contentsRect().width());
    EXPECT_EQ(bar.toolTip(), folder.filePath(longName));
    EXPECT_TRUE(Child<QPushButton>("buttonStop").isVisible());
    EXPECT_EQ(dialog->cursor().shape(), Qt::BusyCursor);
    auto& label = Child<QLabel>("labelStatus");
    EXPECT_EQ(Status(), "1 converted" + into + "; 1 more drop waiting");
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(label.text()));
    Type("", "333", "222", true); // taken by the waiting drop only
    holding = false;
    Settle();
    ASSERT_EQ(conversions.size(), 4u);
    EXPECT_EQ(conversions[3], (Profile{Path("c.png"), 1, 0x00C80000, 333, 222}));
    EXPECT_EQ(Status(), "1 converted" + into);
    EXPECT_FALSE(Child<QPushButton>("buttonStop").isVisible());
    EXPECT_EQ(dialog->cursor().shape(), Qt::ArrowCursor);

    Step("Open Folder");
    Desktop desktop;
    QDesktopServices::setUrlHandler("file", &desktop, "Open");
    Click("buttonOpenFolder");
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(desktop.opened, std::vector{File("Quillmere")});

    Step("files from outside");
    auto& convert = Child<QPushButton>("buttonConvert");
    dialog->OfferFiles({{Path("a.png")}, {Path("b.png")}});
    Click("buttonClear");
    dialog->OfferFiles({{Path("c.png")}});
    EXPECT_EQ(Status(), "1 picture to convert");
    EXPECT_TRUE(convert.isVisible());
    EXPECT_TRUE(convert.isDefault());
    QTest::keyClick(&Width(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(conversions.size(), 5u);
    EXPECT_FALSE(convert.isVisible());
    EXPECT_TRUE(dialog->isVisible());

    // Files dropped anywhere, a field included (its text stays), are converted
    // with the values then in the fields, no button pressed, under their own
    // bytes when their names are no UTF-8. A drag of text alone is refused.
    Step("a drop anywhere");
    const QUrl latin1(QUrl::fromLocalFile(folder.path()).toString() + "/caf%E9.jpg");
    const Profile cafe{folder.path().toStdString() + "/caf\xE9.jpg", 0, 0x00C80000, 1024, 7};
    for (QWidget* target : QWidgetList{&Width(), Box().lineEdit(), dialog.get()}) {
        conversions.clear();
        Type("", "1024", "7", false);
        Drop(*target, {latin1});
        EXPECT_EQ(conversions, std::vector{cafe});
        EXPECT_EQ(Showing(), (Profile{"", 0, 0x00C80000, 1024, 7}));
    }
    Drop(*dialog, {});

    // A batch that runs out of memory ends there, and what it wrote still counts.
    Step("a batch that throws");
    files.failAllocationAt = files.writes + 2;
    Drop(*dialog, {File("a.png"), File("b.png"), File("c.png"), File("d.png")});
    EXPECT_EQ(Status(), "2 converted" + into + ", 2 skipped");

    // A person who cannot drag chooses pictures with Ctrl+O from a file dialog;
    // they run as a drop.
    Step("Ctrl+O");
    Respond<QFileDialog>([&](QFileDialog& chooser) {
        chooser.setDirectory(folder.path());
        chooser.selectFile("\"a.png\" \"b.webp\"");
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    conversions.clear();
    QTest::keyClick(dialog.get(), Qt::Key_O, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(conversions.size(), 2u);

    // The colour dialog, Qt's own within the screen's free area, opens on the
    // current colour; Cancel changes nothing, OK sets the swatch and the next
    // drop's colour (Save then stores it as it stores the others).
    Step("Change");
    const Profile before = Showing();
    dialog->move(700, 500); // near the screen's corner
    std::vector<QColor> opened;
    Respond<QColorDialog>([&](QColorDialog& colors) {
        opened.push_back(colors.currentColor());
        EXPECT_TRUE(colors.testOption(QColorDialog::DontUseNativeDialog));
        EXPECT_TRUE(colors.screen()->availableGeometry().contains(colors.geometry()));
        colors.setCurrentColor(QColor(0x12, 0x34, 0x56));
        opened.size() == 1 ? colors.reject() : colors.accept();
    });
    Click("buttonChange1009");
    EXPECT_EQ(Showing(), before);
    Click("buttonChange1009");
    EXPECT_EQ(opened, std::vector(2, ColorFromRef(before.paddingColor)));
    EXPECT_EQ(Showing(), (Profile{before.name, before.doPadding, 0x00563412, before.frameWidth,
                                  before.frameHeight}));
    Drop(*dialog, {File("a.png")});
    EXPECT_EQ(conversions.back().paddingColor, 0x00563412u);

    // A dropped folder, looked through on the real file system, converts its
    // pictures and its subfolder's once its question is answered, counted as
    // pictures in the progress; the result names the folders written into and
    // counts the other files. Which pictures, in which order, after which
    // question, is the walk's own (tests/batch).
    Step("a folder dropped");
    conversions.clear();
    answers = {IdYes};
    holding = true;
    Drop(*dialog, {File("Holidays")}, false);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Progress() == "1 of 3: IMG_2.png"; }, 5000))
        << Progress();
    holding = false;
    Settle();
    EXPECT_EQ(conversions.size(), 3u);
    EXPECT_EQ(Status(), "3 converted into Holidays/Quillmere and 1 more folder, 1 other file "
                        "passed over");

    // Real message boxes, answered from a timer: each style's icon and buttons,
    // the first the default (Return), the last taken by Escape, the reason as
    // informative text, the program's name as caption, owned by the dialog.
    Step("real message boxes");
    MessageBoxPrompts boxes;
    boxes.SetOwner(dialog.get());
    // Style, reason, key, answer, and the look: icon, default button, buttons.
    const std::tuple<unsigned, std::string, Qt::Key, int, std::string> boxRows[] = {
        {0x31, "why", Qt::Key_Return, IdOk, "Warning Ok Ok Cancel / why"},
        {0x24, "", Qt::Key_Escape, IdNo, "Question Yes Yes No"},
        {0x10, "", Qt::Key_Escape, IdOk, "Critical Ok Ok"},
        {0x23, "", Qt::Key_Escape, IdCancel, "Question Save Save Cancel Discard &Discard"},
    };
    std::string seen;
    Qt::Key press = Qt::Key_Return;
    Respond<QMessageBox>([&](QMessageBox& box) {
        const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
        seen = box.windowTitle().toStdString() + ": " + box.text().toStdString() + " " +
               QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon());
        for (auto* button : QList<QAbstractButton*>{box.defaultButton()} + box.buttons())
            seen = seen + " " + buttons.valueToKey(box.standardButton(button));
        if (auto* discard = box.button(QMessageBox::Discard))
            seen += " " + discard->text().toStdString(); // with its mnemonic
        if (!box.informativeText().isEmpty())
            seen += " / " + box.informativeText().toStdString();
        if (box.windowHandle()->transientParent() != dialog->windowHandle())
            seen += " unowned";
        QTest::keyClick(&box, press);
    });
    for (const auto& [style, detail, key, answer, look] : boxRows) {
        SCOPED_TRACE(look);
        press = key;
        EXPECT_EQ(boxes.ShowMessage("Asked", style, detail), answer);
        EXPECT_EQ(seen, "Quillmere: Asked " + look);
    }

    // "Add Pictures..." in the context menu chooses files as Ctrl+O does; the
    // menu also opens the About box, which the dialog owns.
    Step("the context menu");
    QStringList actions;
    QWindow* aboutOwner = nullptr;
    Respond<QDialog>([&](QDialog& about) {
        aboutOwner = about.windowHandle()->transientParent();
        about.reject();
    });
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions())
                actions << action->text();
            menu->close();
            menu->actions().back()->trigger();
        }
    });
    QContextMenuEvent context(QContextMenuEvent::Mouse, dialog->rect().center(),
                              dialog->mapToGlobal(dialog->rect().center()));
    QApplication::sendEvent(dialog.get(), &context);
    EXPECT_EQ(actions, (QStringList{"Add &Pictures...", "&About Quillmere..."}));
    EXPECT_EQ(aboutOwner, dialog->windowHandle());

    // Looking through a huge folder shows the pictures found so far while the
    // dialog goes on, and Stop ends it.
    Step("a huge folder");
    EndlessFolders endless;
    folders = &endless;
    Open();
    Drop(*dialog, {File("Archive")}, false);
    // A count past the first shows the row follows the look as it goes.
    const QRegularExpression counting("^Looking through Archive: [1-9][\\d,]* pictures so far$");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return counting.match(QString::fromStdString(Progress())).hasMatch(); }, 5000))
        << Progress();
    Click("buttonStop");
    EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->Idle(); }, 5000));
    EXPECT_TRUE(Status().starts_with("Stopped after 0 of ")) << Status();
}

// A key or a click during a batch, with profiles changed: Stop and Escape
// stop the batch and never close the dialog; Done and the end of the session
// stop it and close once it is over, the session asking nothing; Return in a
// field does nothing to the batch. The close box asks about the profiles
// before it stops anything: Cancel loses nothing, Discard stops the batch and
// closes. What waits meanwhile is the queue's (DropQueueTest).
TEST_F(AppDialog, KeysAndClicksDuringABatchLoseOnlyWhatTheyMean) {
    Open();
    const auto close = [this] { dialog->close(); };
    constexpr int stays = -1; // the dialog stays open
    // Each act with the answers to "Save the changes to the profiles?", whether
    // it stops the batch, and how the dialog ends: stays, or its result.
    const std::tuple<const char*, std::function<void()>, QList<int>, bool, int> rows[] = {
        {"Stop", [this] { Click("buttonStop"); }, {}, true, stays},
        {"Escape", [this] { QTest::keyClick(dialog.get(), Qt::Key_Escape); }, {}, true, stays},
        {"Return", [this] { QTest::keyClick(&Width(), Qt::Key_Return); }, {}, false, stays},
        {"close box, Cancel", close, {IdCancel}, false, stays},
        {"Done", [this] { Click("buttonDone1"); }, {}, true, QDialog::Accepted},
        {"a logout", [this] { dialog->EndSession(); }, {}, true, QDialog::Rejected},
        {"close box, Discard", close, {IdDiscard}, true, QDialog::Rejected},
    };
    for (const auto& [name, act, asked, stops, ends] : rows) {
        SCOPED_TRACE(name);
        dialog->show();
        Type(name, "5", "6", true, "buttonSave1004");
        answers = asked;
        holding = true;
        Drop(*dialog, {File("a.png"), File("b.png"), File("c.png")}, false);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !Progress().empty(); }, 5000));
        Width().setFocus();
        act();
        EXPECT_EQ(Progress() == "Stopping…", stops);
        holding = false;
        Settle();
        EXPECT_EQ(dialog->isVisible() ? stays : dialog->result(), ends);
        EXPECT_TRUE(answers.empty()) << "the question was not asked";
    }
    dialog->show();
    dialog->EndSession(); // no batch: at once
    EXPECT_FALSE(dialog->isVisible());
}

// Once the batch stops, a question from its thread still waiting for the GUI
// thread gets the answer that does least at once, and is never shown
// afterwards. One answered in time is the walk's dropped folder.
TEST_F(AppDialog, AStopAnswersAWaitingQuestionSafelyAndItIsNeverShown) {
    QObject context;
    for (const auto& [style, safe] :
         {std::pair{MessageStyle::YesNo | MessageStyle::IconQuestion, IdNo},
          {MessageStyle::OkCancel | MessageStyle::IconExclamation, IdCancel}}) {
        SCOPED_TRACE(style);
        std::stop_source stop;
        GuiThreadPrompts prompts(*this, context, stop.get_token());
        // The GUI thread is busy elsewhere until the stop has been answered.
        auto waiting = std::async(std::launch::async,
                                  [&] { return prompts.ShowMessage("waiting", style, {}); });
        stop.request_stop();
        ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(waiting.get(), safe);
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(shown.empty());
    }
}

} // namespace

#include "DropTest.moc"
