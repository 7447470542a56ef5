// The window wired to the core: its controls where the layout puts them, the real "Select a
// File..." dialog and folder chooser, the handlers and the list's keys, presses and drops, and a
// second press while a long close lets events through. The core's tables run in its own tests.
#include "window/frmMulti.h"
#include "common/FileAccess.h"
#include "dialogs/modCmDlgDLL_qt.h"
#include "support/ControlTable.h"
#include "support/ImageBytes.h"
#include "support/ListState.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace folionix::test {
namespace {

// A fresh, shown window whose message boxes are recorded as "title style: text", and whose
// popup records where it is shown and answers with `answer`.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window->SetMessagePresenter(
            [this](const std::string& text, int style, const std::string& title) {
                messages.push_back(title + " " + std::to_string(style) + ": " + text);
            });
        window->SetClock([] { return LocalTime{2026, 1, 2, 9, 15, 2}; });
        SetPopupMenuHook([this](std::intptr_t, QPoint at) {
            popups.push_back(at);
            return answer;
        });
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        SetPopupMenuHook({});
        QDir::setCurrent(saved); // adding files makes their folder current
    }
    template <typename T = QWidget> T* Control(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
    // Answers the real open-files dialog once it lists its folder (the images in any letter
    // case): types the names, presses Return, records and closes the dialog's own message box,
    // and cancels the dialog if it is still open.
    void TypeIntoDialog(const char* typed) {
        QTimer::singleShot(0, window.get(), [this, typed] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* files = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
            const auto rows = [files] { return files->model()->rowCount(files->rootIndex()); };
            EXPECT_TRUE(QTest::qWaitFor([&] { return rows() == 5; }));
            QStringList shown;
            for (int row = 0; row < rows(); ++row) {
                shown += files->model()->index(row, 0, files->rootIndex()).data().toString();
            }
            shown.sort();
            EXPECT_EQ((dialog->windowTitle() + ", " + dialog->nameFilters().join(";") + ": " +
                       shown.join(' '))
                          .toStdString(),
                      "Select a File..., All Supported Files (*.JPG *.JPEG *.JPE *.JP2 *.J2K);"
                      "JPG Files (*.JPG *.JPEG *.JPE);JP2 Files (*.JP2);J2K Files (*.J2K): "
                      "A.jpg D.jpg e.J2k photo.Jpeg sub");
            auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QTest::keyClicks(nameBox, QString::fromUtf8(typed));
            QTimer::singleShot(0, window.get(), [this] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    messages.push_back(box->text().toStdString());
                    box->close();
                }
            });
            QTest::keyClick(nameBox, Qt::Key_Return);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
    }

    QString saved = QDir::currentPath();
    TempDir in, out;
    std::unique_ptr<frmMulti> window = std::make_unique<frmMulti>();
    ListBox& list = window->ImageList();
    ImageListWidget* view = Control<ImageListWidget>("List1");
    std::vector<std::string> messages;
    std::vector<QPoint> popups;
    int answer = -1;
};

TEST_F(WindowTest, EveryControlSitsInItsContainerAtItsTableRectangle) {
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the window has a fixed size";
    for (const ControlPlace& row : kControlTable) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Control(row.name)->parentWidget()->objectName(), *row.in ? row.in : "frmMulti");
        EXPECT_EQ(Control(row.name)->geometry(),
                  QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));
    }
}

// The real folder chooser offers folders only; its answer, normalised, becomes the output path
// (Cancel keeps it); Save PDF shows the first failing check's message and writes nothing.
TEST_F(WindowTest, SavePdfShowsTheFirstFailingCheckAndTheFolderButtonSetsThePath) {
    QTimer::singleShot(0, window.get(), [] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        dialog->reject();
    });
    Click("Command1");
    Control<QLineEdit>("Text3")->setText("a/b.pdf");
    SetFolderDialogHook(
        [&](QWidget*, const QString&) { return QString::fromStdString(out.File("")); });
    Click("Command1");
    Click("Command3");
    SetFolderDialogHook([](QWidget*, const QString&) { return QString(); });
    Click("Command1");
    EXPECT_EQ(Control<QLineEdit>("Text1")->text().toStdString(), Utf8FromPath(out.Path()));
    Control<QLineEdit>("Text1")->clear();
    Click("Command3");
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Folionix 0: Please enter a valid file name (cannot contain \\ / : * "
                            "< > ? | \")",
                            "Error 16: Please enter an Output Path"}));
    EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

// The dialog answers with the names typed, sorted, even those its filter hides. The files chosen
// last are built into one document and into one each.
TEST_F(WindowTest, NamesTypedIntoTheRealAddDialogAreListedAndBuilt) {
    std::filesystem::create_directory(in.Path() / "sub");
    for (const char* name : {"A.jpg", "D.jpg", "photo.Jpeg", "sub/b.jpg", "sub/c.jpg"}) {
        WriteBytes(in.File(name), MakeJpeg(30, 20, 72));
    }
    for (const char* name : {"e.J2k", "notes.txt", "noext", "sub/bad.jpg"}) {
        WriteText(in.File(name), "x");
    }
    const char* cases[][2] = {
        {"", ""},
        {R"("D.jpg" "notes.txt")", "D.jpg"},
        {R"( "photo.Jpeg" "A.jpg" "" "notes.txt" "noext )", "D.jpg|A.jpg|photo.Jpeg"},
        {" notes.txt ", "D.jpg|A.jpg|photo.Jpeg"},
        {R"("gone.jpg" "A.jpg")", "D.jpg|A.jpg|photo.Jpeg"},
        {R"("sub/c.jpg" "sub/bad.jpg" "sub/b.jpg")", "D.jpg|A.jpg|photo.Jpeg|b.jpg|c.jpg"}};
    for (const auto& [typed, listed] : cases) {
        QDir::setCurrent(in.File("").c_str());
        TypeIntoDialog(typed);
        Click("Command2");
        EXPECT_EQ(State(list), listed) << typed;
    }
    EXPECT_EQ(list.ItemText(3), ImageListEntry("b.jpg", in.File("sub") + kPathSeparator));
    EXPECT_EQ(QDir::currentPath().toStdString(), in.File("sub"));
    Control<QLineEdit>("Text1")->setText(Utf8FromPath(out.Path()).c_str());
    Click("Command3");
    Click("Option4");
    Click("Command3");
    const std::string refused = "Image Error 48: Unable to load image file: ";
    EXPECT_EQ(messages, (std::vector<std::string>{
                            refused + "notes.txt", refused + "notes.txt", refused + "notes.txt",
                            "gone.jpg\nFile not found.\nPlease verify the correct file name was "
                            "given.",
                            refused + "bad.jpg",
                            "Folionix 0: Done creating PDF.  Duration:  09:15:02 - 09:15:02",
                            "Folionix 0: Done creating PDFs.  Duration:  09:15:02 - 09:15:02"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 6);
}

TEST_F(WindowTest, HandlersDoNothingWhileTheCloseLetsEventsThrough) {
    // Enough pages for the close to sort more than a thousand objects, which lets the window
    // handle events: a second press, a removal and a popup queued before the run must not act.
    for (int i = 0; i < 300; ++i) {
        WriteBytes(in.File(std::to_string(i) + ".jpg"), MakeJpeg(4, 4, 72));
        list.AddItem(ImageListEntry(std::to_string(i) + ".jpg", in.File("")));
        list.SetSelected(i, i < 2);
    }
    const std::string before = State(list);
    Control<QLineEdit>("Text1")->setText(out.File("").c_str());
    bool sawRun = false;
    QTimer::singleShot(0, window.get(), [&] {
        sawRun = window->RunInProgress();
        window->Command4_Click();
        window->Command3_Click();
        window->List1_MouseDown(2, 0, 1, 1);
    });
    answer = 1;
    window->Command3_Click();
    EXPECT_TRUE(sawRun) << "the close did not let events through";
    EXPECT_EQ(State(list), before);
    EXPECT_EQ(messages.size() + popups.size(), 1u);
    EXPECT_NE(ReadText(out.File("JPEG_Output.PDF")).find("/Count 300\n"), std::string::npos);
}

// The Menu key and Shift+F10 open the popup at the first selected row (its answer moves the
// selection up or down), Delete removes the selected, F10 alone does nothing, and
// without a selection no key acts. A change of many entries is shown in one step, whatever path it
// takes; the list ends as the core's.
TEST_F(WindowTest, ListKeysActOnTheSelectionAsTheCoreDoes) {
    // The key, its modifiers, the popup's answer (0: no popup), the core's operation.
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int, void (*)(ListBox&)> cases[] = {
        {Qt::Key_Menu, Qt::NoModifier, 1, MoveSelectionUp},
        {Qt::Key_F10, Qt::ShiftModifier, 2, MoveSelectionDown},
        {Qt::Key_F10, Qt::NoModifier, 0, [](ListBox&) {}},
        {Qt::Key_Delete, Qt::NoModifier, 0, RemoveSelected}};
    std::mt19937 random(15);
    view->setFocus();
    for (const unsigned every : {300u, 10u, 2u, 1u, 0u}) { // 0: nothing selected
        for (const auto& [key, modifiers, chosen, core] : cases) {
            std::string state;
            for (int i = 0; i < 1000; ++i) {
                state += std::to_string(i) + (i > 1 && every && random() % every == 0 ? "*|" : "|");
            }
            ImageListModel expected;
            Fill(expected, state);
            view->Entries().ResetTexts({});
            {
                ListChanges batch(dynamic_cast<ListWidgetBox&>(list)); // shown in one step
                Fill(list, state);
            }
            // Row 1 joins last, as by Ctrl+click: a selection out of row order.
            view->selectionModel()->select(view->model()->index(1, 0),
                                           every > 0 ? QItemSelectionModel::Select
                                                     : QItemSelectionModel::NoUpdate);
            expected.SetSelected(1, every > 0);
            const QRect first = view->visualRect(view->model()->index(1, 0));
            answer = chosen;
            popups.clear();
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            core(expected);
            ASSERT_EQ(State(list), State(expected)) << every << " " << key;
            EXPECT_EQ(popups,
                      std::vector<QPoint>(chosen > 0 && every > 0,
                                          view->viewport()->mapToGlobal(first.bottomLeft())));
        }
    }
}

TEST_F(WindowTest, RightPressKeepsTheSelectionAndOpensThePopupOnlyWithOne) {
    Fill(list, "A|B|C|D");
    const QPoint at = view->visualRect(view->model()->index(3, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at); // no selection: no popup
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);  // the view remembers a press
    list.SetSelected(0, true);
    list.SetSelected(3, false);
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
    EXPECT_EQ(State(list), "A*|B|C|D");
    EXPECT_EQ(popups, std::vector<QPoint>{QCursor::pos()});
}

TEST_F(WindowTest, DropAddsFilesInDropOrderOrOnePathAsTextAndNamesARefusedOne) {
    for (const char* name : {"c.jpg", "A.JPG", "C.jpg", "bad.jpg"}) {
        WriteBytes(in.File(name), name[0] == 'b' ? Bytes{0xFF} : MakeJpeg(8, 8, 72));
    }
    QMimeData files, text;
    files.setText("ignored when files come along");
    for (const char* name : {"c.jpg", "bad.jpg", "A.JPG", "c.jpg"}) {
        files.setUrls(files.urls() << QUrl::fromLocalFile(in.File(name).c_str()));
    }
    text.setText(in.File("C.jpg").c_str());
    for (QMimeData* mime : {&files, &text}) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &drop);
    }
    EXPECT_EQ(State(list), "c.jpg|A.JPG|C.jpg");
    EXPECT_EQ(messages, std::vector<std::string>{"Image Error 48: Unable to load image file: " +
                                                 in.File("bad.jpg")});
}

} // namespace
} // namespace folionix::test

// One QApplication for the whole program, on the offscreen platform unless the caller chose one.
int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
