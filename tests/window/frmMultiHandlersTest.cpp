// The window's handlers, driven as a user would, with every modal box answered by the test.
#include "WindowTestSupport.h"

#include "common/Clock.h"
#include "common/FileAccess.h"
#include "dialogs/modCmDlgDLL_qt.h"
#include "support/TestSupport.h"
#include "window/modMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <filesystem>

namespace folionix::test {
namespace {

std::string Entry(const std::string& name, const std::string& folder) {
    return name + "\t\t\t\t\t" + folder;
}

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kPathSeparator) {
        folder.push_back(kPathSeparator);
    }
    return folder;
}

// --- Option buttons ----------------------------------------------------------------------------

TEST_F(WindowTest, MatchImageSizeGreysWidthAndHeightAndSpecifyBringsThemBack) {
    auto* width = Control<QLineEdit>("Text2");
    auto* height = Control<QLineEdit>("Text4");
    width->setText("7.25");
    const QPalette scheme = QApplication::palette();

    Control<QRadioButton>("Option1")->click();
    for (QLineEdit* box : {width, height}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Disabled, QPalette::Base),
                  scheme.color(QPalette::Active, QPalette::Button));
    }
    EXPECT_EQ(width->text(), "7.25");
    EXPECT_EQ(height->text(), "11");
    EXPECT_TRUE(Control<QCheckBox>("Check1")->isEnabled());
    EXPECT_TRUE(Control<QLineEdit>("Text5")->isEnabled());

    Control<QRadioButton>("Option2")->click();
    for (QLineEdit* box : {width, height}) {
        EXPECT_TRUE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Active, QPalette::Base),
                  scheme.color(QPalette::Active, QPalette::Base));
    }
    EXPECT_EQ(width->text(), "7.25");
}

TEST_F(WindowTest, MultiplePdfsGreysFileNameAndSingleBringsItBack) {
    auto* name = Control<QLineEdit>("Text3");
    const QPalette scheme = QApplication::palette();
    window->Option4_Click();
    EXPECT_FALSE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Disabled, QPalette::Base),
              scheme.color(QPalette::Active, QPalette::Button));
    window->Option3_Click();
    EXPECT_TRUE(name->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Active, QPalette::Base),
              scheme.color(QPalette::Active, QPalette::Base));
    EXPECT_EQ(name->text(), "JPEG_Output.PDF");
}

// --- Remove Selected ---------------------------------------------------------------------------

struct RemoveCase {
    std::vector<int> selected;
    std::vector<std::string> left;
};

class RemoveSelectedTest : public WindowTest, public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveSelectedTest, RemovesExactlyTheSelectedEntries) {
    FillList({"A", "B", "C", "D", "E"}, GetParam().selected);
    Control<QPushButton>("Command4")->click();
    EXPECT_EQ(Entries(), GetParam().left);
    EXPECT_TRUE(SelectedRows().empty());
}

INSTANTIATE_TEST_SUITE_P(Selections, RemoveSelectedTest,
                         ::testing::Values(RemoveCase{{1, 3}, {"A", "C", "E"}},
                                           RemoveCase{{0, 1, 2, 3, 4}, {}},
                                           RemoveCase{{}, {"A", "B", "C", "D", "E"}},
                                           RemoveCase{{0, 4}, {"B", "C", "D"}},
                                           RemoveCase{{0, 2, 4}, {"B", "D"}}));

// --- Right click and the popup -----------------------------------------------------------------

void Click(QListWidget* list, int row, Qt::MouseButton button) {
    QWidget* viewport = list->viewport();
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), viewport->mapToGlobal(QPointF(at)),
                      button, button, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), viewport->mapToGlobal(QPointF(at)),
                        button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
}

void RightPress(QListWidget* list, int row) {
    Click(list, row, Qt::RightButton);
}

TEST_F(WindowTest, RightClickWithoutSelectionOpensNoPopupAndSelectsNothing) {
    FillList({"A", "B", "C"}, {});
    window->show();
    int popups = 0;
    SetPopupMenuHook([&](std::intptr_t, QPoint) {
        ++popups;
        return -1;
    });
    RightPress(Control<QListWidget>("List1"), 1);
    EXPECT_EQ(popups, 0);
    EXPECT_TRUE(SelectedRows().empty());
}

TEST_F(WindowTest, RightClickOnAnotherItemKeepsSelectionAndOpensPopupAtPointer) {
    FillList({"A", "B", "C", "D"}, {});
    window->show();
    // A left click on D first, so the view remembers a pressed item under the right click.
    Click(Control<QListWidget>("List1"), 3, Qt::LeftButton);
    EXPECT_EQ(SelectedRows(), std::vector<int>{3});
    Control<QListWidget>("List1")->clearSelection();
    for (const int row : {0, 2}) {
        Control<QListWidget>("List1")->item(row)->setSelected(true);
    }
    std::vector<std::string> captions;
    QPoint shownAt;
    SetPopupMenuHook([&](std::intptr_t menu, QPoint at) {
        captions = {GetMenuItemText(menu, 1), GetMenuItemText(menu, 2)};
        shownAt = at;
        return -1;
    });
    RightPress(Control<QListWidget>("List1"), 3);
    EXPECT_EQ(captions, (std::vector<std::string>{"Move Selection Up", "Move Selection Down"}));
    EXPECT_EQ(shownAt, QCursor::pos());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "B", "C", "D"}));
}

TEST_F(WindowTest, LeftAndMiddleButtonsOpenNoPopup) {
    FillList({"A", "B"}, {0});
    int popups = 0;
    SetPopupMenuHook([&](std::intptr_t, QPoint) {
        ++popups;
        return -1;
    });
    window->List1_MouseDown(1, 0, 1, 1);
    window->List1_MouseDown(4, 0, 1, 1);
    EXPECT_EQ(popups, 0);
    window->List1_MouseDown(2, 0, 1, 1);
    EXPECT_EQ(popups, 1);
}

struct MoveCase {
    std::vector<int> selected;
    int choice; // 1 up, 2 down, -1 dismissed
    std::vector<std::string> after;
    std::vector<int> selectedAfter;
};

class PopupMoveTest : public WindowTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(PopupMoveTest, MovesSelectedEntriesByOnePlace) {
    const MoveCase& row = GetParam();
    FillList({"A", "B", "C", "D", "E"}, row.selected);
    SetPopupMenuHook([&](std::intptr_t, QPoint) { return row.choice; });
    window->List1_MouseDown(2, 0, 5, 5);
    EXPECT_EQ(Entries(), row.after);
    EXPECT_EQ(SelectedRows(), row.selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(ListsOfFive, PopupMoveTest,
                         ::testing::Values(MoveCase{{2}, 1, {"A", "C", "B", "D", "E"}, {1}},
                                           MoveCase{{1, 2}, 1, {"B", "C", "A", "D", "E"}, {0, 1}},
                                           MoveCase{{0, 2}, 1, {"A", "C", "B", "D", "E"}, {0, 1}},
                                           MoveCase{{0, 1}, 1, {"A", "B", "C", "D", "E"}, {0, 1}},
                                           MoveCase{{4}, 2, {"A", "B", "C", "D", "E"}, {4}},
                                           MoveCase{{3}, 2, {"A", "B", "C", "E", "D"}, {4}},
                                           MoveCase{
                                               {0, 1, 4}, 2, {"C", "A", "B", "D", "E"}, {1, 2, 4}},
                                           MoveCase{{2}, -1, {"A", "B", "C", "D", "E"}, {2}}));

TEST_F(WindowTest, PopupOnOneEntryChangesNothing) {
    FillList({"A"}, {0});
    for (const int choice : {1, 2}) {
        SetPopupMenuHook([choice](std::intptr_t, QPoint) { return choice; });
        window->List1_MouseDown(2, 0, 1, 1);
        EXPECT_EQ(Entries(), std::vector<std::string>{"A"});
        EXPECT_EQ(SelectedRows(), std::vector<int>{0});
    }
}

// --- Output folder -----------------------------------------------------------------------------

TEST_F(WindowTest, FolderButtonSetsOutputPathAndCancelKeepsIt) {
    auto* path = Control<QLineEdit>("Text1");
    path->setText("unchanged");
    QString askedTitle;
    SetFolderDialogHook([&](QWidget*, const QString& title) {
        askedTitle = title;
        return QString();
    });
    window->Command1_Click();
    EXPECT_EQ(path->text(), "unchanged");
    EXPECT_EQ(askedTitle, "Select a Folder...");

    TempDir dir;
    SetFolderDialogHook([&](QWidget*, const QString&) {
        return QString::fromStdString(Utf8FromPath(dir.Path())) + "/";
    });
    Control<QPushButton>("Command1")->click();
    EXPECT_EQ(
        path->text().toStdString(),
        QDir::toNativeSeparators(QString::fromStdString(Utf8FromPath(dir.Path()))).toStdString());
    SetFolderDialogHook([](QWidget*, const QString&) { return QDir::rootPath(); });
    window->Command1_Click();
    EXPECT_EQ(path->text(), QDir::toNativeSeparators(QDir::rootPath()));
}

// --- Adding files ------------------------------------------------------------------------------

class AddingFilesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!MakeJpeg(dir.File("b.jpg"), 8, 8) || !MakeJpeg(dir.File("A.JPG"), 8, 8) ||
            !MakeJpeg(dir.File("c.Jpeg"), 8, 8)) {
            GTEST_SKIP() << "cjpeg is needed";
        }
        WriteText(dir.File("bad.jpg"), "this is no JPEG");
        folder = WithSeparator(Utf8FromPath(dir.Path()));
    }
    QString Path(const char* name) const { return QString::fromStdString(dir.File(name)); }

    TempDir dir;
    std::string folder;
};

TEST_F(AddingFilesTest, DialogChoiceIsAddedInNameOrderAndCancelAddsNothing) {
    OpenFilesRequest asked;
    SetOpenFilesDialogHook([&](const OpenFilesRequest& request) {
        asked = request;
        return QStringList{Path("c.Jpeg"), Path("b.jpg"), Path("A.JPG")};
    });
    Control<QPushButton>("Command2")->click();
    EXPECT_EQ(asked.title, "Select a File...");
    EXPECT_TRUE(asked.multiSelect);
    ASSERT_EQ(asked.nameFilters.size(), 4);
    EXPECT_EQ(asked.nameFilters.front(), "All Supported Files (*.JPG *.JPEG *.JPE *.JP2 *.J2K)");
    EXPECT_EQ(Entries(), (std::vector<std::string>{Entry("A.JPG", folder), Entry("b.jpg", folder),
                                                   Entry("c.Jpeg", folder)}));
    EXPECT_TRUE(messages.empty());
    // The dialog made the files' folder current, so the next one opens there.
    EXPECT_EQ(QDir::current().canonicalPath(),
              QDir(QString::fromStdString(folder)).canonicalPath());

    SetOpenFilesDialogHook([](const OpenFilesRequest&) { return QStringList(); });
    window->Command2_Click();
    EXPECT_EQ(Entries().size(), 3u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(AddingFilesTest, UnreadableChosenFileShowsImageErrorWithItsName) {
    SetOpenFilesDialogHook([&](const OpenFilesRequest&) {
        return QStringList{Path("bad.jpg"), Path("b.jpg")};
    });
    window->Command2_Click();
    EXPECT_EQ(Entries(), std::vector<std::string>{Entry("b.jpg", folder)});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: bad.jpg");
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_EQ(messages[0].title, "Image Error");
}

void Drop(QListWidget* list, QMimeData& mime) {
    QWidget* viewport = list->viewport();
    const QPointF at(10, 10);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_TRUE(drop.isAccepted());
}

TEST_F(AddingFilesTest, DroppedFilesAreAddedInDropOrderAndRefusedOnesReported) {
    window->show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Path("c.Jpeg")), QUrl::fromLocalFile(Path("bad.jpg")),
                  QUrl::fromLocalFile(Path("A.JPG"))});
    mime.setText("ignored when files come along");
    Drop(Control<QListWidget>("List1"), mime);
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{Entry("c.Jpeg", folder), Entry("A.JPG", folder)}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: " + dir.File("bad.jpg"));
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_EQ(messages[0].title, "Image Error");

    // The same files again: nothing added, nothing shown.
    messages.clear();
    QMimeData again;
    again.setUrls({QUrl::fromLocalFile(Path("A.JPG"))});
    Drop(Control<QListWidget>("List1"), again);
    EXPECT_EQ(Entries().size(), 2u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(AddingFilesTest, DroppedTextIsOnePath) {
    window->show();
    QMimeData mime;
    mime.setText(Path("b.jpg"));
    Drop(Control<QListWidget>("List1"), mime);
    EXPECT_EQ(Entries(), std::vector<std::string>{Entry("b.jpg", folder)});
}

TEST_F(AddingFilesTest, JpegTwoThousandFilesAreAddedAndSaved) {
    if (!HaveTool("opj_compress")) {
        GTEST_SKIP() << "opj_compress is needed";
    }
    WriteText(dir.File("src.ppm"), "P6\n16 16\n255\n" + std::string(768, '\x40'));
    for (const char* name : {"d.jp2", "e.j2k"}) {
        ASSERT_EQ(RunCommand("opj_compress -n 2 -i " + ShellQuote(dir.File("src.ppm")) + " -o " +
                             ShellQuote(dir.File(name)) + " >/dev/null 2>&1"),
                  0);
    }
    std::filesystem::rename(PathFromUtf8(dir.File("e.j2k")), PathFromUtf8(dir.File("e.J2K")));
    window->show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Path("d.jp2")), QUrl::fromLocalFile(Path("e.J2K")),
                  QUrl::fromLocalFile(Path("b.jpg"))});
    Drop(Control<QListWidget>("List1"), mime);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(Entries().size(), 3u);
    TempDir out;
    Control<QLineEdit>("Text1")->setText(QString::fromStdString(Utf8FromPath(out.Path())));
    window->Command3_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Done creating PDF.  Duration:  ", 0), 0u);
    if (HaveTool("qpdf")) {
        const std::string pdf = out.File("JPEG_Output.PDF");
        std::string pages;
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(pdf) + " >/dev/null 2>&1"), 0);
        RunCommand("qpdf --show-npages " + ShellQuote(pdf), &pages);
        EXPECT_EQ(pages, "3\n");
    }
}

// `folionix FILE...`: the files start in the list as one drop of them would put them there.
TEST_F(AddingFilesTest, CommandLineFilesAreAddedAsOneDrop) {
    QDir::setCurrent(QString::fromStdString(folder));
    window->AddCommandLineFiles({QStringLiteral("c.Jpeg"), Path("bad.jpg"), QStringLiteral("A.JPG"),
                                 QStringLiteral("./sub/../c.Jpeg"), QStringLiteral("a.jpg")});
    EXPECT_EQ(Entries(),
              (std::vector<std::string>{Entry("c.Jpeg", folder), Entry("A.JPG", folder)}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to load image file: " + dir.File("bad.jpg"));
    EXPECT_EQ(messages[0].style, 48);
    EXPECT_EQ(messages[0].title, "Image Error");
}

TEST_F(AddingFilesTest, NoCommandLineFilesLeaveTheListEmpty) {
    window->AddCommandLineFiles({});
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowTest, DropDataTakesLocalFilesFirstThenText) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/x/b.jpg"), QUrl("https://example.org/a.jpg"),
                   QUrl::fromLocalFile("/x/a.jpg")});
    files.setText("text");
    const DropData fromFiles = DropDataFromMime(files);
    EXPECT_FALSE(fromFiles.hasText);
    EXPECT_EQ(fromFiles.files,
              (std::vector<std::string>{QDir::toNativeSeparators("/x/b.jpg").toStdString(),
                                        QDir::toNativeSeparators("/x/a.jpg").toStdString()}));
    QMimeData text;
    text.setText("/x/c.jpg");
    const DropData fromText = DropDataFromMime(text);
    EXPECT_TRUE(fromText.hasText);
    EXPECT_EQ(fromText.text, "/x/c.jpg");
    EXPECT_TRUE(fromText.files.empty());
}

TEST_F(WindowTest, ListItemTextsKeepTheirTabs) {
    const std::string entry = Entry("page 1.jpg", WithSeparator("/scans"));
    window->ImageList().AddItem(entry);
    EXPECT_EQ(window->ImageList().ItemText(0), entry);
    EXPECT_EQ(Control<QListWidget>("List1")->item(0)->text().toStdString(), entry);
    EXPECT_EQ(Control<QListWidget>("List1")->item(0)->toolTip().toStdString(),
              WithSeparator("/scans") + "page 1.jpg");
    // The folder column makes the item wider than its name alone.
    auto* list = Control<QListWidget>("List1");
    const int width = list->sizeHintForColumn(0);
    EXPECT_GT(width, list->fontMetrics().horizontalAdvance("page 1.jpg/scans/"));
}

// --- Save PDF ----------------------------------------------------------------------------------

struct ValidationCase {
    const char* field;
    const char* text;
    bool matchImageSize;
    bool multiplePdfs;
    const char* message; // nullptr: passes
    int style;
};

void PrintTo(const ValidationCase& row, std::ostream* out) {
    *out << row.field << "='" << row.text << "'";
}

class ValidationTest : public WindowTest, public ::testing::WithParamInterface<ValidationCase> {
protected:
    TempDir dir;
};

const char* const kFileNameMessage =
    "Please enter a valid file name (cannot contain \\ / : * < > ? | \")";

TEST_P(ValidationTest, ShowsTheFirstFailingChecksMessage) {
    const ValidationCase& row = GetParam();
    Control<QLineEdit>("Text1")->setText(QString::fromStdString(Utf8FromPath(dir.Path())));
    if (row.matchImageSize) {
        Control<QRadioButton>("Option1")->click();
    }
    if (row.multiplePdfs) {
        Control<QRadioButton>("Option4")->click();
    }
    Control<QLineEdit>(row.field)->setText(QString::fromUtf8(row.text));
    Control<QPushButton>("Command3")->click();
    ASSERT_EQ(messages.size(), 1u);
    if (row.message == nullptr) {
        EXPECT_EQ(messages[0].text.rfind("Done creating PDF", 0), 0u) << messages[0].text;
        EXPECT_EQ(messages[0].title, "Folionix");
    } else {
        EXPECT_EQ(messages[0].text, row.message);
        EXPECT_EQ(messages[0].title, row.style == 16 ? "Error" : "Folionix");
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    }
    EXPECT_EQ(messages[0].style, row.message == nullptr ? 0 : row.style);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ValidationTest,
    ::testing::Values(
        ValidationCase{"Text1", "", false, false, "Please enter an Output Path", 16},
        ValidationCase{"Text2", "0", false, false, "Please enter valid page dimensions.", 16},
        ValidationCase{"Text2", "abc", false, false, "Please enter valid page dimensions.", 16},
        ValidationCase{"Text4", "-1", false, false, "Please enter valid page dimensions.", 16},
        ValidationCase{"Text2", "abc", true, false, nullptr, 0},
        ValidationCase{"Text5", "-0.1", false, false,
                       "Please enter valid margins (zero or greater).", 16},
        ValidationCase{"Text8", "-2", true, false, "Please enter valid margins (zero or greater).",
                       16},
        ValidationCase{"Text3", "a/b.pdf", false, false, kFileNameMessage, 0},
        ValidationCase{"Text3", "x?.pdf", false, false, kFileNameMessage, 0},
        ValidationCase{"Text3", "q\".pdf", false, false, kFileNameMessage, 0},
        ValidationCase{"Text3", "", false, false, kFileNameMessage, 0},
        ValidationCase{"Text3", "", false, true, nullptr, 0}));

class SavePdfTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->SetClock([] { return LocalTime{2026, 1, 2, 9, 15, 2}; });
    }
    TempDir images;
    TempDir out;
};

TEST_F(SavePdfTest, SinglePdfIsWrittenAndCompletionShown) {
    for (const char* name : {"one.jpg", "two.jpg"}) {
        if (!MakeJpeg(images.File(name), 16, 8)) {
            GTEST_SKIP() << "cjpeg is needed";
        }
    }
    SetOpenFilesDialogHook([&](const OpenFilesRequest&) {
        return QStringList{QString::fromStdString(images.File("one.jpg")),
                           QString::fromStdString(images.File("two.jpg"))};
    });
    window->Command2_Click();
    ASSERT_EQ(Entries().size(), 2u);
    Control<QLineEdit>("Text1")->setText(QString::fromStdString(Utf8FromPath(out.Path())));
    Control<QPushButton>("Command3")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Done creating PDF.  Duration:  09:15:02 - 09:15:02");
    EXPECT_EQ(messages[0].style, 0);
    EXPECT_EQ(messages[0].title, "Folionix");
    const std::string pdf = out.File("JPEG_Output.PDF");
    ASSERT_TRUE(std::filesystem::exists(PathFromUtf8(pdf)));
    EXPECT_EQ(ReadText(pdf).rfind("%PDF-1.3", 0), 0u);
    if (HaveTool("qpdf")) {
        std::string report;
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(pdf) + " 2>&1", &report), 0) << report;
        std::string pages;
        RunCommand("qpdf --show-npages " + ShellQuote(pdf), &pages);
        EXPECT_EQ(pages, "2\n");
    }
    EXPECT_FALSE(window->RunInProgress());
}

TEST_F(SavePdfTest, MultiplePdfsAreWrittenPerImage) {
    if (!MakeJpeg(images.File("one.jpg"), 16, 8)) {
        GTEST_SKIP() << "cjpeg is needed";
    }
    window->ImageList().AddItem(Entry("one.jpg", WithSeparator(Utf8FromPath(images.Path()))));
    Control<QLineEdit>("Text1")->setText(QString::fromStdString(Utf8FromPath(out.Path())));
    Control<QRadioButton>("Option4")->click();
    window->Command3_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Done creating PDFs.  Duration:  09:15:02 - 09:15:02");
    EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(out.File("one.jpg.PDF"))));
}

TEST_F(SavePdfTest, ErrorThatEndsTheRunIsShownWithoutCompletion) {
    // A document that cannot be created ends the run with the platform's reason; a refusal
    // before writing (an output that is a device) is shown once, as its own message.
    if (!std::filesystem::exists("/dev/full") || !MakeJpeg(images.File("one.jpg"), 16, 8)) {
        GTEST_SKIP() << "needs /dev/full and cjpeg";
    }
    window->ImageList().AddItem(Entry("one.jpg", WithSeparator(Utf8FromPath(images.Path()))));
    const struct {
        std::string folder;
        std::string file;
        std::string start;
    } cases[] = {
        {images.File("missing"), "out.pdf",
         "The PDF could not be finished: Cannot create " + images.File("missing")},
        {"/dev", "full", "Cannot write the PDF to /dev/full: it is a device"},
    };
    for (const auto& c : cases) {
        messages.clear();
        Control<QLineEdit>("Text1")->setText(QString::fromStdString(c.folder));
        Control<QLineEdit>("Text3")->setText(QString::fromStdString(c.file));
        window->Command3_Click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text.rfind(c.start, 0), 0u) << messages[0].text;
        EXPECT_EQ(messages[0].style, 16);
        EXPECT_FALSE(window->RunInProgress());
    }
}

TEST_F(SavePdfTest, HandlersDoNothingWhileTheCloseLetsEventsThrough) {
    // Enough pages for the close to sort more than a thousand objects, which lets the window
    // handle events: a second press, a removal and a popup queued before the run must not act.
    if (!MakeJpeg(images.File("p.jpg"), 4, 4)) {
        GTEST_SKIP() << "cjpeg is needed";
    }
    const std::string folder = WithSeparator(Utf8FromPath(images.Path()));
    const auto bytes = ReadBytes(images.File("p.jpg"));
    for (int i = 0; i < 300; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        WriteBytes(images.File(name), bytes);
        window->ImageList().AddItem(Entry(name, folder));
        window->ImageList().SetSelected(i, true);
    }
    Control<QLineEdit>("Text1")->setText(QString::fromStdString(Utf8FromPath(out.Path())));
    bool queuedRan = false;
    bool sawRun = false;
    QTimer::singleShot(0, window.get(), [&] {
        queuedRan = true;
        sawRun = window->RunInProgress();
        window->Command4_Click();
        window->Command3_Click();
        window->List1_MouseDown(2, 0, 1, 1);
    });
    int popups = 0;
    SetPopupMenuHook([&](std::intptr_t, QPoint) {
        ++popups;
        return 1;
    });
    window->Command3_Click();
    ASSERT_TRUE(queuedRan) << "the close did not let events through";
    EXPECT_TRUE(sawRun);
    EXPECT_EQ(Entries().size(), 300u);
    EXPECT_EQ(popups, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind("Done creating PDF.", 0), 0u);
    if (HaveTool("qpdf")) {
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(out.File("JPEG_Output.PDF")) +
                             " >/dev/null 2>&1"),
                  0);
    }
}

} // namespace
} // namespace folionix::test
