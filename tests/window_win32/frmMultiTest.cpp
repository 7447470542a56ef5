// The window on Windows: its controls at the table's rectangles, the first failing check's
// message, and builds that write folionix-cli.exe's bytes.
#include "Win32WindowTest.h"

#include "support/ImageBytes.h"
#include "support/TestSupport.h"
#include "window/ControlTable.h"

#include <algorithm>
#include <filesystem>

namespace folionix::test {
namespace {

TEST_F(Win32WindowTest, EveryControlSitsInItsContainerAtItsTableRectangleAt96Dpi) {
    ASSERT_EQ(window->Dpi(), 96u);
    for (const ControlPlace& row : kControlTable) {
        RECT rect{};
        GetWindowRect(window->Control(row.name), &rect);
        MapWindowPoints(nullptr, *row.in ? window->Control(row.in) : window->Handle(),
                        reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left * 15, row.left) << row.name;
        EXPECT_EQ(rect.top * 15, row.top) << row.name;
        EXPECT_EQ((rect.right - rect.left) * 15, row.width) << row.name;
        EXPECT_EQ((rect.bottom - rect.top) * 15, row.height) << row.name;
    }
}

struct CheckRow {
    std::vector<std::pair<const char*, std::string>> fields;
    ShownMessage shown;
};

class CheckTest : public Win32WindowTest, public ::testing::WithParamInterface<CheckRow> {};

TEST_P(CheckTest, SavePdfShowsTheFirstFailingChecksMessageOnly) {
    TempDir out;
    Seams().now = [] { return LocalTime{2026, 3, 4, 9, 15, 2}; };
    SetText("Text1", Utf8FromWide(out.Path().wstring()));
    for (const auto& [name, text] : GetParam().fields) {
        SetText(name, text);
    }
    Click("Command3");
    EXPECT_EQ(messages, std::vector<ShownMessage>{GetParam().shown});
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, CheckTest,
    ::testing::Values(
        CheckRow{{{"Text1", ""}, {"Text2", "0"}}, {"Please enter an Output Path", 16, "Error"}},
        CheckRow{{{"Text4", "x"}, {"Text5", "-1"}},
                 {"Please enter valid page dimensions.", 16, "Error"}},
        CheckRow{{{"Text7", "-1"}, {"Text3", "a?"}},
                 {"Please enter valid margins (zero or greater).", 16, "Error"}},
        CheckRow{
            {{"Text3", "a/b.pdf"}},
            {"Please enter a valid file name (cannot contain \\ / : * < > ? | \")", 0, "Folionix"}},
        CheckRow{{{"Text2", "8,5"}},
                 {"Done creating PDF.  Duration:  09:15:02 - 09:15:02", 0, "Folionix"}}));

// Runs folionix-cli.exe (built beside this program); true when it succeeds.
bool RunCli(const std::vector<std::string>& arguments) {
    std::wstring line = L"\"Z:" + WideFromUtf8(FOLIONIX_CLI_EXE) + L"\"";
    std::replace(line.begin(), line.end(), L'/', L'\\');
    for (const std::string& argument : arguments) {
        line += L" \"" + WideFromUtf8(argument) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return code == 0;
}

TEST_F(Win32WindowTest, SingleAndMultipleBuildsWriteTheCommandLinesBytes) {
    TempDir in;
    const std::vector<std::string> paths{in.File("photo.jpg"), in.File("\xC3\xA9t\xC3\xA9.JPEG"),
                                         in.File("picture.jp2"), in.File("raw.J2K")};
    WriteBytes(paths[0], MakeJpeg(300, 200, 150));
    WriteBytes(paths[1], MakeJpeg(900, 1600, 0));
    WriteBytes(paths[2], MakeJp2(640, 480));
    WriteBytes(paths[3], MakeJ2k(2000, 100));
    Drop(paths);
    Click("Option1");
    for (const bool multiple : {false, true}) {
        TempDir mine;
        TempDir cli;
        SetText("Text1", Utf8FromWide(mine.Path().wstring()));
        SetText("Text5", "0.5");
        Click(multiple ? "Option4" : "Option3");
        Click("Command3");
        std::vector<std::string> arguments{"--as-window", "-o",  Utf8FromWide(cli.Path().wstring()),
                                           "--top",       "0.5", "--match-image-size",
                                           "--"};
        if (multiple) {
            arguments.insert(arguments.begin(), "--multiple");
        }
        arguments.insert(arguments.end(), paths.begin(), paths.end());
        ASSERT_TRUE(RunCli(arguments));
        std::vector<std::filesystem::path> written;
        for (const auto& entry : std::filesystem::directory_iterator(cli.Path())) {
            written.push_back(entry.path().filename());
        }
        ASSERT_EQ(written.size(), multiple ? 4u : 1u);
        for (const auto& name : written) {
            std::vector<std::uint8_t> a = ReadBytes(Utf8FromWide((mine.Path() / name).wstring()));
            std::vector<std::uint8_t> b = ReadBytes(Utf8FromWide((cli.Path() / name).wstring()));
            ASSERT_EQ(a.size(), b.size()) << name;
            std::fill_n(a.begin() + 17, 25, 0); // the date line
            std::fill_n(b.begin() + 17, 25, 0);
            EXPECT_TRUE(a == b) << name;
        }
    }
    EXPECT_EQ(messages.size(), 2u);
}

} // namespace
} // namespace folionix::test
