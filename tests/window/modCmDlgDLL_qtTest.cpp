// The real "Select a File..." dialog, shown offscreen: what its filter lists, and the names
// typed into it coming back even when the filter hides them.
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

namespace folionix::test {
namespace {

// Once the dialog lists the folder: records what it lists, types the text (if any) into its
// name box and presses Return, and cancels it if it is still open.
void AnswerDialog(std::set<std::string>& listed, const QString& typed) {
    QTimer::singleShot(0, [&listed, typed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        QElapsedTimer waited;
        waited.start();
        while (view->model()->rowCount(view->rootIndex()) < 4 && waited.elapsed() < 5000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            listed.insert(
                view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
        }
        if (!typed.isEmpty()) {
            auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            nameBox->setFocus();
            QTest::keyClicks(nameBox, typed);
            QTest::keyClick(nameBox, Qt::Key_Return);
        }
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

struct TypedCase {
    const char* typed;
    std::vector<std::string> names; // empty: the dialog was cancelled
};

class RealOpenFilesDialog : public ::testing::TestWithParam<TypedCase> {};

TEST_P(RealOpenFilesDialog, ListsImagesInAnyCaseAndAnswersWithTheTypedNames) {
    TempDir dir;
    for (const char* name : {"A.jpg", "D.jpg", "photo.Jpeg", "e.J2k", "notes.txt", "noext"}) {
        WriteText(dir.File(name), "x");
    }
    const QString saved = QDir::currentPath();
    std::set<std::string> listed;
    AnswerDialog(listed, QString::fromUtf8(GetParam().typed));
    std::string folder;
    std::vector<std::string> names;
    std::int32_t count = 0;
    const bool chosen = ShowOpenFilesDialog(
        {"All Supported Files", "JPG Files"}, {"*.JPG; *.JPEG; *.JPE; *.JP2; *.J2K", "*.JPG"},
        nullptr, folder, names, count, true, Utf8FromPath(dir.Path()), true);
    EXPECT_EQ(listed, (std::set<std::string>{"A.jpg", "D.jpg", "photo.Jpeg", "e.J2k"}));
    EXPECT_EQ(names, GetParam().names);
    EXPECT_EQ(chosen, !GetParam().names.empty());
    if (chosen) {
        EXPECT_EQ(folder, Utf8FromPath(dir.Path()) + kPathSeparator);
        EXPECT_EQ(count, static_cast<std::int32_t>(names.size()));
    } else {
        EXPECT_EQ(QDir::currentPath(), saved);
    }
    QDir::setCurrent(saved);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, RealOpenFilesDialog,
    ::testing::Values(TypedCase{"", {}},
                      TypedCase{R"("D.jpg" "notes.txt")", {"D.jpg", "notes.txt"}},
                      TypedCase{R"( "photo.Jpeg" "A.jpg" "" "notes.txt" "noext )",
                                {"A.jpg", "notes.txt", "photo.Jpeg"}},
                      TypedCase{" notes.txt ", {"notes.txt"}}));

} // namespace
} // namespace folionix::test
