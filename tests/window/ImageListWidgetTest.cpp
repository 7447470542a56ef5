// The image list: its keys, the popup's results, drops, and thousands of entries.
#include "WindowTest.h"

#include "common/FileAccess.h"
#include "conversion/ListBox.h"
#include "support/TestSupport.h"
#include "windows/ImageFixtures.h"

#include <QCursor>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <random>

namespace folionix::test {
namespace {

struct KeyCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool opens;
};

class ListKeyTest : public WindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ListKeyTest, MenuAndShiftF10OpenThePopupAtTheFirstSelectedRow) {
    FillList({"A", "B", "C", "D", "E"}, {3, 1});
    auto* list = Control<ImageListWidget>("List1");
    list->setFocus();
    std::vector<std::string> captions;
    QPoint shownAt;
    SetPopupMenuHook([&](std::intptr_t menu, QPoint at) {
        captions = {GetMenuItemText(menu, 1), GetMenuItemText(menu, 2)};
        shownAt = at;
        return 1; // "Move Selection Up"
    });
    Press(GetParam().key, GetParam().modifiers);
    if (!GetParam().opens) {
        EXPECT_TRUE(captions.empty());
        return;
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Move Selection Up", "Move Selection Down"}));
    const QRect first = list->visualRect(list->model()->index(1, 0));
    EXPECT_EQ(shownAt, list->viewport()->mapToGlobal(first.bottomLeft()));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"B", "A", "D", "C", "E"}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
    SelectRows({});
    captions.clear();
    Press(GetParam().key, GetParam().modifiers);
    EXPECT_TRUE(captions.empty()) << "no selection, no popup";
}

INSTANTIATE_TEST_SUITE_P(Keys, ListKeyTest,
                         ::testing::Values(KeyCase{Qt::Key_Menu, Qt::NoModifier, true},
                                           KeyCase{Qt::Key_F10, Qt::ShiftModifier, true},
                                           KeyCase{Qt::Key_F10, Qt::NoModifier, false}));

TEST_F(WindowTest, DeleteRemovesTheSelectedEntries) {
    FillList({"A", "B", "C", "D", "E"}, {1, 3});
    Control("List1")->setFocus();
    Press(Qt::Key_Delete);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "C", "E"}));
    EXPECT_TRUE(SelectedRows().empty());
}

// After a move the current item is on the moved entry, where Shift+arrow extends from.
TEST_F(WindowTest, CurrentItemFollowsAMovedEntry) {
    FillList({"A", "B", "C", "D", "E"}, {});
    auto* list = Control<ImageListWidget>("List1");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(2, 0));
    SetPopupMenuHook([](std::intptr_t, QPoint) { return 2; });
    Press(Qt::Key_Menu);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"A", "B", "D", "C", "E"}));
    Press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 3}));
}

void ClickRow(QListView* list, int row, Qt::MouseButton button) {
    const QPointF at = list->visualRect(list->model()->index(row, 0)).center();
    const QPointF global = list->viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, {}, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &release);
}

TEST_F(WindowTest, RightPressKeepsTheSelectionAndOpensThePopupOnlyWithOne) {
    FillList({"A", "B", "C", "D"}, {});
    auto* list = Control<ImageListWidget>("List1");
    int popups = 0;
    QPoint shownAt;
    SetPopupMenuHook([&](std::intptr_t, QPoint at) {
        ++popups;
        shownAt = at;
        return -1;
    });
    ClickRow(list, 1, Qt::RightButton);
    EXPECT_EQ(popups, 0);
    EXPECT_TRUE(SelectedRows().empty());
    ClickRow(list, 3, Qt::LeftButton); // the view now remembers a pressed item
    SelectRows({0, 2});
    ClickRow(list, 3, Qt::RightButton);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(shownAt, QCursor::pos());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
}

void Drop(QWidget* target, QMimeData& mime) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
}

TEST_F(WindowTest, DropAddsFilesInDropOrderOrOnePathAsTextAndNamesARefusedOne) {
    TempDir dir;
    for (const char* name : {"c.jpg", "A.JPG", "C.jpg"}) {
        WriteBytes(dir.File(name), MakeJpeg(8, 8, 72));
    }
    WriteText(dir.File("bad.jpg"), "no JPEG");
    const std::string folder = Utf8FromPath(dir.Path()) + kPathSeparator;
    QWidget* viewport = Control<ImageListWidget>("List1")->viewport();
    QMimeData files;
    files.setText("ignored when files come along");
    for (const char* name : {"c.jpg", "bad.jpg", "A.JPG", "c.jpg"}) {
        files.setUrls(files.urls() << QUrl::fromLocalFile(QString::fromStdString(dir.File(name))));
    }
    Drop(viewport, files);
    QMimeData text;
    text.setText(QString::fromStdString(dir.File("C.jpg")));
    Drop(viewport, text);
    EXPECT_EQ(Entries(), (std::vector<std::string>{ImageListEntry("c.jpg", folder),
                                                   ImageListEntry("A.JPG", folder),
                                                   ImageListEntry("C.jpg", folder)}));
    EXPECT_EQ(messages,
              (std::vector<ShownMessage>{
                  {"Unable to load image file: " + dir.File("bad.jpg"), 48, "Image Error"}}));
}

// A whole operation is shown in one step; whatever path it takes, the list ends as the core's.
TEST_F(WindowTest, LargeListEndsAsTheCoreListAfterEveryOperation) {
    std::vector<std::string> texts;
    ImageListModel expected;
    for (int i = 0; i < 1000; ++i) {
        texts.push_back("scan " + std::to_string(i) + ".jpg\t\t\t\t\t/x/");
        expected.AddItem(texts.back());
    }
    FillList(texts, {});
    std::mt19937 random(15);
    for (const int every : {300, 10, 2, 0}) {
        for (const int command : {1, 2, 3}) {
            std::vector<int> rows;
            for (int i = 0; i < expected.ListCount(); ++i) {
                const bool on = every == 0 ? i != 0 : random() % static_cast<unsigned>(every) == 0;
                expected.SetSelected(i, on);
                if (on) {
                    rows.push_back(i);
                }
            }
            SelectRows(rows);
            SetPopupMenuHook([command](std::intptr_t, QPoint) { return command; });
            if (command == 3) {
                window->Command4_Click();
                RemoveSelected(expected);
            } else {
                window->List1_MouseDown(2, 0, 1, 1);
                (command == 1 ? MoveSelectionUp : MoveSelectionDown)(expected);
            }
            std::vector<std::string> listed;
            std::vector<int> selected;
            for (int i = 0; i < expected.ListCount(); ++i) {
                listed.push_back(expected.ItemText(i));
                if (expected.IsSelected(i)) {
                    selected.push_back(i);
                }
            }
            ASSERT_EQ(Entries(), listed) << every << " " << command;
            ASSERT_EQ(SelectedRows(), selected) << every << " " << command;
        }
    }
}

} // namespace
} // namespace folionix::test
