#include "DialogFixture.h"

namespace {

using AppDrop = DialogFixture;

// Files dropped anywhere, a field included (its text stays), are converted
// with the values then in the fields, no button pressed, under their own bytes
// when their names are no UTF-8.
TEST_F(AppDrop, ADropAnywhereConvertsWithTheValuesTypedSoFar) {
    Open();
    const QUrl latin1(QUrl::fromLocalFile(folder.path()).toString() + "/caf%E9.jpg");
    const std::string cafe = folder.path().toStdString() + "/caf\xE9";
    for (QWidget* target : QWidgetList{&Width(), Box().lineEdit(), dialog.get()}) {
        conversions.clear();
        Type("", "1024", "7", false);
        Drop(*target, {File("nächt.tif"), latin1});
        EXPECT_EQ(
            conversions,
            (std::vector<Profile>{
                {Path("nächt.tif") + " > " + Path("Quillmere/nächt.jpg"), 0, 0x00C80000, 1024, 7},
                {cafe + ".jpg > " + Path("Quillmere/") + "caf\xE9.jpg", 0, 0x00C80000, 1024, 7}}));
        EXPECT_EQ(Showing(), (Profile{"", 0, 0x00C80000, 1024, 7}));
    }
    Drop(*dialog, {});
}

// A batch that runs out of memory ends there, and what it wrote still counts.
TEST_F(AppDrop, ABatchThatThrowsKeepsTheCountsOfWhatItWrote) {
    Open();
    files.failAllocationAt = 2;
    Drop(*dialog, {File("a.png"), File("b.png"), File("c.png"), File("d.png")});
    EXPECT_EQ(conversions.size(), 2u);
    EXPECT_EQ(Status(), "2 converted" + into + ", 2 skipped");
}

// A person who cannot drag chooses pictures with Ctrl+O, or "Add
// Pictures..." in the context menu, from a file dialog filtered to the kinds
// Quillmere reads; they run as a drop.
TEST_F(AppDrop, CtrlOAndAddPicturesChooseFilesThatRunAsADrop) {
    Open();
    for (const char* name : {"a.png", "b.webp"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList filters;
    Respond<QFileDialog>([&](QFileDialog& chooser) {
        filters = chooser.nameFilters();
        chooser.setDirectory(folder.path());
        chooser.selectFile("\"a.png\" \"b.webp\"");
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    QTest::keyClick(dialog.get(), Qt::Key_O, Qt::ControlModifier);
    Settle();
    ASSERT_EQ(conversions.size(), 2u);
    EXPECT_EQ(conversions[1].name, Path("b.webp") + " > " + Path("Quillmere/b.jpg"));
    ASSERT_FALSE(filters.isEmpty());
    for (const char* kind : {"jpg", "png", "gif", "webp", "tif", "heif", "avif", "jxl", "bmp"})
        EXPECT_TRUE(filters[0].contains(QString("*.") + kind)) << kind;

    QStringList actions;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions())
                actions << action->text();
            menu->close();
        }
    });
    QContextMenuEvent context(QContextMenuEvent::Mouse, dialog->rect().center(),
                              dialog->mapToGlobal(dialog->rect().center()));
    QApplication::sendEvent(dialog.get(), &context);
    EXPECT_EQ(actions, (QStringList{"Add &Pictures...", "&About Quillmere..."}));
}

// Receives what the dialog asks the desktop to open.
class Desktop : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url); }
};

// While a batch runs the window goes on, and its status row shows what the
// queue says (DropQueueTest): dragged files say what a drop will do; a long
// name is cut in its middle to fit the bar's one line, with the whole path in
// its tooltip, beside Stop; the result of a drop stays in view, whole, beside
// the drops waiting, which run with the values in the fields when they start;
// Open Folder opens the folder the files went into. Files from outside wait
// for Convert, the default button meanwhile, so Return runs them; Clear lets
// them go.
TEST_F(AppDrop, TheStatusRowAndItsButtonsFollowTheQueue) {
    Open();
    QMimeData mime;
    mime.setUrls({File("a.png"), File("b.png"), File("c.png")});
    QDragEnterEvent enter(dialog->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &enter);
    EXPECT_EQ(Status(), "Drop to convert 3 pictures");
    QDragLeaveEvent leave;
    QApplication::sendEvent(dialog.get(), &leave);
    EXPECT_EQ(Status(), "Drop pictures here, or press Ctrl+O");

    const QString longName =
        "IMG_20240715_183455_HDR_Ostsee_Strandkorb_Sonnenuntergang_bearbeitet.png";
    Drop(*dialog, {File("a.png")});
    Hold();
    DeliverDrop(*dialog, {File(longName), File("b.png")});
    DeliverDrop(*dialog, {File("c.png")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return Progress().starts_with("1 of 2: "); }, 5000))
        << Progress();
    auto& bar = Child<QProgressBar>("progressBatch");
    const QString progress = bar.format();
    EXPECT_TRUE(progress.contains(QStringLiteral("…"))) << progress.toStdString();
    EXPECT_TRUE(progress.endsWith(QStringLiteral("bearbeitet.png"))) << progress.toStdString();
    EXPECT_LE(bar.fontMetrics().horizontalAdvance(progress), bar.contentsRect().width());
    EXPECT_EQ(bar.toolTip(), folder.filePath(longName));
    EXPECT_TRUE(Child<QPushButton>("buttonStop").isVisible());
    EXPECT_TRUE(Busy());
    auto& label = Child<QLabel>("labelStatus");
    EXPECT_EQ(Status(), "1 converted" + into + "; 1 more drop waiting");
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(label.text()));
    Type("", "333", "222", true); // taken by the waiting drop only
    Release();
    Settle();
    ASSERT_EQ(conversions.size(), 4u);
    EXPECT_EQ(conversions[2],
              (Profile{Path("b.png") + " > " + Path("Quillmere/b.jpg"), 1, 0x00C80000, 800, 600}));
    EXPECT_EQ(conversions[3],
              (Profile{Path("c.png") + " > " + Path("Quillmere/c.jpg"), 1, 0x00C80000, 333, 222}));
    EXPECT_EQ(Status(), "1 converted" + into);
    EXPECT_FALSE(Child<QPushButton>("buttonStop").isVisible());
    EXPECT_FALSE(Busy());

    Desktop desktop;
    QDesktopServices::setUrlHandler("file", &desktop, "Open");
    Click("buttonOpenFolder");
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_EQ(desktop.opened, std::vector{File("Quillmere")});

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
}

// A key or a click during a batch, with profiles changed: Stop and Escape
// stop the batch and never close the dialog; Done and the end of the session
// stop it and close once it is over, the session asking nothing; Return in a
// field does nothing to the batch. The close box asks about the profiles
// before it stops anything: Cancel loses nothing, Discard and Save stop the
// batch and close. What waits meanwhile is the queue's (DropQueueTest).
TEST_F(AppDrop, KeysAndClicksDuringABatchLoseOnlyWhatTheyMean) {
    Open();
    const auto close = [this] { dialog->close(); };
    const struct {
        const char* name;
        std::function<void()> act;
        QList<int> answers; // to "Save the changes to the profiles?"
        bool stops;
        bool closes;
        QDialog::DialogCode result;
    } rows[] = {
        // clang-format off
        {"Stop", [this] { Click("buttonStop"); }, {}, true, false, QDialog::Rejected},
        {"Escape", [this] { QTest::keyClick(dialog.get(), Qt::Key_Escape); }, {}, true, false,
         QDialog::Rejected},
        {"Return in Width", [this] { QTest::keyClick(&Width(), Qt::Key_Return); }, {}, false,
         false, QDialog::Rejected},
        {"close box, Cancel", close, {IdCancel}, false, false, QDialog::Rejected},
        {"Done", [this] { Click("buttonDone1"); }, {}, true, true, QDialog::Accepted},
        {"a logout", [this] { dialog->EndSession(); }, {}, true, true, QDialog::Rejected},
        {"close box, Discard", close, {IdDiscard}, true, true, QDialog::Rejected},
        {"close box, Save", close, {IdSave}, true, true, QDialog::Accepted},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dialog->show();
        Type(row.name, "5", "6", true, "buttonSave1004");
        shown.clear();
        answers = row.answers;
        Hold();
        DeliverDrop(*dialog, {File("a.png"), File("b.png"), File("c.png")});
        ASSERT_TRUE(QTest::qWaitFor([this] { return !Progress().empty(); }, 5000));
        Width().setFocus();
        row.act();
        EXPECT_EQ(Progress() == "Stopping…", row.stops);
        Release();
        Settle();
        EXPECT_EQ(Status(), row.stops ? "Stopped after 0 of 3" : "3 converted" + into);
        EXPECT_FALSE(Busy());
        EXPECT_EQ(dialog->isVisible(), !row.closes);
        if (row.closes) {
            EXPECT_EQ(dialog->result(), row.result);
        }
        const std::string question = Shown("Save the changes to the profiles?", 0x23, true);
        EXPECT_EQ(shown, row.answers.empty() ? std::vector<std::string>{} : std::vector{question});
    }
    dialog->show();
    dialog->EndSession(); // no batch: at once
    EXPECT_FALSE(dialog->isVisible());
}

// Real message boxes answered through a timer: each style's icon and buttons,
// the first the default, the reason of a failure as informative text, owned
// by the dialog, Escape as the last button. The batch's come from its thread
// under the busy cursor but no override cursor, for an address that is no
// file on this computer too, and the row tells the outcome. Save in the
// question asked at closing acts as "Done". What each answer does to a batch
// is the batch's own (tests/batch).
TEST_F(AppDrop, RealMessageBoxesAskAndAnswer) {
    prompts = &boxes;
    failing = Path("bad.png");
    outputFolderThere = false;
    Open();
    std::vector<std::string> seen; // caption: text, icon, default button, buttons, cursors
    Respond<QMessageBox>([&](QMessageBox& box) {
        const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
        std::string look = box.windowTitle().toStdString() + ": " + box.text().toStdString() +
                           (box.informativeText().isEmpty() ? "" : " / ") +
                           box.informativeText().toStdString() + " " +
                           QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon());
        for (auto* button : QList<QAbstractButton*>{box.defaultButton()} + box.buttons())
            look = look + " " + buttons.valueToKey(box.standardButton(button));
        if (auto* discard = box.button(QMessageBox::Discard))
            look += " " + discard->text().toStdString(); // with its mnemonic
        seen.push_back(
            look + (QGuiApplication::overrideCursor() ? " overridden" : "") +
            (Busy() ? " busy" : "") +
            (box.windowHandle()->transientParent() == dialog->windowHandle() ? "" : " unowned"));
        // Return presses the default button, Escape the last one.
        const bool escape = box.informativeText() == damaged || box.buttons().size() == 1;
        QTest::keyClick(&box, escape ? Qt::Key_Escape : Qt::Key_Return);
    });
    Drop(*dialog, {QUrl("https://example.org/a.png"), File("bad.png"), File("b.png")});
    EXPECT_TRUE(QDir(folder.filePath("Quillmere")).exists());
    EXPECT_FALSE(Busy());
    EXPECT_EQ(Status(), "0 converted, 2 failed, 1 skipped");
    dialog->SelectProfile("none");
    Type("Zed", "5", "6", true, "buttonSave1004");
    dialog->close();
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Quillmere: https://example.org/a.png / not a file on this computer "
                        "Warning Ok Ok Cancel busy",
                        "Quillmere: Directory doesn't exist:  " + Path("Quillmere/") +
                            "\n\nCreate it? Question Yes Yes No busy",
                        "Quillmere: " + failing + " / " + damaged + " Warning Ok Ok Cancel busy",
                        "Quillmere: Profile name doesn't exist. Critical Ok Ok",
                        "Quillmere: Save the changes to the profiles? Question Save Save Cancel "
                        "Discard &Discard"}));
    EXPECT_EQ(dialog->result(), QDialog::Accepted); // so the profiles were written
    EXPECT_TRUE(conversions.empty());
}

} // namespace

#include "DropTest.moc"
