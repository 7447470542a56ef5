#include "WindowTestSupport.h"

#include "dialogs/modCmDlgDLL_qt.h"
#include "support/TestSupport.h"
#include "window/modMenu.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QListView>

#include <string>

namespace folionix::test {

void WindowTest::SetUp() {
    savedCurrentFolder = QDir::currentPath();
    window = std::make_unique<frmMulti>();
    window->SetMessagePresenter(
        [this](const std::string& text, int style, const std::string& title) {
            messages.push_back({text, style, title});
        });
    SetOpenFilesDialogHook([](const OpenFilesRequest&) { return QStringList(); });
    SetFolderDialogHook([](QWidget*, const QString&) { return QString(); });
    SetPopupMenuHook([](std::intptr_t, QPoint) { return -1; });
}

void WindowTest::TearDown() {
    window.reset();
    SetOpenFilesDialogHook({});
    SetFolderDialogHook({});
    SetPopupMenuHook({});
    // Adding files makes their folder current; the test's folders go away afterwards.
    QDir::setCurrent(savedCurrentFolder);
}

std::vector<std::string> WindowTest::Entries() const {
    std::vector<std::string> texts;
    const auto* list = Control<QListView>("List1");
    for (int i = 0; i < list->model()->rowCount(); ++i) {
        texts.push_back(list->model()->index(i, 0).data().toString().toStdString());
    }
    return texts;
}

std::vector<int> WindowTest::SelectedRows() const {
    std::vector<int> rows;
    const auto* list = Control<QListView>("List1");
    for (int i = 0; i < list->model()->rowCount(); ++i) {
        if (list->selectionModel()->isSelected(list->model()->index(i, 0))) {
            rows.push_back(i);
        }
    }
    return rows;
}

void WindowTest::FillList(const std::vector<std::string>& texts, const std::vector<int>& selected) {
    auto* list = Control<ImageListWidget>("List1");
    std::vector<QString> items;
    for (const std::string& text : texts) {
        items.push_back(QString::fromStdString(text));
    }
    list->Entries().ResetTexts(std::move(items));
    SelectRows(selected);
}

void WindowTest::SelectRows(const std::vector<int>& rows) {
    auto* list = Control<QListView>("List1");
    list->selectionModel()->clearSelection();
    for (const int row : rows) {
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    }
}

bool MakeJpeg(const std::string& path, int width, int height) {
    if (!HaveTool("cjpeg")) {
        return false;
    }
    std::string ppm = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ppm.push_back(static_cast<char>(x * 255 / std::max(1, width - 1)));
            ppm.push_back(static_cast<char>(y * 255 / std::max(1, height - 1)));
            ppm.push_back(static_cast<char>(128));
        }
    }
    const std::string ppmPath = path + ".ppm";
    WriteText(ppmPath, ppm);
    const int status =
        RunCommand("cjpeg -quality 80 -outfile " + ShellQuote(path) + " " + ShellQuote(ppmPath));
    std::remove(ppmPath.c_str());
    return status == 0;
}

} // namespace folionix::test
