#pragma once

#include "conversion/modFolionix.h"
#include "window/frmMulti.h"

#include <QWidget>

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
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A control of the window by its object name; fails the test when it is missing.
    template <typename T> T* Control(const char* name) const {
        T* control = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // The list's entry texts, and the indices of its selected items.
    std::vector<std::string> Entries() const;
    std::vector<int> SelectedRows() const;
    // Fills the list with the given texts, selecting the rows given.
    void FillList(const std::vector<std::string>& texts, const std::vector<int>& selected);
    // Selects exactly the rows given.
    void SelectRows(const std::vector<int>& rows);

    std::unique_ptr<frmMulti> window;
    std::vector<ShownMessage> messages;
    QString savedCurrentFolder;
};

// Writes a small real JPEG (a PPM through cjpeg); false when cjpeg is missing or fails.
bool MakeJpeg(const std::string& path, int width, int height);

} // namespace folionix::test
