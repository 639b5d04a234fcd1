#include "DialogFixture.h"

namespace {

using AppDrop = DialogFixture;

// Files dropped anywhere, a field included (its text stays), are converted
// with the values then in the fields, no button pressed, under their own bytes
// when their names are no UTF-8. A drag of text alone is refused.
TEST_F(AppDrop, ADropAnywhereConvertsWithTheValuesTypedSoFar) {
    Open();
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
}

// A batch that runs out of memory ends there, and what it wrote still counts.
TEST_F(AppDrop, ABatchThatThrowsKeepsTheCountsOfWhatItWrote) {
    Open();
    files.failAllocationAt = 2;
    Drop(*dialog, {File("a.png"), File("b.png"), File("c.png"), File("d.png")});
    EXPECT_EQ(Status(), "2 converted" + into + ", 2 skipped");
}

// A person who cannot drag chooses pictures with Ctrl+O, or "Add
// Pictures..." in the context menu, from a file dialog; they run as a drop.
// The context menu also opens the About box, which the dialog owns.
TEST_F(AppDrop, CtrlOAndAddPicturesChooseFilesThatRunAsADrop) {
    Open();
    for (const char* name : {"a.png", "b.webp"}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    Respond<QFileDialog>([&](QFileDialog& chooser) {
        chooser.setDirectory(folder.path());
        chooser.selectFile("\"a.png\" \"b.webp\"");
        QMetaObject::invokeMethod(&chooser, "accept");
    });
    QTest::keyClick(dialog.get(), Qt::Key_O, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(conversions.size(), 2u);

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
    holding = true;
    DeliverDrop(*dialog, {File(longName), File("b.png")});
    DeliverDrop(*dialog, {File("c.png")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return Progress().starts_with("1 of 2: "); }, 5000))
        << Progress();
    auto& bar = Child<QProgressBar>("progressBatch");
    const QString progress = bar.format();
    EXPECT_TRUE(progress.startsWith("1 of 2: IMG_2024")) << progress.toStdString();
    EXPECT_TRUE(progress.endsWith(QStringLiteral("bearbeitet.png"))) << progress.toStdString();
    EXPECT_LE(bar.fontMetrics().horizontalAdvance(progress), bar.contentsRect().width());
    EXPECT_EQ(bar.toolTip(), folder.filePath(longName));
    EXPECT_TRUE(Child<QPushButton>("buttonStop").isVisible());
    EXPECT_TRUE(Busy());
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
// before it stops anything: Cancel loses nothing, Discard stops the batch and
// closes. What waits meanwhile is the queue's (DropQueueTest).
TEST_F(AppDrop, KeysAndClicksDuringABatchLoseOnlyWhatTheyMean) {
    Open();
    const auto close = [this] { dialog->close(); };
    constexpr int stays = -1; // the dialog stays open
    const struct {
        const char* name;
        std::function<void()> act;
        QList<int> answers; // to "Save the changes to the profiles?"
        bool stops;
        int ends; // stays, or the dialog's result
    } rows[] = {
        {"Stop", [this] { Click("buttonStop"); }, {}, true, stays},
        {"Escape", [this] { QTest::keyClick(dialog.get(), Qt::Key_Escape); }, {}, true, stays},
        {"Return in Width",
         [this] { QTest::keyClick(&Width(), Qt::Key_Return); },
         {},
         false,
         stays},
        {"close box, Cancel", close, {IdCancel}, false, stays},
        {"Done", [this] { Click("buttonDone1"); }, {}, true, QDialog::Accepted},
        {"a logout", [this] { dialog->EndSession(); }, {}, true, QDialog::Rejected},
        {"close box, Discard", close, {IdDiscard}, true, QDialog::Rejected},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dialog->show();
        Type(row.name, "5", "6", true, "buttonSave1004");
        answers = row.answers;
        holding = true;
        DeliverDrop(*dialog, {File("a.png"), File("b.png"), File("c.png")});
        ASSERT_TRUE(QTest::qWaitFor([this] { return !Progress().empty(); }, 5000));
        Width().setFocus();
        row.act();
        EXPECT_EQ(Progress() == "Stopping…", row.stops);
        holding = false;
        Settle();
        EXPECT_EQ(dialog->isVisible() ? stays : dialog->result(), row.ends);
        EXPECT_TRUE(answers.empty()) << "the question was not asked";
    }
    dialog->show();
    dialog->EndSession(); // no batch: at once
    EXPECT_FALSE(dialog->isVisible());
}

} // namespace

#include "DropTest.moc"
