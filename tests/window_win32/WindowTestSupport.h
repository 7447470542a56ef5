#pragma once

#include "window_win32/frmMulti.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace folionix::test {

// One message box as the window would have shown it.
struct ShownMessage {
    std::string text;
    int style = 0;
    std::string title;
};

// A fresh window with every modal seam answered by the test: message boxes are recorded, the
// dialogs and the popup cancel unless a test says otherwise.
class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Control(const char* name) const;
    void SetText(const char* name, const std::string& utf8);
    std::string Text(const char* name) const;
    void Click(const char* name);
    bool IsChecked(const char* name) const;

    // The list's entry texts, and the indices of its selected items.
    std::vector<std::string> Entries() const;
    std::vector<int> SelectedRows() const;
    // Fills the list with the given texts, selecting the rows given.
    void FillList(const std::vector<std::string>& texts, const std::vector<int>& selected);
    // Drops files (CF_HDROP) or one text (CF_UNICODETEXT) on the list through its drop target.
    void DropFiles(const std::vector<std::string>& paths);
    void DropText(const std::string& text);

    std::unique_ptr<frmMulti> window;
    std::vector<ShownMessage> messages;
    std::wstring savedCurrentFolder;
};

} // namespace folionix::test
