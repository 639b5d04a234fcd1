#include "ConvertImage.h"
#include "DialogFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace {

constexpr unsigned questionStyle = MessageStyle::YesNo | MessageStyle::IconQuestion;
constexpr unsigned failureStyle = MessageStyle::OkCancel | MessageStyle::IconExclamation;

class AppDrop : public DialogFixture {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }
    std::string OutputFolder() const { return Path("Quillmere") + "/"; }
    void MakeOutputFolder() const { ASSERT_TRUE(QDir(folder.path()).mkdir("Quillmere")); }

    QTemporaryDir folder;
};

// Files can be dropped on any part of the dialog, a field included, and the
// field's text stays as it was.
TEST_F(AppDrop, ADropAnywhereOnTheDialogConvertsTheFiles) {
    Open();
    MakeOutputFolder();
    QWidget* const targets[] = {
        &Child<QLineEdit>("editWidth1005"),
        Child<QComboBox>("comboProfile1003").lineEdit(),
        &Child<QLabel>("labelPaddingColor"),
        &Child<QPushButton>("buttonDone1"),
        dialog.get(),
    };
    for (QWidget* widget : targets) {
        SCOPED_TRACE(widget->objectName().toStdString());
        conversions.clear();
        Drop(*widget, {File(Path("beach.png")), File(Path("night.tif"))});
        ASSERT_EQ(conversions.size(), 2u);
        EXPECT_EQ(conversions[0].source, Path("beach.png"));
        EXPECT_EQ(conversions[0].output, OutputFolder() + "beach.jpg");
        EXPECT_EQ(conversions[1].source, Path("night.tif"));
        EXPECT_EQ(conversions[1].output, OutputFolder() + "night.jpg");
    }
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "800");
    EXPECT_EQ(Child<QComboBox>("comboProfile1003").currentText(), "");
    EXPECT_TRUE(prompts.shown.empty());
}

// What is in the fields when the files arrive is what the batch uses.
TEST_F(AppDrop, TypedValuesTakeEffectAtTheNextDrop) {
    Open();
    MakeOutputFolder();
    Child<QLineEdit>("editWidth1005").setText("1024");
    Child<QLineEdit>("editHeight1006").setText("-5");
    Child<QCheckBox>("checkAddPadding1000").setChecked(false);
    Drop(*dialog, {File(Path("beach.png"))});
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].settings.frameWidth, 1024);
    EXPECT_EQ(conversions[0].settings.frameHeight, -5);
    EXPECT_EQ(conversions[0].settings.doPadding, 0);
    EXPECT_EQ(conversions[0].settings.paddingColor, 0x00C80000u);
    EXPECT_EQ(dialog->Settings().frameWidth, 1024);
}

// A field without an integer is reported, and the batch still runs with the
// values the transfer got to.
TEST_F(AppDrop, ABadFieldIsReportedAndTheBatchGoesOn) {
    Open();
    MakeOutputFolder();
    Child<QLineEdit>("editHeight1006").setText("480");
    Child<QLineEdit>("editWidth1005").setText("12a");
    prompts.answers = {IdOk};
    Drop(*dialog, {File(Path("beach.png"))});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Please enter an integer.");
    EXPECT_TRUE(prompts.shown[0].underWaitCursor);
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].settings.frameHeight, 480);
    EXPECT_EQ(conversions[0].settings.frameWidth, 800);
}

TEST_F(AppDrop, AMissingFolderIsMadeOnYesOnly) {
    for (const int answer : {IdYes, IdNo}) {
        SCOPED_TRACE(answer);
        QDir(QString::fromStdString(OutputFolder())).removeRecursively();
        Open();
        conversions.clear();
        prompts.shown.clear();
        prompts.answers = {answer};
        Drop(*dialog, {File(Path("beach.png")), File(Path("night.png"))});
        const ShownMessage question{
            "Directory doesn't exist:  " + OutputFolder() + "\n\nCreate it?", questionStyle, true};
        EXPECT_EQ(prompts.shown, std::vector<ShownMessage>{question});
        const bool made = QFileInfo(QString::fromStdString(OutputFolder())).isDir();
        EXPECT_EQ(made, answer == IdYes);
        EXPECT_EQ(conversions.size(), answer == IdYes ? 2u : 0u);
    }
}

TEST_F(AppDrop, AFailureAsksWhetherToGoOn) {
    MakeOutputFolder();
    failing = {Path("broken.png")};
    for (const int answer : {IdOk, IdCancel}) {
        SCOPED_TRACE(answer);
        Open();
        conversions.clear();
        prompts.shown.clear();
        prompts.answers = {answer};
        Drop(*dialog, {File(Path("broken.png")), File(Path("night.png"))});
        EXPECT_EQ(prompts.shown,
                  std::vector<ShownMessage>({{Path("broken.png"), failureStyle, true}}));
        EXPECT_EQ(conversions.size(), answer == IdOk ? 2u : 1u);
    }
}

// The wait cursor shows while the files are converted and is gone after
// every way out of the batch.
TEST_F(AppDrop, TheWaitCursorIsGoneAfterEveryDrop) {
    Open();
    const struct {
        bool folderThere;
        const char* file;
        std::vector<int> answers;
    } cases[] = {
        {true, "beach.png", {}},             // converted
        {false, "beach.png", {IdNo}},        // no folder
        {false, "night.png", {IdYes, IdOk}}, // folder made, failure, go on
        {true, "night.png", {IdCancel}},     // failure, stop
    };
    failing = {Path("night.png")};
    int drops = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(drops);
        QDir(QString::fromStdString(OutputFolder())).removeRecursively();
        if (c.folderThere)
            MakeOutputFolder();
        prompts.answers.assign(c.answers.begin(), c.answers.end());
        conversions.clear();
        Drop(*dialog, {File(Path(c.file))});
        ++drops;
        EXPECT_EQ(prompts.waitDepth, 0);
        EXPECT_EQ(prompts.waitBegins, drops);
        for (const auto& conversion : conversions)
            EXPECT_EQ(conversion.waitDepth, 1);
        EXPECT_TRUE(prompts.answers.empty());
    }
}

// A dropped address that is no local file cannot be converted; it is reported
// like any failed item, by its address.
TEST_F(AppDrop, AnAddressThatIsNoLocalFileIsReported) {
    Open();
    MakeOutputFolder();
    prompts.answers = {IdOk};
    Drop(*dialog, {QUrl(QStringLiteral("https://example.org/beach.png")), File(Path("night.png"))});
    EXPECT_EQ(prompts.shown,
              std::vector<ShownMessage>({{"https://example.org/beach.png", failureStyle, true}}));
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].source, Path("night.png"));
}

// Paths go to the batch as the file system's bytes.
TEST_F(AppDrop, PathsArriveAsFileSystemBytes) {
    Open();
    MakeOutputFolder();
    const QString name = QString::fromUtf8("Pl\xc3\xa4ne & <b>100%.png");
    Drop(*dialog, {QUrl::fromLocalFile(folder.filePath(name))});
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].source, QFile::encodeName(folder.filePath(name)).toStdString());
}

TEST_F(AppDrop, DragsWithoutFilesAreRefused) {
    Open();
    QMimeData mime;
    mime.setText(QStringLiteral("just text"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(dialog.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());

    QMimeData files;
    files.setUrls({File(Path("beach.png"))});
    QDragEnterEvent fileEnter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &fileEnter);
    EXPECT_TRUE(fileEnter.isAccepted());
}

// End to end: a real picture dropped on the dialog comes out as a JPEG of the
// frame size given in the fields.
TEST_F(AppDrop, ADroppedPictureIsWrittenAsAFramedJpeg) {
    QImage picture(300, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(folder.filePath("wide.png")));
    MakeOutputFolder();

    DialogServices services = Services();
    services.convert = ConvertImage;
    dialog = std::make_unique<ResizerDialog>(services);
    dialog->show();
    Child<QLineEdit>("editWidth1005").setText("200");
    Child<QLineEdit>("editHeight1006").setText("150");
    Drop(*dialog, {File(Path("wide.png"))});

    EXPECT_TRUE(prompts.shown.empty());
    const QImage written(QString::fromStdString(OutputFolder() + "wide.jpg"));
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.size(), QSize(200, 150));
    // Padded above and below with blue 200, the picture red in the middle.
    const QColor padding = written.pixelColor(100, 5);
    const QColor middle = written.pixelColor(100, 75);
    EXPECT_LT(padding.red(), 20);
    EXPECT_NEAR(padding.blue(), 200, 12);
    EXPECT_GT(middle.red(), 230);
    EXPECT_LT(middle.blue(), 20);
}

} // namespace
