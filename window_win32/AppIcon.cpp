#include "window_win32/frmMulti.h"

#include <array>

namespace folionix {
namespace {

// Selects a pen and brush for a scope; a null colour means none.
class Paint {
public:
    Paint(HDC dc, const COLORREF* pen, const COLORREF* brush) : dc_(dc) {
        pen_ = pen != nullptr ? CreatePen(PS_SOLID, 1, *pen) : nullptr;
        brush_ = brush != nullptr ? CreateSolidBrush(*brush) : nullptr;
        oldPen_ = SelectObject(dc_, pen_ != nullptr ? pen_ : GetStockObject(NULL_PEN));
        oldBrush_ = SelectObject(dc_, brush_ != nullptr ? brush_ : GetStockObject(NULL_BRUSH));
    }
    ~Paint() {
        SelectObject(dc_, oldPen_);
        SelectObject(dc_, oldBrush_);
        if (pen_ != nullptr) {
            DeleteObject(pen_);
        }
        if (brush_ != nullptr) {
            DeleteObject(brush_);
        }
    }
    Paint(const Paint&) = delete;
    Paint& operator=(const Paint&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldBrush_;
};

} // namespace

// A sheet of paper with a folded corner and a picture on it (sky, sun, two hills), drawn in the
// sixteen colours of the classic palette: the same drawing as the Linux window's icon.
HICON DrawFolionixIcon(int size) {
    const auto at = [size](int v) { return v * size / 32; };
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF white = RGB(255, 255, 255);
    const COLORREF silver = RGB(192, 192, 192);
    const COLORREF gray = RGB(128, 128, 128);
    const COLORREF navy = RGB(0, 0, 128);
    const COLORREF blue = RGB(0, 0, 255);
    const COLORREF green = RGB(0, 128, 0);
    const COLORREF lime = RGB(0, 255, 0);
    const COLORREF yellow = RGB(255, 255, 0);
    const COLORREF red = RGB(255, 0, 0);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    const std::array<POINT, 5> sheet{
        {{at(5), at(1)}, {at(21), at(1)}, {at(27), at(7)}, {at(27), at(30)}, {at(5), at(30)}}};

    // The mask: black where the sheet is, white (transparent) around it.
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, size, size, WHITENESS);
    {
        const Paint paint(dc, &black, &black);
        Polygon(dc, sheet.data(), static_cast<int>(sheet.size()));
    }

    // The picture, on black where the mask is transparent.
    SelectObject(dc, colour);
    PatBlt(dc, 0, 0, size, size, BLACKNESS);
    {
        const Paint paint(dc, &black, &white);
        Polygon(dc, sheet.data(), static_cast<int>(sheet.size()));
    }
    {
        const Paint paint(dc, &black, &silver);
        const std::array<POINT, 3> corner{{{at(21), at(1)}, {at(21), at(7)}, {at(27), at(7)}}};
        Polygon(dc, corner.data(), static_cast<int>(corner.size()));
    }
    {
        const Paint paint(dc, nullptr, &blue);
        Rectangle(dc, at(8), at(10), at(24) + 1, at(22) + 1);
    }
    {
        const Paint paint(dc, nullptr, &yellow);
        Ellipse(dc, at(18), at(11), at(22) + 1, at(15) + 1);
    }
    {
        const Paint paint(dc, nullptr, &green);
        const std::array<POINT, 3> hill{{{at(8), at(22)}, {at(14), at(14)}, {at(20), at(22)}}};
        Polygon(dc, hill.data(), static_cast<int>(hill.size()));
    }
    {
        const Paint paint(dc, nullptr, &lime);
        const std::array<POINT, 3> hill{{{at(14), at(22)}, {at(19), at(17)}, {at(24), at(22)}}};
        Polygon(dc, hill.data(), static_cast<int>(hill.size()));
    }
    {
        const Paint paint(dc, &navy, nullptr);
        Rectangle(dc, at(8), at(10), at(24), at(22));
    }
    {
        // A red band at the foot of the sheet, as on a PDF document.
        const Paint paint(dc, nullptr, &red);
        Rectangle(dc, at(8), at(24), at(24) + 1, at(27) + 1);
    }
    {
        const Paint paint(dc, nullptr, &gray);
        Rectangle(dc, at(8), at(28), at(18) + 1, at(28) + std::max(1, at(1)) + 1);
    }
    SelectObject(dc, old);
    DeleteDC(dc);

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

} // namespace folionix
