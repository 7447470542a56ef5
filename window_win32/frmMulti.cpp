#include "window_win32/frmMulti.h"

#include "dialogs/modCmDlgDLL.h"
#include "window_win32/ListDropTarget.h"
#include "window_win32/Seams.h"
#include "window_win32/WideText.h"
#include "window_win32/modCmDlgDLL_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

namespace folionix {

Win32Seams& Seams() {
    static Win32Seams seams;
    return seams;
}

namespace {

enum class Kind { GroupBox, Frame, Label, TextBox, Button, Option, CheckBox, List };

// One control: where it sits in its container (twips), what it shows at start-up.
struct ControlRow {
    const char* name;
    Kind kind;
    const char* container; // nullptr: the window
    const char* caption;
    int left, top, width, height;
    bool bold;
    bool blue;
    bool on; // option chosen, check box checked
};

// In tab order: the window's z-order, which Tab follows.
constexpr std::array<ControlRow, 39> kControls{{
    {"Frame1", Kind::GroupBox, nullptr, "JPEG Files", 90, 135, 3435, 5145, true, false, false},
    {"Frame2", Kind::GroupBox, nullptr, "Output Options", 3600, 135, 5235, 5145, true, false,
     false},
    {"Label1", Kind::Label, "Frame2", "Output Path:", 135, 360, 1410, 240, true, true, false},
    {"Text1", Kind::TextBox, "Frame2", "C:\\", 1350, 315, 3300, 285, false, false, false},
    {"Command1", Kind::Button, "Frame2", "...", 4725, 315, 420, 285, false, false, false},
    {"Frame3", Kind::Frame, "Frame2", "", 135, 765, 4830, 2355, false, false, false},
    {"Option1", Kind::Option, "Frame3", "Match Image Size + Margins", 45, 225, 3345, 285, false,
     false, false},
    {"Option2", Kind::Option, "Frame3", "Specify Page Size", 45, 495, 1770, 285, false, false,
     true},
    {"Text2", Kind::TextBox, "Frame3", "8.5", 1755, 720, 735, 285, false, false, false},
    {"Label2", Kind::Label, "Frame3", "Width (inches):", 585, 765, 1275, 195, false, false, false},
    {"List1", Kind::List, "Frame1", "", 135, 270, 3165, 4245, false, false, false},
    {"Frame4", Kind::Frame, "Frame2", "", 135, 4050, 4515, 1050, false, false, false},
    {"Text3", Kind::TextBox, "Frame4", "JPEG_Output.PDF", 1530, 720, 2715, 285, false, false,
     false},
    {"Option3", Kind::Option, "Frame4", "Single PDF File", 45, 495, 1500, 285, false, false, true},
    {"Option4", Kind::Option, "Frame4", "Multiple PDF Files", 45, 225, 1770, 285, false, false,
     false},
    {"Label3", Kind::Label, "Frame4", "File Name:", 585, 765, 915, 195, false, false, false},
    {"Text4", Kind::TextBox, "Frame3", "11", 4005, 720, 735, 285, false, false, false},
    {"Label4", Kind::Label, "Frame3", "Height (inches):", 2790, 765, 1275, 195, false, false,
     false},
    {"Label5", Kind::Label, "Frame3", "Page Size Settings:", 0, 0, 2715, 195, true, true, false},
    {"Label6", Kind::Label, "Frame3", "Margins:", 0, 1485, 1095, 195, true, true, false},
    {"Text5", Kind::TextBox, "Frame3", "0", 1755, 1665, 735, 285, false, false, false},
    {"Label7", Kind::Label, "Frame3", "Top (inches):", 585, 1710, 1050, 195, false, false, false},
    {"Text6", Kind::TextBox, "Frame3", "0", 4005, 1665, 735, 285, false, false, false},
    {"Label8", Kind::Label, "Frame3", "Bottom (inches):", 2700, 1710, 1275, 195, false, false,
     false},
    {"Text7", Kind::TextBox, "Frame3", "0", 1755, 1980, 735, 285, false, false, false},
    {"Label9", Kind::Label, "Frame3", "Left (inches):", 585, 1980, 1050, 195, false, false, false},
    {"Text8", Kind::TextBox, "Frame3", "0", 4005, 1980, 735, 285, false, false, false},
    {"Label10", Kind::Label, "Frame3", "Right (inches):", 2790, 2025, 1185, 195, false, false,
     false},
    {"Label11", Kind::Label, "Frame4", "PDF Files:", 0, 0, 1095, 195, true, true, false},
    {"Frame5", Kind::Frame, "Frame2", "", 135, 3150, 5010, 825, false, false, false},
    {"Option5", Kind::Option, "Frame5", "Centered", 45, 225, 1770, 285, false, false, true},
    {"Option6", Kind::Option, "Frame5", "Top-Left Corner", 45, 495, 2355, 285, false, false, false},
    {"Label12", Kind::Label, "Frame5", "Image Position:", 0, 0, 1905, 195, true, true, false},
    {"Command3", Kind::Button, nullptr, "Save PDF", 7830, 5400, 1005, 330, true, false, false},
    {"Label15", Kind::Label, nullptr, "Images kept unchanged", 90, 5445, 2085, 240, false, true,
     false},
    {"Check1", Kind::CheckBox, "Frame3", "Shrink Over-Sized Images", 585, 1080, 2490, 195, false,
     false, true},
    {"Command2", Kind::Button, "Frame1", "Add Files", 2115, 4680, 1185, 330, true, false, false},
    {"Command4", Kind::Button, "Frame1", "Remove Selected", 135, 4680, 1590, 330, false, false,
     false},
    {"Label13", Kind::Label, nullptr, "Folionix \xE2\x80\x94 JPEG/JP2 to PDF", 2520, 5445, 2355,
     240, false, true, false},
}};

constexpr int kClientWidthTwips = 8925;
constexpr int kClientHeightTwips = 5820;
constexpr int kTwipsPerInch = 1440;
constexpr int kFirstControlId = 100;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr COLORREF kBlue = RGB(0, 0, 255);

// The two radio pairs with a handler, and the position pair: each is one exclusive group.
constexpr std::array<std::pair<const char*, const char*>, 3> kOptionPairs{{
    {"Option1", "Option2"},
    {"Option3", "Option4"},
    {"Option5", "Option6"},
}};

// GetDpiForWindow and AdjustWindowRectExForDpi exist from Windows 10 on; older systems have one
// dpi for every window, the screen's.
UINT DpiOfWindow(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi != nullptr) {
        const UINT dpi = getDpi(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

RECT WindowRectForClient(int width, int height, UINT dpi) {
    RECT rect{0, 0, width, height};
    using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = reinterpret_cast<AdjustForDpiFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjust != nullptr) {
        adjust(&rect, kWindowStyle, FALSE, 0, dpi);
    } else {
        AdjustWindowRectEx(&rect, kWindowStyle, FALSE, 0);
    }
    return rect;
}

// "Tahoma" 8.25 pt at the dpi; bold is weight 700.
HFONT MakeFont(UINT dpi, bool bold) {
    const int height = -MulDiv(825, static_cast<int>(dpi), 7200);
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

// Runs a handler's work so that no exception leaves the window procedure; what escapes is
// reported.
template <typename Work> void RunHandler(frmMulti& window, Work&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        window.ShowMessage(std::string("Unexpected error: ") + error.what(), kStyleCritical,
                           "Error");
    } catch (...) {
        window.ShowMessage("Unexpected error.", kStyleCritical, "Error");
    }
}

int ShiftState(WPARAM keys) {
    return ((keys & MK_SHIFT) != 0 ? 1 : 0) + ((keys & MK_CONTROL) != 0 ? 2 : 0) +
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

} // namespace

struct frmMulti::ControlEntry {
    const ControlRow* row = nullptr;
    HWND handle = nullptr;
    int containerIndex = -1;
};

frmMulti::frmMulti(bool quitOnDestroy) : quitOnDestroy_(quitOnDestroy) {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &frmMulti::WindowProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    static_cast<void>(registered);

    window_ =
        CreateWindowExW(0, kWindowClass, kWindowCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    dpi_ = DpiOfWindow(window_);
    bigIcon_ = DrawFolionixIcon(32);
    smallIcon_ = DrawFolionixIcon(16);
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    CreateFonts();
    CreateControls();
    PlaceControls();

    listBox_ = std::make_unique<ListBoxWindow>(Control("List1"));
    menus_ = std::make_unique<Win32MenuService>(window_);
    // The list's own procedure is replaced and called on, not hooked with SetWindowSubclass:
    // that finds its hook by a window property on every message, which under Wine is a trip to
    // the server (about 50 us against 2), and filling the list sends one message per row.
    SetWindowLongPtrW(Control("List1"), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProcedure_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        Control("List1"), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&frmMulti::ListProcedure)));
    dropTarget_ = new ListDropTarget([this](IDataObject* data, DWORD keyState, POINTL at) {
        POINT point{at.x, at.y};
        ScreenToClient(Control("List1"), &point);
        const int button = (keyState & MK_RBUTTON) != 0 ? 2 : ((keyState & MK_MBUTTON) ? 4 : 1);
        List1_OLEDragDrop(data, DROPEFFECT_COPY, button, ShiftState(keyState), point.x, point.y);
    });
    // Without OLE in this thread no drop arrives; the window works otherwise.
    static_cast<void>(RegisterDragDrop(Control("List1"), dropTarget_));
    SetFocus(Control("Text1"));
}

frmMulti::~frmMulti() {
    if (IsWindow(window_)) {
        DestroyWindow(window_);
    }
    if (dropTarget_ != nullptr) {
        dropTarget_->Release();
    }
    for (HFONT font : {regularFont_, boldFont_}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    for (HICON icon : {bigIcon_, smallIcon_}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

int frmMulti::Scale(int twips) const {
    return MulDiv(twips, static_cast<int>(dpi_), kTwipsPerInch);
}

HWND frmMulti::Control(std::string_view name) const {
    for (const ControlEntry& control : controls_) {
        if (name == control.row->name) {
            return control.handle;
        }
    }
    return nullptr;
}

IDropTarget* frmMulti::ListDropHandler() const {
    return dropTarget_;
}

void frmMulti::CreateFonts() {
    HFONT regular = MakeFont(dpi_, false);
    HFONT bold = MakeFont(dpi_, true);
    for (HFONT font : {regularFont_, boldFont_}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    regularFont_ = regular;
    boldFont_ = bold;
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(regularFont_), FALSE);
}

void frmMulti::CreateControls() {
    controls_.reserve(kControls.size());
    bool firstOfPair = true;
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlRow& row = kControls[i];
        ControlEntry control;
        control.row = &row;
        if (row.container != nullptr) {
            for (std::size_t c = 0; c < controls_.size(); ++c) {
                if (std::string_view(row.container) == controls_[c].row->name) {
                    control.containerIndex = static_cast<int>(c);
                }
            }
        }
        const wchar_t* className = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        // Every control starts a group, except the second button of an option pair, so the
        // arrow keys move only inside a pair.
        const bool option = row.kind == Kind::Option;
        if (!option || firstOfPair) {
            style |= WS_GROUP;
        }
        firstOfPair = !option || !firstOfPair;
        switch (row.kind) {
        case Kind::GroupBox:
            className = L"BUTTON";
            style |= BS_GROUPBOX;
            break;
        case Kind::Frame:
            // A frame without caption only groups its options: it draws nothing.
            style |= SS_OWNERDRAW;
            break;
        case Kind::Label:
            // A text wider than its label is cut at the label's edge rather than wrapped.
            style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
            break;
        case Kind::TextBox:
            className = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case Kind::Button:
            className = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case Kind::Option:
            className = L"BUTTON";
            style |= BS_AUTORADIOBUTTON;
            break;
        case Kind::CheckBox:
            className = L"BUTTON";
            style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        case Kind::List:
            className = L"LISTBOX";
            style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY |
                     LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        }
        const std::wstring caption = WideFromUtf8(row.caption);
        control.handle =
            CreateWindowExW(exStyle, className, caption.c_str(), style, 0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kFirstControlId + i)),
                            GetModuleHandleW(nullptr), nullptr);
        if (row.kind == Kind::Option || row.kind == Kind::CheckBox) {
            SendMessageW(control.handle, BM_SETCHECK, row.on ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        controls_.push_back(control);
    }
    UpdateOptionTabStops();
}

void frmMulti::PlaceControls() {
    const RECT frame =
        WindowRectForClient(Scale(kClientWidthTwips), Scale(kClientHeightTwips), dpi_);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const ControlEntry& control : controls_) {
        // Positions add up in twips and are scaled once, so a control sits exactly where its
        // container's offset plus its own place puts it.
        int left = control.row->left;
        int top = control.row->top;
        for (int c = control.containerIndex; c >= 0;
             c = controls_[static_cast<std::size_t>(c)].containerIndex) {
            left += controls_[static_cast<std::size_t>(c)].row->left;
            top += controls_[static_cast<std::size_t>(c)].row->top;
        }
        const int x = Scale(left);
        const int y = Scale(top);
        SetWindowPos(control.handle, nullptr, x, y, Scale(left + control.row->width) - x,
                     Scale(top + control.row->height) - y, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control.handle, WM_SETFONT,
                     reinterpret_cast<WPARAM>(control.row->bold ? boldFont_ : regularFont_), TRUE);
    }
}

bool frmMulti::IsChecked(std::string_view name) const {
    return SendMessageW(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void frmMulti::UpdateOptionTabStops() {
    for (const auto& [first, second] : kOptionPairs) {
        for (const char* name : {first, second}) {
            HWND option = Control(name);
            auto style = static_cast<DWORD>(GetWindowLongPtrW(option, GWL_STYLE));
            style =
                IsChecked(name) ? (style | WS_TABSTOP) : (style & ~static_cast<DWORD>(WS_TABSTOP));
            SetWindowLongPtrW(option, GWL_STYLE, static_cast<LONG_PTR>(style));
        }
    }
}

// --- ConversionHost ---------------------------------------------------------------------------

std::string frmMulti::FieldText(SettingsField field) const {
    const char* name = "Text1";
    switch (field) {
    case SettingsField::OutputPath:
        name = "Text1";
        break;
    case SettingsField::PageWidth:
        name = "Text2";
        break;
    case SettingsField::FileName:
        name = "Text3";
        break;
    case SettingsField::PageHeight:
        name = "Text4";
        break;
    case SettingsField::MarginTop:
        name = "Text5";
        break;
    case SettingsField::MarginBottom:
        name = "Text6";
        break;
    case SettingsField::MarginLeft:
        name = "Text7";
        break;
    case SettingsField::MarginRight:
        name = "Text8";
        break;
    }
    HWND box = Control(name);
    const int length = GetWindowTextLengthW(box);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(box, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return Utf8FromWide(text);
}

bool frmMulti::IsSpecifyPageSize() const {
    return IsChecked("Option2");
}
bool frmMulti::IsSinglePdf() const {
    return IsChecked("Option3");
}
bool frmMulti::IsCentered() const {
    return IsChecked("Option5");
}

CheckState frmMulti::ShrinkCheckState() const {
    switch (SendMessageW(Control("Check1"), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
        return CheckState::Checked;
    case BST_INDETERMINATE:
        return CheckState::Grayed;
    default:
        return CheckState::Unchecked;
    }
}

ListBoxWindow& frmMulti::ImageList() {
    return *listBox_;
}

void frmMulti::ShowMessage(const std::string& text, int style, const std::string& title) {
    // The list shows what was added before the message, as it would entry by entry.
    listBox_->ShowChanges();
    if (Seams().messageBox) {
        Seams().messageBox(window_, text, style, title);
        return;
    }
    const std::wstring wideText = WideFromUtf8(text);
    const std::wstring wideTitle = WideFromUtf8(title);
    MessageBoxW(window_, wideText.c_str(), wideTitle.c_str(), static_cast<UINT>(style));
}

void frmMulti::Warn(const std::string& text) {
    ShowMessage(text, kStyleExclamation, kApplicationTitle);
}

LocalTime frmMulti::Now() const {
    if (Seams().now) {
        return Seams().now();
    }
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return LocalTime{local.wYear, local.wMonth,  local.wDay,
                     local.wHour, local.wMinute, local.wSecond};
}

void frmMulti::PumpEvents() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The loop that owns the quit sees it once the run is over.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// --- Handlers ---------------------------------------------------------------------------------

void frmMulti::Command1_Click() {
    RunHandler(*this, [this] {
        const std::string path = BrowseForFolder(window_, "Select a Folder...",
                                                 /*allowAnyItem*/ true, /*includeFiles*/ false);
        if (!path.empty()) {
            const std::wstring text = WideFromUtf8(path);
            SetWindowTextW(Control("Text1"), text.c_str());
        }
    });
}

void frmMulti::Command2_Click() {
    if (runInProgress_) {
        return;
    }
    RunHandler(*this, [this] {
        const OpenFileFilters& filters = AddFilesFilters();
        std::string folder;
        std::vector<std::string> names;
        std::int32_t count = 0;
        static_cast<void>(ShowOpenFilesDialog(filters.descriptions, filters.patterns, window_,
                                              folder, names, count,
                                              /*multiSelect*/ true, /*initialFolder*/ "",
                                              /*showNetworkButton*/ true));
        const ListChanges changes(*listBox_);
        static_cast<void>(AddSelectedFiles(*this, folder, names, count));
    });
}

void frmMulti::Command3_Click() {
    if (runInProgress_) {
        return;
    }
    runInProgress_ = true;
    RunHandler(*this, [this] {
        const RunReport report = RunConversion(*this);
        if (report.outcome == RunOutcome::Failed) {
            ShowMessage("The PDF could not be finished: " + report.failure, kStyleCritical,
                        "Error");
        }
    });
    runInProgress_ = false;
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        PostMessageW(window_, WM_CLOSE, 0, 0);
    }
}

void frmMulti::Command4_Click() {
    if (runInProgress_) {
        return;
    }
    RunHandler(*this, [this] {
        const ListChanges changes(*listBox_);
        RemoveSelected(*listBox_);
    });
}

void frmMulti::List1_MouseDown(int button, int shift, int x, int y) {
    static_cast<void>(shift);
    static_cast<void>(x);
    static_cast<void>(y);
    if (runInProgress_ || button != 2 || listBox_->SelectedCount() < 1) {
        return;
    }
    RunHandler(*this, [this] {
        const ListChanges changes(*listBox_);
        ShowListMenu(*listBox_, *menus_);
    });
}

void frmMulti::List1_KeyboardMenu() {
    if (runInProgress_ || listBox_->SelectedCount() < 1) {
        return;
    }
    HWND list = Control("List1");
    int first = -1;
    SendMessageW(list, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&first));
    RECT row{};
    RECT client{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&row));
    GetClientRect(list, &client);
    // A row scrolled out of sight opens the menu at the nearest edge of the list.
    POINT at{row.left, row.bottom};
    at.y = std::max(client.top, std::min(at.y, client.bottom));
    ClientToScreen(list, &at);
    menus_->OpenNextAt(at);
    List1_MouseDown(2, 0, -1, -1);
}

void frmMulti::List1_OLEDragDrop(IDataObject* data, DWORD effect, int button, int shift, int x,
                                 int y) {
    // Where and how the files were dropped changes nothing.
    static_cast<void>(effect), static_cast<void>(button), static_cast<void>(shift);
    static_cast<void>(x), static_cast<void>(y);
    if (runInProgress_ || data == nullptr) {
        return;
    }
    RunHandler(*this, [&] {
        const ListChanges changes(*listBox_);
        static_cast<void>(AddDroppedFiles(*this, DropDataFromObject(data)));
    });
}

void frmMulti::Option1_Click() {
    EnableWindow(Control("Text2"), FALSE);
    EnableWindow(Control("Text4"), FALSE);
}

void frmMulti::Option2_Click() {
    EnableWindow(Control("Text2"), TRUE);
    EnableWindow(Control("Text4"), TRUE);
}

void frmMulti::Option3_Click() {
    EnableWindow(Control("Text3"), TRUE);
}

void frmMulti::Option4_Click() {
    EnableWindow(Control("Text3"), FALSE);
}

void frmMulti::OnCommand(HWND control) {
    // A disabled text box paints with the button face, an enabled one with the window
    // background: the system colours follow from the enabled state alone.
    static const std::array<std::pair<const char*, void (frmMulti::*)()>, 8> handlers{{
        {"Command1", &frmMulti::Command1_Click},
        {"Command2", &frmMulti::Command2_Click},
        {"Command3", &frmMulti::Command3_Click},
        {"Command4", &frmMulti::Command4_Click},
        {"Option1", &frmMulti::Option1_Click},
        {"Option2", &frmMulti::Option2_Click},
        {"Option3", &frmMulti::Option3_Click},
        {"Option4", &frmMulti::Option4_Click},
    }};
    for (const auto& [name, handler] : handlers) {
        if (control == Control(name)) {
            (this->*handler)();
        }
    }
    if (GetWindowLongPtrW(control, GWL_STYLE) & BS_AUTORADIOBUTTON) {
        UpdateOptionTabStops();
    }
}

// --- Window procedures ------------------------------------------------------------------------

LRESULT CALLBACK frmMulti::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<frmMulti*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmMulti*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT frmMulti::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
            OnCommand(reinterpret_cast<HWND>(lParam));
            return 0;
        }
        break;
    case WM_CONTEXTMENU: {
        // From the keyboard the point is (-1, -1); a right press has already been handled.
        const auto x = static_cast<short>(LOWORD(lParam));
        const auto y = static_cast<short>(HIWORD(lParam));
        if (reinterpret_cast<HWND>(wParam) == Control("List1") && x == -1 && y == -1) {
            List1_KeyboardMenu();
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        const auto control = reinterpret_cast<HWND>(lParam);
        for (const ControlEntry& entry : controls_) {
            if (entry.handle == control && entry.row->blue) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kBlue);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
        }
        break;
    }
    case WM_DRAWITEM:
        // The captionless frames draw nothing.
        return TRUE;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        CreateFonts();
        PlaceControls();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        if (suggested != nullptr) {
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    }
    case WM_ACTIVATE:
        // A plain window does not give the focus back to its control on activation by itself.
        if (LOWORD(wParam) == WA_INACTIVE) {
            focusWhenInactive_ = GetFocus();
        } else if (focusWhenInactive_ != nullptr && IsChild(window_, focusWhenInactive_)) {
            SetFocus(focusWhenInactive_);
            return 0;
        }
        break;
    case WM_CLOSE:
        // A document half closed is of no use: the window goes once the run is over.
        if (runInProgress_) {
            closeAfterRun_ = true;
            return 0;
        }
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        RevokeDragDrop(Control("List1"));
        SetWindowLongPtrW(Control("List1"), GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(listProcedure_));
        if (quitOnDestroy_) {
            PostQuitMessage(0);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK frmMulti::ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<frmMulti*>(GetWindowLongPtrW(list, GWLP_USERDATA));
    switch (message) {
    case WM_RBUTTONDOWN:
        // Not passed on: a right press leaves the selection as it is, so the popup acts on it.
        self->List1_MouseDown(2, ShiftState(wParam), static_cast<short>(LOWORD(lParam)),
                              static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE) {
            self->Command4_Click();
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcW(self->listProcedure_, list, message, wParam, lParam);
}

} // namespace folionix
