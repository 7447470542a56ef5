// bench_window_list: how long the window takes to add, reorder and remove thousands of list
// entries. It shows the real window (on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise), writes N small JPEG files, and times each handler from the event that starts it
// until the window has handled every event it caused (layout and painting included):
//
//   add by drop        N files dropped on the list
//   add by dialog      N files chosen in "Add Files" (the dialog answered through its seam)
//   move up / down     one row, every tenth row, all rows but one; through the list's popup
//   remove all but one "Remove Selected" with every row but one selected
//
//     bench_window_list [--sizes 2000,20000] [--steps add,move,remove]

#include "dialogs/modCmDlgDLL_qt.h"
#include "window/frmMulti.h"
#include "window/modMenu.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace folionix;

// The smallest file the JPEG reader accepts: SOI, SOF0 of 8 × 8 × 3, EOI.
void WriteTinyJpeg(const std::filesystem::path& path) {
    static const unsigned char bytes[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00,
                                          0x08, 0x00, 0x08, 0x03, 0x01, 0x22, 0x00, 0x02,
                                          0x11, 0x00, 0x03, 0x11, 0x00, 0xFF, 0xD9};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

QAbstractItemView* ListOf(frmMulti& window) {
    return window.findChild<QAbstractItemView*>(QStringLiteral("List1"));
}

int RowCount(frmMulti& window) {
    return ListOf(window)->model()->rowCount();
}

// Selects exactly the rows for which pick(row) holds, in one step.
void SelectRows(frmMulti& window, const std::function<bool(int)>& pick) {
    QAbstractItemView* view = ListOf(window);
    QAbstractItemModel* model = view->model();
    QItemSelection selection;
    const int rows = model->rowCount();
    for (int row = 0; row < rows;) {
        if (!pick(row)) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < rows && pick(row)) {
            ++row;
        }
        selection.select(model->index(first, 0), model->index(row - 1, 0));
    }
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    QApplication::processEvents();
}

// Runs the work and every event it left behind; the wall time in seconds.
double Timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void Report(std::size_t size, const char* step, double seconds) {
    std::printf("%6zu  %-28s %8.3f s%s\n", size, step, seconds, seconds < 0.5 ? "" : "  (slow)");
    std::fflush(stdout);
}

void Clear(frmMulti& window) {
    SelectRows(window, [](int) { return true; });
    window.Command4_Click();
    QApplication::processEvents();
}

void AddByDrop(frmMulti& window, const QList<QUrl>& urls, std::size_t size) {
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* viewport = ListOf(window)->viewport();
    const double seconds = Timed([&] {
        const QPointF at(10, 10);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
    });
    Report(size, "add by drop", seconds);
}

void AddByDialog(frmMulti& window, const QStringList& paths, std::size_t size) {
    SetOpenFilesDialogHook([&](const OpenFilesRequest&) { return paths; });
    const double seconds = Timed([&] { window.Command2_Click(); });
    SetOpenFilesDialogHook({});
    Report(size, "add by dialog", seconds);
}

// One popup command (1 up, 2 down) on the rows that pick selects.
void Move(frmMulti& window, std::size_t size, const char* step, int command,
          const std::function<bool(int)>& pick) {
    SelectRows(window, pick);
    SetPopupMenuHook([command](std::intptr_t, QPoint) { return command; });
    const double seconds = Timed([&] { window.List1_MouseDown(2, 0, 5, 5); });
    SetPopupMenuHook({});
    Report(size, step, seconds);
}

std::vector<std::size_t> ParseSizes(const char* text) {
    std::vector<std::size_t> sizes;
    for (const QString& part : QString::fromLatin1(text).split(u',', Qt::SkipEmptyParts)) {
        sizes.push_back(static_cast<std::size_t>(part.toULongLong()));
    }
    return sizes;
}

} // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    std::vector<std::size_t> sizes{2000, 20000};
    QStringList steps{QStringLiteral("add"), QStringLiteral("move"), QStringLiteral("remove")};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sizes") {
            sizes = ParseSizes(argv[i + 1]);
        } else if (option == "--steps") {
            steps = QString::fromLatin1(argv[i + 1]).split(u',', Qt::SkipEmptyParts);
        } else {
            std::fprintf(stderr,
                         "usage: bench_window_list [--sizes N,N] [--steps add,move,remove]\n");
            return 2;
        }
    }
    QApplication application(argc, argv);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "folionix-bench-window-list";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    for (const std::size_t size : sizes) {
        QList<QUrl> urls;
        QStringList paths;
        for (std::size_t i = 0; i < size; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "scan %06zu.jpg", i);
            const std::filesystem::path path = folder / name;
            if (!std::filesystem::exists(path)) {
                WriteTinyJpeg(path);
            }
            const QString text = QString::fromStdString(path.string());
            paths.append(text);
            urls.append(QUrl::fromLocalFile(text));
        }
        // Only this run's files, in the order the dialog would list them.
        frmMulti window;
        window.SetMessagePresenter([](const std::string& text, int, const std::string&) {
            std::fprintf(stderr, "message: %s\n", text.c_str());
        });
        window.show();
        QApplication::processEvents();

        if (steps.contains(QStringLiteral("add"))) {
            AddByDrop(window, urls, size);
            Clear(window);
            AddByDialog(window, paths, size);
        } else {
            AddByDialog(window, paths, size);
        }
        if (RowCount(window) != static_cast<int>(size)) {
            std::fprintf(stderr, "expected %zu entries, the list holds %d\n", size,
                         RowCount(window));
            return 1;
        }
        const int rows = static_cast<int>(size);
        if (steps.contains(QStringLiteral("move"))) {
            const int middle = rows / 2;
            Move(window, size, "move one row up", 1, [middle](int row) { return row == middle; });
            Move(window, size, "move one row down", 2, [middle](int row) { return row == middle; });
            Move(window, size, "move 10 % up", 1, [](int row) { return row % 10 == 5; });
            Move(window, size, "move 10 % down", 2, [](int row) { return row % 10 == 5; });
            Move(window, size, "move all but one up", 1, [](int row) { return row != 0; });
            Move(window, size, "move all but one down", 2,
                 [rows](int row) { return row != rows - 1; });
        }
        if (steps.contains(QStringLiteral("remove"))) {
            SelectRows(window, [rows](int row) { return row != rows / 2; });
            const double seconds = Timed([&] { window.Command4_Click(); });
            Report(size, "remove all but one", seconds);
            if (RowCount(window) != 1) {
                std::fprintf(stderr, "expected 1 entry after removing, the list holds %d\n",
                             RowCount(window));
                return 1;
            }
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
