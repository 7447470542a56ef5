// Times the Windows window's list with thousands of entries, through the same core calls and
// span of changes its handlers use: adding every file as one drop, moving one row, every tenth
// row and all rows but one up and down, and removing all rows but one. Run under Wine:
//
//   cmake/wine-run.sh build/windows/bench/bench_win32_list.exe [N ...]   (default 2000 20000)

#include "common/FileAccess.h"
#include "conversion/modFolionix.h"
#include "window_win32/ListBoxWindow.h"
#include "window_win32/frmMulti.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using folionix::frmMulti;

// The smallest JPEG the readers take: start of image, an 8 x 8 grey frame, a scan, the end.
constexpr unsigned char kTinyJpeg[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08,
                                       0x00, 0x08, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xDA, 0x00,
                                       0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0xFF, 0xD9};

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Select(HWND list, const std::function<bool(int)>& chosen) {
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        if (chosen(row)) {
            SendMessageW(list, LB_SETSEL, TRUE, row);
        }
    }
}

void Report(std::size_t size, const char* step, double seconds) {
    std::printf("%6zu  %-24s %8.3f s%s\n", size, step, seconds, seconds >= 0.5 ? "  (slow)" : "");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        sizes.push_back(static_cast<std::size_t>(std::strtoul(argv[i], nullptr, 10)));
    }
    if (sizes.empty()) {
        sizes = {2000, 20000};
    }
    static_cast<void>(OleInitialize(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "folionix-bench-win32-list";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const std::size_t size : sizes) {
        folionix::DropData drop;
        for (std::size_t i = 0; i < size; ++i) {
            const std::filesystem::path file = folder / ("img" + std::to_string(i) + ".jpg");
            if (!std::filesystem::exists(file)) {
                std::ofstream(file, std::ios::binary)
                    .write(reinterpret_cast<const char*>(kTinyJpeg), sizeof kTinyJpeg);
            }
            drop.files.push_back(folionix::Utf8FromPath(file));
        }
        frmMulti window;
        HWND list = window.Control("List1");
        folionix::ListBoxWindow& entries = window.ImageList();
        Report(size, "add by drop", Seconds([&] {
                   const folionix::ListChanges changes(entries);
                   static_cast<void>(folionix::AddDroppedFiles(window, drop));
               }));
        const int rows = static_cast<int>(size);
        struct Move {
            const char* name;
            bool up;
            std::function<bool(int)> chosen;
        };
        const Move moves[] = {
            {"move one row up", true, [rows](int row) { return row == rows / 2; }},
            {"move one row down", false, [rows](int row) { return row == rows / 2; }},
            {"move 10 % up", true, [](int row) { return row % 10 == 5; }},
            {"move 10 % down", false, [](int row) { return row % 10 == 5; }},
            {"move all but one up", true, [](int row) { return row != 0; }},
            {"move all but one down", false, [rows](int row) { return row != rows - 1; }},
        };
        for (const Move& move : moves) {
            Select(list, move.chosen);
            Report(size, move.name, Seconds([&] {
                       const folionix::ListChanges changes(entries);
                       if (move.up) {
                           folionix::MoveSelectionUp(entries);
                       } else {
                           folionix::MoveSelectionDown(entries);
                       }
                   }));
        }
        Select(list, [rows](int row) { return row != rows / 2; });
        Report(size, "remove all but one", Seconds([&] {
                   const folionix::ListChanges changes(entries);
                   folionix::RemoveSelected(entries);
               }));
        if (entries.ListCount() != 1) {
            std::fprintf(stderr, "expected 1 entry after removing, the list holds %d\n",
                         entries.ListCount());
            return 1;
        }
    }
    std::filesystem::remove_all(folder);
    OleUninitialize();
    return 0;
}
