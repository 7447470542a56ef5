// The window: its controls where the layout puts them, Tab by real key presses, the handlers'
// wiring to the builds, and a second press while a long close lets events through.
#include "ControlTable.h"
#include "WindowTest.h"

#include "common/Clock.h"
#include "common/FileAccess.h"
#include "support/TestSupport.h"
#include "windows/ImageFixtures.h"

#include <QTimer>

#include <filesystem>

namespace folionix::test {
namespace {

TEST_F(WindowTest, EveryControlSitsInItsContainerAtItsTableRectangle) {
    EXPECT_EQ(window->windowTitle(), "Folionix  v2.0");
    EXPECT_EQ(window->minimumSize(), QSize(595, 388));
    EXPECT_EQ(window->maximumSize(), QSize(595, 388));
    for (const ControlPlace& row : kControlTable) {
        const QWidget* control = Control(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget()->objectName(), *row.in ? row.in : "frmMulti") << row.name;
        EXPECT_EQ(control->geometry(),
                  QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15))
            << row.name;
    }
}

TEST_F(WindowTest, TabEntersEachOptionPairAtItsChosenButton) {
    const std::vector<std::string> order{"Command1", "Option2", "Text2",    "List1",  "Text3",
                                         "Option3",  "Text4",   "Text5",    "Text6",  "Text7",
                                         "Text8",    "Option5", "Command3", "Check1", "Command2",
                                         "Command4", "Text1"};
    Control("Text1")->setFocus();
    std::vector<std::string> visited;
    for (std::size_t i = 0; i < order.size(); ++i) {
        Press(Qt::Key_Tab);
        visited.push_back(FocusName());
    }
    EXPECT_EQ(visited, order);
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    Press(Qt::Key_Space); // what a keyboard user does next: the page mode stays
    EXPECT_TRUE(IsChecked("Option2"));
    EXPECT_TRUE(Control("Text2")->isEnabled());

    Click("Option1");
    Click("Option6");
    EXPECT_FALSE(Control("Text2")->isEnabled() || Control("Text4")->isEnabled());
    Control("Text1")->setFocus();
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    EXPECT_EQ(FocusName(), "Option1");
    Control("Command3")->setFocus();
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(FocusName(), "Option6");
}

TEST_F(WindowTest, SavePdfShowsTheFirstFailingCheckAndWritesNothing) {
    TempDir out;
    SetText("Text1", Utf8FromPath(out.Path()));
    SetText("Text3", "a/b.pdf");
    Click("Command3");
    SetText("Text1", "");
    Click("Command3");
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"Please enter a valid file name (cannot contain \\ / : * < > ? | \")",
                             0, "Folionix"},
                            {"Please enter an Output Path", 16, "Error"}}));
    EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

TEST_F(WindowTest, FolderButtonSetsTheOutputPathAndCancelKeepsIt) {
    TempDir dir;
    const QString chosen = QString::fromStdString(Utf8FromPath(dir.Path()));
    QString title;
    SetFolderDialogHook([&](QWidget*, const QString& asked) {
        title = asked;
        return chosen + "/";
    });
    Click("Command1");
    EXPECT_EQ(title, "Select a Folder...");
    EXPECT_EQ(Control<QLineEdit>("Text1")->text(), QDir::toNativeSeparators(chosen));
    SetFolderDialogHook([](QWidget*, const QString&) { return QDir::rootPath(); });
    window->Command1_Click();
    EXPECT_EQ(Control<QLineEdit>("Text1")->text(), QDir::toNativeSeparators(QDir::rootPath()));
    SetFolderDialogHook([](QWidget*, const QString&) { return QString(); });
    window->Command1_Click();
    EXPECT_EQ(Control<QLineEdit>("Text1")->text(), QDir::toNativeSeparators(QDir::rootPath()));
}

class BuildTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->SetClock([] { return LocalTime{2026, 1, 2, 9, 15, 2}; });
        for (const char* name : {"b.jpg", "A.JPG", "c.jp2"}) {
            WriteBytes(in.File(name),
                       std::string(name).ends_with("jp2") ? MakeJp2(40, 30) : MakeJpeg(30, 20, 72));
        }
        WriteText(in.File("bad.jpg"), "no JPEG");
        SetText("Text1", Utf8FromPath(out.Path()));
    }
    QString In(const char* name) const { return QString::fromStdString(in.File(name)); }
    int Pages(const std::string& pdf) {
        std::string pages = "0";
        RunCommand("qpdf --show-npages " + ShellQuote(pdf) + " 2>/dev/null", &pages);
        return std::stoi(pages);
    }
    TempDir in;
    TempDir out;
};

TEST_F(BuildTest, SingleBuildFromTheAddDialogsChoice) {
    OpenFilesRequest asked;
    SetOpenFilesDialogHook([&](const OpenFilesRequest& request) {
        asked = request;
        return QStringList{In("c.jp2"), In("bad.jpg"), In("b.jpg"), In("A.JPG")};
    });
    Click("Command2");
    EXPECT_EQ(asked.title, "Select a File...");
    EXPECT_EQ(asked.directory, saved);
    EXPECT_EQ(asked.nameFilters.value(0), "All Supported Files (*.JPG *.JPEG *.JPE *.JP2 *.J2K)");
    const std::string folder = Utf8FromPath(in.Path()) + kPathSeparator;
    EXPECT_EQ(Entries(), (std::vector<std::string>{ImageListEntry("A.JPG", folder),
                                                   ImageListEntry("b.jpg", folder),
                                                   ImageListEntry("c.jp2", folder)}));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(In("")).canonicalPath());
    Click("Command3");
    EXPECT_EQ(messages,
              (std::vector<ShownMessage>{
                  {"Unable to load image file: bad.jpg", 48, "Image Error"},
                  {"Done creating PDF.  Duration:  09:15:02 - 09:15:02", 0, "Folionix"}}));
    if (HaveTool("qpdf")) {
        EXPECT_EQ(Pages(out.File("JPEG_Output.PDF")), 3);
    }
}

TEST_F(BuildTest, MultipleBuildWritesOnePdfPerImage) {
    SetOpenFilesDialogHook([&](const OpenFilesRequest&) { return QStringList{In("b.jpg")}; });
    window->Command2_Click();
    Click("Option4");
    EXPECT_FALSE(Control("Text3")->isEnabled());
    window->Command3_Click();
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Done creating PDFs.  Duration:  09:15:02 - "
                                                    "09:15:02",
                                                    0, "Folionix"}}));
    EXPECT_TRUE(std::filesystem::exists(out.Path() / "b.jpg.PDF"));
}

TEST_F(BuildTest, HandlersDoNothingWhileTheCloseLetsEventsThrough) {
    // Enough pages for the close to sort more than a thousand objects, which lets the window
    // handle events: a second press, a removal and a popup queued before the run must not act.
    std::vector<QString> texts;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        WriteBytes(in.File(name), MakeJpeg(4, 4, 72));
        texts.push_back(
            QString::fromStdString(ImageListEntry(name, Utf8FromPath(in.Path()) + kPathSeparator)));
    }
    Control<ImageListWidget>("List1")->Entries().ResetTexts(std::move(texts));
    SelectRows({0, 1, 2});
    bool sawRun = false;
    QTimer::singleShot(0, window.get(), [&] {
        sawRun = window->RunInProgress();
        window->Command4_Click();
        window->Command3_Click();
        window->List1_MouseDown(2, 0, 1, 1);
    });
    SetPopupMenuHook([](std::intptr_t, QPoint) {
        ADD_FAILURE() << "popup during a run";
        return 1;
    });
    window->Command3_Click();
    EXPECT_TRUE(sawRun) << "the close did not let events through";
    EXPECT_EQ(Entries().size(), 300u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Done creating PDF.", 0), 0u);
    if (HaveTool("qpdf")) {
        EXPECT_EQ(Pages(out.File("JPEG_Output.PDF")), 300);
    }
}

} // namespace
} // namespace folionix::test
