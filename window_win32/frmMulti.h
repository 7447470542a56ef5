#pragma once

#include "common/Clock.h"
#include "conversion/modFolionix.h"
#include "window_win32/ListBoxWindow.h"
#include "window_win32/modMenu.h"

#include <windows.h>

#include <ole2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace folionix {

class ListDropTarget;

// The program's one window on Windows: plain user32 controls at the positions of the layout,
// drawn in twips and shown at 15 twips to the pixel at 96 dpi, scaled with the monitor's dpi.
// Its controls hold every option of a run and the image list; the handlers, named after control
// and event, hand the work to the conversion code. The window is the ConversionHost the builds
// read while they run.
//
// All controls are children of the window itself, in tab order, so that Tab walks them in that
// order across the group boxes (IsDialogMessage follows the z-order). A control's place inside
// its group box or frame is kept by adding the container's offset.
class frmMulti final : public ConversionHost {
public:
    // quitOnDestroy: the program ends its message loop when the window goes (tests keep theirs).
    explicit frmMulti(bool quitOnDestroy = false);
    ~frmMulti() override;
    frmMulti(const frmMulti&) = delete;
    frmMulti& operator=(const frmMulti&) = delete;

    HWND Handle() const { return window_; }
    // A control by its name ("Text1", "List1", ...); nullptr for an unknown name.
    HWND Control(std::string_view name) const;
    // The drop target registered on the list (tests drop through it).
    IDropTarget* ListDropHandler() const;

    // ConversionHost
    std::string FieldText(SettingsField field) const override;
    bool IsSpecifyPageSize() const override;
    bool IsSinglePdf() const override;
    bool IsCentered() const override;
    CheckState ShrinkCheckState() const override;
    ListBoxWindow& ImageList() override;

    // What the window does for the run: a modal message box (16 stop, 48 exclamation, 0 OK
    // alone), a warning, the local clock, and a pass over pending window messages while a long
    // close runs.
    void ShowMessage(const std::string& text, int style, const std::string& title) override;
    void Warn(const std::string& text) override;
    LocalTime Now() const override;
    void PumpEvents() override;

    // True while "Save PDF" is running.
    bool RunInProgress() const { return runInProgress_; }

    // The handlers.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void List1_MouseDown(int button, int shift, int x, int y);
    void List1_OLEDragDrop(IDataObject* data, DWORD effect, int button, int shift, int x, int y);
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();

    // The Menu key or Shift+F10 on the list: the list's popup at the first selected row.
    void List1_KeyboardMenu();

    // The window's dpi, and the pixels for a length in twips at that dpi.
    UINT Dpi() const { return dpi_; }
    int Scale(int twips) const;

private:
    struct ControlEntry;

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void CreateFonts();
    void PlaceControls();
    void OnCommand(HWND control);
    // The selected option of each pair is its group's one tab stop.
    void UpdateOptionTabStops();
    bool IsChecked(std::string_view name) const;

    HWND window_ = nullptr;
    std::vector<ControlEntry> controls_;
    UINT dpi_ = 96;
    HFONT regularFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::unique_ptr<ListBoxWindow> listBox_;
    WNDPROC listProcedure_ = nullptr;
    std::unique_ptr<Win32MenuService> menus_;
    ListDropTarget* dropTarget_ = nullptr;
    bool quitOnDestroy_ = false;
    bool runInProgress_ = false;
    bool closeAfterRun_ = false;
    HWND focusWhenInactive_ = nullptr;
};

// The window's caption and class name.
inline constexpr const wchar_t* kWindowCaption = L"Folionix  v2.0";
inline constexpr const wchar_t* kWindowClass = L"FolionixMainWindow";

// The window icon at size x size pixels, in sixteen colours.
HICON DrawFolionixIcon(int size);

} // namespace folionix
