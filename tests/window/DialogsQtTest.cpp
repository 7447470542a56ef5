// The Qt dialogs: how their answers come back, and that the file chooser matches any case.
#include "dialogs/modCmDlgDLL_qt.h"

#include "common/FileAccess.h"
#include "support/TestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

namespace folionix {
namespace {

using test::TempDir;

class OpenFilesDialogTest : public ::testing::Test {
protected:
    void SetUp() override { saved = QDir::currentPath(); }
    void TearDown() override {
        SetOpenFilesDialogHook({});
        QDir::setCurrent(saved);
    }
    QString In(const char* name) const { return QString::fromStdString(dir.File(name)); }
    std::string Folder() const { return Utf8FromPath(dir.Path()) + kPathSeparator; }

    QString saved;
    TempDir dir;
    std::vector<std::string> descriptions{"All Supported Files", "JPG Files"};
    std::vector<std::string> patterns{"*.JPG; *.JPEG; *.JPE; *.JP2; *.J2K", "*.JPG; *.JPEG; *.JPE"};
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
};

TEST_F(OpenFilesDialogTest, SeveralFilesComeBackSortedWithoutDuplicates) {
    SetOpenFilesDialogHook([&](const OpenFilesRequest&) {
        return QStringList{In("b.jpg"), In("a.jpg"), In("A.jpg"), In("a.jpg")};
    });
    EXPECT_TRUE(
        ShowOpenFilesDialog(descriptions, patterns, nullptr, folder, names, count, true, "", true));
    EXPECT_EQ(folder, Folder());
    EXPECT_EQ(names, (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg"}));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(QDir::current().canonicalPath(),
              QDir(QString::fromStdString(Utf8FromPath(dir.Path()))).canonicalPath());
}

TEST_F(OpenFilesDialogTest, OneFileComesBackAsFolderAndName) {
    SetOpenFilesDialogHook([&](const OpenFilesRequest&) { return QStringList{In("b.jpg")}; });
    EXPECT_TRUE(
        ShowOpenFilesDialog(descriptions, patterns, nullptr, folder, names, count, true, "", true));
    EXPECT_EQ(folder, Folder());
    EXPECT_EQ(names, std::vector<std::string>{"b.jpg"});
    EXPECT_EQ(count, 1);
}

TEST_F(OpenFilesDialogTest, CancelLeavesOutputsAndCurrentFolder) {
    OpenFilesRequest asked;
    SetOpenFilesDialogHook([&](const OpenFilesRequest& request) {
        asked = request;
        return QStringList();
    });
    EXPECT_FALSE(
        ShowOpenFilesDialog(descriptions, patterns, nullptr, folder, names, count, true, "", true));
    EXPECT_EQ(folder, "");
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(QDir::currentPath(), saved);
    EXPECT_EQ(asked.title, "Select a File...");
    EXPECT_EQ(asked.directory, saved);
    EXPECT_EQ(asked.nameFilters,
              (QStringList{"All Supported Files (*.JPG *.JPEG *.JPE *.JP2 *.J2K)",
                           "JPG Files (*.JPG *.JPEG *.JPE)"}));
}

TEST(OpenFilesAnswer, IsTheTextThePlatformDialogGives) {
    EXPECT_EQ(OpenFilesAnswerText({}), "");
    const QString root = QDir::rootPath();
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(OpenFilesAnswerText({root + "p/x.jpg"}),
              QDir::toNativeSeparators(root).toStdString() + "p" + sep + "x.jpg" +
                  std::string(1, '\0'));
    EXPECT_EQ(OpenFilesAnswerText({root + "x.jpg", root + "y.jpg"}),
              QDir::toNativeSeparators(root).toStdString() + std::string(1, '\0') + "x.jpg" +
                  std::string(1, '\0') + "y.jpg" + std::string(1, '\0'));
}

TEST(FolderBrowser, ReturnsAbsolutePathWithoutTrailingSeparatorOrEmpty) {
    TempDir dir;
    const QString path = QString::fromStdString(Utf8FromPath(dir.Path()));
    QString title;
    SetFolderDialogHook([&](QWidget*, const QString& asked) {
        title = asked;
        return path + "/";
    });
    EXPECT_EQ(BrowseForFolder(nullptr, "Select a Folder...", true, false),
              QDir::toNativeSeparators(path).toStdString());
    EXPECT_EQ(title, "Select a Folder...");
    SetFolderDialogHook([](QWidget*, const QString&) { return QDir::rootPath(); });
    EXPECT_EQ(BrowseForFolder(nullptr, "t", true, false),
              QDir::toNativeSeparators(QDir::rootPath()).toStdString());
    SetFolderDialogHook([](QWidget*, const QString&) { return QString(); });
    EXPECT_EQ(BrowseForFolder(nullptr, "t", true, false), "");
    SetFolderDialogHook({});
}

// The real dialog, shown offscreen and cancelled once it lists the folder: the first filter
// must show image files whatever the letter case of their extension, and nothing else.
TEST(RealOpenFilesDialog, FilterMatchesExtensionsInAnyCase) {
    TempDir dir;
    for (const char* name : {"a.JPG", "b.jpg", "c.Jpeg", "d.jp2", "e.J2k", "f.txt", "g.png"}) {
        test::WriteText(dir.File(name), "x");
    }
    std::set<std::string> listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        QElapsedTimer waited;
        waited.start();
        auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        while (view != nullptr && waited.elapsed() < 5000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            const QModelIndex root = view->rootIndex();
            if (view->model()->rowCount(root) >= 5) {
                for (int row = 0; row < view->model()->rowCount(root); ++row) {
                    listed.insert(
                        view->model()->index(row, 0, root).data().toString().toStdString());
                }
                break;
            }
        }
        dialog->reject();
    });
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    EXPECT_FALSE(ShowOpenFilesDialog({"All Supported Files"},
                                     {"*.JPG; *.JPEG; *.JPE; *.JP2; *.J2K"}, nullptr, folder, names,
                                     count, true, Utf8FromPath(dir.Path()), true));
    EXPECT_EQ(listed, (std::set<std::string>{"a.JPG", "b.jpg", "c.Jpeg", "d.jp2", "e.J2k"}));
}

// Types into the file name box of the real dialog once it lists the folder, and confirms.
void TypeIntoOpenFilesDialog(const QString& typed) {
    QTimer::singleShot(0, [typed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        QElapsedTimer waited;
        waited.start();
        while (view != nullptr && waited.elapsed() < 5000 &&
               view->model()->rowCount(view->rootIndex()) < 2) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (nameBox == nullptr) {
            dialog->reject();
            return;
        }
        nameBox->setFocus();
        QTest::keyClicks(nameBox, typed);
        QTest::keyClick(nameBox, Qt::Key_Return);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

struct TypedCase {
    const char* name;
    const char* typed;
    std::vector<std::string> names;
};

class RealOpenFilesDialogTyped : public ::testing::TestWithParam<TypedCase> {};

// Names the filter hides are not selected in the dialog's view; they come back all the same, so
// the list can refuse what it cannot read and say so.
TEST_P(RealOpenFilesDialogTyped, AnswersWithTheTypedNames) {
    const TypedCase& row = GetParam();
    TempDir dir;
    for (const char* name : {"A.jpg", "D.jpg", "photo.Jpeg", "notes.txt", "noext"}) {
        test::WriteText(dir.File(name), "x");
    }
    const QString saved = QDir::currentPath();
    TypeIntoOpenFilesDialog(QString::fromUtf8(row.typed));
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    EXPECT_TRUE(ShowOpenFilesDialog({"All Supported Files"}, {"*.JPG; *.JPEG; *.JPE; *.JP2; *.J2K"},
                                    nullptr, folder, names, count, true, Utf8FromPath(dir.Path()),
                                    true));
    QDir::setCurrent(saved);
    EXPECT_EQ(folder, Utf8FromPath(dir.Path()) + kPathSeparator);
    EXPECT_EQ(names, row.names);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RealOpenFilesDialogTyped,
    ::testing::Values(TypedCase{"OneHidden", R"("D.jpg" "notes.txt")", {"D.jpg", "notes.txt"}},
                      TypedCase{"SeveralHidden",
                                R"("photo.Jpeg" "A.jpg" "notes.txt" "noext")",
                                {"A.jpg", "noext", "notes.txt", "photo.Jpeg"}},
                      TypedCase{"OneHiddenAlone", "notes.txt", {"notes.txt"}},
                      TypedCase{"Shown", R"("D.jpg" "A.jpg")", {"A.jpg", "D.jpg"}}),
    [](const ::testing::TestParamInfo<TypedCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace folionix
