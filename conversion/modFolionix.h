#pragma once

#include "conversion/ListBox.h"
#include "imaging/ImageInfo.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace folionix {

// --- Settings ---------------------------------------------------------------------------------

enum class PageSizeMode { MatchImageSize, SpecifyPageSize };
enum class OutputMode { SinglePdf, MultiplePdfs };
enum class ImagePosition { Centered, TopLeftCorner };
enum class CheckState { Unchecked, Checked, Grayed };

// The options of one run as the window holds them (numbers already read by LeadingNumber).
struct ConversionSettings {
    std::string outputFolder;
    std::string fileName;
    PageSizeMode pageSizeMode = PageSizeMode::SpecifyPageSize;
    double pageWidth = 8.5;
    double pageHeight = 11;
    double marginTop = 0;
    double marginBottom = 0;
    double marginLeft = 0;
    double marginRight = 0;
    OutputMode outputMode = OutputMode::SinglePdf;
    ImagePosition imagePosition = ImagePosition::Centered;
    bool shrinkOversized = true;
};

// The text fields of the window, by the control that holds them.
enum class SettingsField {
    OutputPath,   // Text1
    PageWidth,    // Text2
    FileName,     // Text3
    PageHeight,   // Text4
    MarginTop,    // Text5
    MarginBottom, // Text6
    MarginLeft,   // Text7
    MarginRight   // Text8
};

// "The window" as the core reads it: the controls that hold the settings, and the image list.
// The builds read it again while they run, exactly when the window's controls would be read.
class ConversionHost {
public:
    virtual ~ConversionHost() = default;
    virtual std::string FieldText(SettingsField field) const = 0;
    virtual bool IsSpecifyPageSize() const = 0; // Option2 set
    virtual bool IsSinglePdf() const = 0;       // Option3 set
    virtual bool IsCentered() const = 0;        // Option5 set
    virtual CheckState ShrinkCheckState() const = 0;
    virtual ListBox& ImageList() = 0;
};

// Reads all fields of the host into one record.
ConversionSettings ReadSettings(const ConversionHost& host);

// The number at the start of a text: blanks skipped, sign, digits with one period, E or D
// exponent, blanks inside the number skipped; &H and &O give hexadecimal and octal whole
// numbers; 0 when the text does not start with a number.
double LeadingNumber(std::string_view text);

// --- Messages ---------------------------------------------------------------------------------

inline constexpr int kStyleCritical = 16;    // stop icon, OK
inline constexpr int kStyleExclamation = 48; // exclamation icon, OK
inline constexpr int kStyleOkOnly = 0;       // OK alone
inline constexpr const char* kApplicationTitle = "Folionix";

// A modal message box: text, style, title. The window shows a box; the command line prints.
using MessageBoxHook =
    std::function<void(const std::string& text, int style, const std::string& title)>;
void SetMessageBoxHook(MessageBoxHook hook);
void ShowMessage(const std::string& text, int style, const std::string& title);

// --- The run ----------------------------------------------------------------------------------

// The four checks in order; on failure the first failing check's message has been shown.
bool ValidateSettings(const ConversionHost& host);

// What a run did, for front ends that want more than the completion message.
struct RunReport {
    bool completed = false;    // the build returned and the completion message was shown
    bool writerFailed = false; // some writer call returned false
};

// Validate, take the start time, build, take the end time, show the completion message.
// A RunError raised by a build propagates to the caller without the completion message.
RunReport RunConversion(ConversionHost& host);

// The same run with other builds in place of CreateSinglePdf and CreateMultiplePdfs (the
// conforming mode's); each returns whether every writer call succeeded.
using BuildProcedure = bool (*)(ConversionHost& host);
RunReport RunConversionWith(ConversionHost& host, BuildProcedure createSingle,
                            BuildProcedure createMultiple);

// The two builds. They return whether every writer call succeeded; callers may ignore it.
bool CreateSinglePdf(ConversionHost& host);
bool CreateMultiplePdfs(ConversionHost& host);

// --- Page layout ------------------------------------------------------------------------------

// Margins in points (inches times 72), not rounded.
struct PageMargins {
    double top = 0;
    double bottom = 0;
    double left = 0;
    double right = 0;
};

// Where one image goes: whole-point sizes, and the image's left edge (x) and top edge (y)
// measured from the page's left and bottom edges.
struct ImagePlacement {
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
    std::int32_t pageWidth = 0;
    std::int32_t pageHeight = 0;
    std::int32_t availableWidth = 0;
    std::int32_t availableHeight = 0;
    double x = 0;
    double y = 0;
};

// Called with the page size as soon as it is known, before the shrink and position options are
// read: the builds begin the page there.
using BeginPageCallback = std::function<void(std::int32_t pageWidth, std::int32_t pageHeight)>;

// Page size, shrink and position of one image. Reads pageSizeMode, the page size fields,
// shrinkOversized and imagePosition from the host at the moments the builds read them.
// Raises RunError when a pixel product or a rounded size does not fit in 32 bits.
ImagePlacement PlaceImageOnPage(const ImageInfo& info, const PageMargins& margins,
                                const ConversionHost& host,
                                const BeginPageCallback& beginPage = {});

// Rounds to the nearest whole number, halves to the even neighbour (612.5 -> 612, 613.5 ->
// 614). Raises RunError, naming what, for a value outside the 32-bit range or not a number.
std::int32_t RoundHalfEven(double value, const char* what);

// --- The image list ---------------------------------------------------------------------------

// Five tabs between the file name and its folder in a list entry.
inline constexpr std::string_view EntrySeparator = "\t\t\t\t\t";

// file name + EntrySeparator + folder (which ends with the path separator).
std::string ImageListEntry(const std::string& fileName, const std::string& folder);

// Splits an entry at the last EntrySeparator; the folder is trimmed of spaces and given a
// trailing separator.
void SplitListEntry(const std::string& entry, std::string& fileName, std::string& folder);

// The data of a drop on the list: plain text (one path) or a list of full paths.
struct DropData {
    bool hasText = false;
    std::string text;
    std::vector<std::string> files;
};

void AddDroppedFiles(ListBox& list, const DropData& data, std::int32_t effect = 0,
                     std::int32_t button = 0, std::int32_t shift = 0, float x = 0, float y = 0);
void AddSelectedFiles(ListBox& list, const std::string& folder,
                      const std::vector<std::string>& fileNames, std::int32_t count);

void MoveSelectionUp(ListBox& list);
void MoveSelectionDown(ListBox& list);
// "Remove Selected": every selected item goes, the others keep their order.
void RemoveSelected(ListBox& list);

// The popup menu service as the list's popup uses it; the window supplies one over its menus.
class MenuService {
public:
    virtual ~MenuService() = default;
    virtual std::intptr_t NewMenu(bool popup) = 0;
    virtual bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                             std::int32_t idBase) = 0;
    virtual bool ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string& text,
                               std::int32_t x, std::int32_t y) = 0;
    virtual bool DestroyMenuAll(std::intptr_t menu) = 0;
};

// The list's two-item popup: "Move Selection Up" / "Move Selection Down".
void ShowListMenu(ListBox& list, MenuService& menus);

} // namespace folionix
