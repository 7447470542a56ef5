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

// The core checks the fields; the window shows the first failing check's message, and the
// folder chooser's answer, normalised, becomes the output path (Cancel keeps it).
TEST_F(WindowTest, SavePdfShowsTheFirstFailingCheckAndTheFolderButtonSetsThePath) {
    TempDir out;
    SetText("Text3", "a/b.pdf");
    SetFolderDialogHook([&](QWidget*, const QString&) {
        return QString::fromStdString(Utf8FromPath(out.Path()) + "/");
    });
    Click("Command1");
    Click("Command3");
    SetFolderDialogHook([](QWidget*, const QString&) { return QString(); });
    Click("Command1");
    EXPECT_EQ(Control<QLineEdit>("Text1")->text().toStdString(), Utf8FromPath(out.Path()));
    SetText("Text1", "");
    Click("Command3");
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"Please enter a valid file name (cannot contain \\ / : * < > ? | \")",
                             0, "Folionix"},
                            {"Please enter an Output Path", 16, "Error"}}));
    EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

class BuildTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->SetClock([] { return LocalTime{2026, 1, 2, 9, 15, 2}; });
        SetText("Text1", Utf8FromPath(out.Path()));
    }
    QString Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes(in.File(name), bytes);
        return QString::fromStdString(in.File(name));
    }
    int Pages(const char* pdf) {
        std::string pages = "0";
        RunCommand("qpdf --show-npages " + ShellQuote(out.File(pdf)), &pages);
        return std::stoi(pages);
    }
    TempDir in;
    TempDir out;
};

TEST_F(BuildTest, SingleAndMultipleBuildsFromTheAddDialogsChoice) {
    const QStringList chosen{Write("c.jp2", MakeJp2(40, 30)), Write("bad.jpg", {0xFF, 0xD8}),
                             Write("b.jpg", MakeJpeg(30, 20, 72))};
    OpenFilesRequest asked;
    SetOpenFilesDialogHook([&](const OpenFilesRequest& request) {
        asked = request;
        return chosen;
    });
    Click("Command2");
    EXPECT_EQ(asked.title, "Select a File...");
    EXPECT_EQ(asked.directory, saved);
    EXPECT_EQ(asked.nameFilters.value(0), "All Supported Files (*.JPG *.JPEG *.JPE *.JP2 *.J2K)");
    const std::string folder = Utf8FromPath(in.Path()) + kPathSeparator;
    EXPECT_EQ(Entries(), (std::vector<std::string>{ImageListEntry("b.jpg", folder),
                                                   ImageListEntry("c.jp2", folder)}));
    EXPECT_EQ(QDir::currentPath().toStdString(), Utf8FromPath(in.Path()));
    Click("Command3");
    Click("Option4");
    Click("Command3");
    EXPECT_EQ(messages,
              (std::vector<ShownMessage>{
                  {"Unable to load image file: bad.jpg", 48, "Image Error"},
                  {"Done creating PDF.  Duration:  09:15:02 - 09:15:02", 0, "Folionix"},
                  {"Done creating PDFs.  Duration:  09:15:02 - 09:15:02", 0, "Folionix"}}));
    EXPECT_EQ(Pages("JPEG_Output.PDF") + Pages("b.jpg.PDF") + Pages("c.jp2.PDF"), 4);
}

TEST_F(BuildTest, HandlersDoNothingWhileTheCloseLetsEventsThrough) {
    // Enough pages for the close to sort more than a thousand objects, which lets the window
    // handle events: a second press, a removal and a popup queued before the run must not act.
    std::vector<std::string> entries;
    for (int i = 0; i < 300; ++i) {
        Write(std::to_string(i) + ".jpg", MakeJpeg(4, 4, 72));
        entries.push_back(ImageListEntry(std::to_string(i) + ".jpg", in.File("")));
    }
    FillList(entries, {1, 2});
    bool sawRun = false;
    QTimer::singleShot(0, window.get(), [&] {
        sawRun = window->RunInProgress();
        window->Command4_Click();
        window->Command3_Click();
        window->List1_MouseDown(2, 0, 1, 1);
    });
    SetPopupMenuHook([](std::intptr_t, QPoint) { return 1; });
    window->Command3_Click();
    EXPECT_TRUE(sawRun) << "the close did not let events through";
    EXPECT_EQ(Entries(), entries);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(Pages("JPEG_Output.PDF"), 300);
}

} // namespace
} // namespace folionix::test
