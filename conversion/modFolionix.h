#pragma once

#include "common/CheckedMath.h"
#include "common/RunError.h"
#include "conversion/ConversionHost.h"
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

// The options of one run as the window holds them (numbers already read by LeadingNumber).
// ReadSettings fills every field.
struct ConversionSettings {
    std::string outputFolder;
    std::string fileName;
    PageSizeMode pageSizeMode{};
    double pageWidth{};
    double pageHeight{};
    double marginTop{};
    double marginBottom{};
    double marginLeft{};
    double marginRight{};
    OutputMode outputMode{};
    ImagePosition imagePosition{};
    bool shrinkOversized{};
};

// Reads all fields of the host into one record.
ConversionSettings ReadSettings(const ConversionHost& host);

// The number at the start of a text: blanks skipped, sign, digits with one period, E or D
// exponent, blanks inside the number skipped; &H and &O give hexadecimal and octal whole
// numbers; 0 when the text does not start with a number.
double LeadingNumber(std::string_view text);

// --- The run ----------------------------------------------------------------------------------

// The four checks in order; on failure the first failing check's message has been shown.
bool ValidateSettings(ConversionHost& host);

enum class RunOutcome {
    Rejected,  // a check of the settings failed; its message was shown, nothing was written
    Completed, // the build returned and the completion message was shown
    Failed     // an error that ends a run (RunError) stopped the build
};

// What a run did.
struct RunReport {
    RunOutcome outcome = RunOutcome::Rejected;
    // Completed, but some writer call returned false (a document that could not be created or
    // appended to); writerFailure names the first such call.
    bool writerFailed = false;
    std::string writerFailure;
    // Failed: the error that ended the run. With refusedBeforeWriting it is a whole message
    // (an output that is one of the images, an output that is not a regular file, images that
    // add up past 2 GiB) and nothing was written; the core has not shown it.
    std::string failure;
    bool refusedBeforeWriting = false;
    // Completed: how many listed images the build left out (a file that vanished, no longer
    // reads, changed while it was copied, or whose page the plan refused); each one's message
    // was shown.
    std::int32_t imagesLeftOut = 0;
    // Completed: the completion message as shown.
    std::string completionText;
};

// Validate, take the start time, build with the host's plan, take the end time, show the
// completion message. A RunError ends the build and is reported, not thrown.
RunReport RunConversion(ConversionHost& host);

// A run refused before anything was written; what() is the whole message.
class RunRefused : public RunError {
public:
    explicit RunRefused(const std::string& what) : RunError(what) {}
};

// The two builds, with the host's plan. Each document is written under a temporary name in the
// output folder and renamed over its final name once it is complete; a document that cannot be
// created, written or put in place raises RunError with the platform's reason (its temporary
// file removed), and a check that fails before anything is written raises RunRefused. They
// return true; failure, when given, is cleared, and imagesLeftOut receives how many images
// were left out with a message.
bool CreateSinglePdf(ConversionHost& host, std::string* failure = nullptr,
                     std::int32_t* imagesLeftOut = nullptr);
bool CreateMultiplePdfs(ConversionHost& host, std::string* failure = nullptr,
                        std::int32_t* imagesLeftOut = nullptr);

// --- Page layout ------------------------------------------------------------------------------

inline constexpr double kPointsPerInch = 72;

// Margins in points (inches times 72), not rounded.
struct PageMargins {
    double top{};
    double bottom{};
    double left{};
    double right{};
};

// The four margin fields of the host in points.
PageMargins ReadMarginsInPoints(const ConversionHost& host);

// Where one image goes: whole-point sizes, and the image's left edge (x) and top edge (y)
// measured from the page's left and bottom edges.
struct ImagePlacement {
    std::int32_t imageWidth{};
    std::int32_t imageHeight{};
    std::int32_t pageWidth{};
    std::int32_t pageHeight{};
    std::int32_t availableWidth{};
    std::int32_t availableHeight{};
    double x{};
    double y{};
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

// The head of the message for an image file that cannot be read, when listed or when built.
inline constexpr const char* kMessageUnableToLoad = "Unable to load image file: ";

// What adding one file did.
enum class AddResult {
    Added,         // a new entry at the end of the list
    AlreadyListed, // the list holds it already: nothing changed, nothing shown
    Refused,       // its header could not be read, or the plan cannot write it: message shown
    PassedOver     // no "." in its name: nothing changed, nothing shown
};

struct AddOutcome {
    std::string path; // the full path as the file was offered
    AddResult result = AddResult::PassedOver;
    std::string message; // Refused: the message shown
    // Refused: why, in a few words for a command line ("No such file or directory", "Permission
    // denied", "Is a directory", "not a valid JPEG header", ...).
    std::string reason;
};

// Adds dropped files to the host's list, each read once and checked by the host's plan. One
// outcome per file offered, in order. Where and how the drop was made changes nothing.
std::vector<AddOutcome> AddDroppedFiles(ConversionHost& host, const DropData& data);
// Adds the first count names chosen in the "Add Files" dialog, in the folder it answered.
std::vector<AddOutcome> AddSelectedFiles(ConversionHost& host, const std::string& folder,
                                         const std::vector<std::string>& fileNames,
                                         std::int32_t count);

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
