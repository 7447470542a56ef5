#pragma once
// A fresh, shown window whose message boxes are recorded and whose dialogs and popup cancel
// unless a test answers them.
#include "dialogs/modCmDlgDLL_qt.h"
#include "window/frmMulti.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace folionix::test {

struct ShownMessage {
    std::string text;
    int style;
    std::string title;
    bool operator==(const ShownMessage&) const = default;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window->SetMessagePresenter(
            [this](const std::string& text, int style, const std::string& title) {
                messages.push_back({text, style, title});
            });
        SetOpenFilesDialogHook([](const OpenFilesRequest&) { return QStringList(); });
        SetFolderDialogHook([](QWidget*, const QString&) { return QString(); });
        SetPopupMenuHook([](std::intptr_t, QPoint) { return -1; });
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        window.reset();
        SetOpenFilesDialogHook({});
        SetFolderDialogHook({});
        SetPopupMenuHook({});
        QDir::setCurrent(saved); // adding files makes their folder current
    }
    template <typename T = QWidget> T* Control(const char* name) const {
        T* control = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
    bool IsChecked(const char* name) { return Control<QAbstractButton>(name)->isChecked(); }
    void SetText(const char* name, const std::string& text) {
        Control<QLineEdit>(name)->setText(QString::fromStdString(text));
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> texts;
        for (int i = 0; i < window->ImageList().ListCount(); ++i) {
            texts.push_back(window->ImageList().ItemText(i));
        }
        return texts;
    }
    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (int i = 0; i < window->ImageList().ListCount(); ++i) {
            window->ImageList().IsSelected(i) ? rows.push_back(i) : void();
        }
        return rows;
    }
    void FillList(const std::vector<std::string>& texts, const std::vector<int>& selected) {
        std::vector<QString> items;
        for (const std::string& text : texts) {
            items.push_back(QString::fromStdString(text));
        }
        Control<ImageListWidget>("List1")->Entries().ResetTexts(std::move(items));
        SelectRows(selected);
    }
    void SelectRows(const std::vector<int>& rows) {
        auto* list = Control<ImageListWidget>("List1");
        list->clearSelection();
        for (const int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select);
        }
    }
    // Presses a key on whatever has the focus, as the user would.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    static std::string FocusName() {
        return QApplication::focusWidget()->objectName().toStdString();
    }

    QString saved = QDir::currentPath();
    std::unique_ptr<frmMulti> window = std::make_unique<frmMulti>();
    std::vector<ShownMessage> messages;
};

} // namespace folionix::test
