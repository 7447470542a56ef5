#include "conversion/modFolionix.h"

#include "common/CheckedMath.h"
#include "common/Clock.h"
#include "common/FileAccess.h"
#include "common/RunError.h"
#include "common/Text.h"
#include "conversion/modForms.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"
#include "pdf/modPDF.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <limits>
#include <optional>
#include <utility>

namespace folionix {
namespace {

// --- Texts ------------------------------------------------------------------------------------

constexpr const char* kMessageOutputPath = "Please enter an Output Path";
constexpr const char* kMessagePageSize = "Please enter valid page dimensions.";
constexpr const char* kMessageMargins = "Please enter valid margins (zero or greater).";
// Ends in a blank after the bar; the message adds a double quote and ")".
constexpr const char* kMessageFileNameHead =
    "Please enter a valid file name (cannot contain \\ / : * < > ? | ";
constexpr const char* kTitleError = "Error";
constexpr const char* kTitleImageError = "Image Error";
constexpr const char* kMessageUnableToLoad = "Unable to load image file: ";
constexpr const char* kDoneSingle = "Done creating PDF.  Duration:  ";
constexpr const char* kDoneMultiple = "Done creating PDFs.  Duration:  ";
constexpr const char* kFileNameForbidden = "\\/:*<>?|\"";
constexpr double kPointsPerInch = 72;

MessageBoxHook& MessageHook() {
    static MessageBoxHook hook;
    return hook;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text from the last "." to the end, upper-cased; nothing when there is no ".".
std::optional<std::string> UpperExtension(std::string_view text) {
    const std::size_t dot = text.rfind('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    std::string extension(text.substr(dot));
    for (char& c : extension) {
        c = UpperAscii(c);
    }
    return extension;
}

enum class ImageKind { None, Jpeg, Jp2, J2k };

ImageKind KindOfExtension(const std::optional<std::string>& extension) {
    if (!extension) {
        return ImageKind::None;
    }
    if (*extension == ".JPG" || *extension == ".JPEG" || *extension == ".JPE") {
        return ImageKind::Jpeg;
    }
    if (*extension == ".JP2") {
        return ImageKind::Jp2;
    }
    if (*extension == ".J2K") {
        return ImageKind::J2k;
    }
    return ImageKind::None;
}

bool ReadImageHeader(ImageKind kind, const std::string& imagePath, ImageInfo& info) {
    switch (kind) {
    case ImageKind::Jpeg:
        return GetJpegInfo(imagePath, info, /*startPosition*/ 1);
    case ImageKind::Jp2:
        return GetJp2Info(imagePath, info, /*startPosition*/ 1);
    case ImageKind::J2k:
        return GetJ2kInfo(imagePath, info, /*startPosition*/ 1);
    case ImageKind::None:
        break;
    }
    return false;
}

// --- LeadingNumber
// --------------------------------------------------------------------------------

bool IsNumberBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Walks a text while skipping the blanks that may stand anywhere in a number.
class NumberCursor {
public:
    explicit NumberCursor(std::string_view text) : text_(text) {}
    // The next character that is not a blank; '\0' at the end.
    char Peek() {
        while (position_ < text_.size() && IsNumberBlank(text_[position_])) {
            ++position_;
        }
        return position_ < text_.size() ? text_[position_] : '\0';
    }
    void Advance() { ++position_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

int DigitValue(char c, int radix) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < radix ? value : -1;
}

// &H and &O numbers: up to FFFF they are 16-bit two's-complement values (&HFFFF is -1), up to
// FFFFFFFF 32-bit ones (&HFFFFFFFF is -1, &H10000 is 65536). No digits, or more than 32 bits,
// read as 0.
double ReadRadixNumber(NumberCursor& cursor, int radix) {
    std::uint64_t value = 0;
    bool anyDigit = false;
    for (;;) {
        const int digit = DigitValue(cursor.Peek(), radix);
        if (digit < 0) {
            break;
        }
        cursor.Advance();
        anyDigit = true;
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    if (!anyDigit) {
        return 0;
    }
    if (value <= 0xFFFFu) {
        return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    }
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// --- Placement helpers --------------------------------------------------------------------------

std::int32_t ScaledSide(std::int32_t pixels, std::int32_t dotsPerInch, const char* what) {
    const std::int32_t product = CheckedMul(pixels, 72, what);
    return RoundHalfEven(static_cast<double>(product) / static_cast<double>(dotsPerInch), what);
}

// --- The builds -------------------------------------------------------------------------------

PageMargins ReadMarginsInPoints(const ConversionHost& host) {
    PageMargins margins;
    margins.top = LeadingNumber(host.FieldText(SettingsField::MarginTop)) * kPointsPerInch;
    margins.bottom = LeadingNumber(host.FieldText(SettingsField::MarginBottom)) * kPointsPerInch;
    margins.left = LeadingNumber(host.FieldText(SettingsField::MarginLeft)) * kPointsPerInch;
    margins.right = LeadingNumber(host.FieldText(SettingsField::MarginRight)) * kPointsPerInch;
    return margins;
}

// Keeps track of whether every writer call succeeded; the builds themselves go on regardless.
class WriterResults {
public:
    void Note(bool result) { allSucceeded_ = allSucceeded_ && result; }
    bool AllSucceeded() const { return allSucceeded_; }

private:
    bool allSucceeded_ = true;
};

// Embeds one list entry's image and writes its page into the open document.
void WriteImagePage(const ConversionHost& host, const std::string& documentPath,
                    const std::string& fileName, const std::string& folder,
                    const std::string& imageName, const PageMargins& margins, ImageInfo& info,
                    WriterResults& results) {
    const std::string imagePath = folder + fileName;
    const ImageKind kind = KindOfExtension(UpperExtension(fileName));
    if (kind != ImageKind::None) {
        // The reader's result is not examined: a failed read leaves zeros and the page is made
        // from them.
        static_cast<void>(ReadImageHeader(kind, imagePath, info));
        if (kind == ImageKind::Jpeg) {
            results.Note(PdfAddJpegImage(documentPath, imagePath, info.Width, info.Height,
                                         info.BitsPerComponent, info.BitsPerPixel, imageName));
        } else {
            results.Note(PdfAddJpxImage(documentPath, imagePath, info.Width, info.Height,
                                        info.BitsPerComponent, info.BitsPerPixel, imageName));
        }
    }
    const ImagePlacement placement =
        PlaceImageOnPage(info, margins, host, [&](std::int32_t width, std::int32_t height) {
            results.Note(PdfBeginPage(documentPath, width, height));
        });
    results.Note(PdfDrawImage(documentPath, placement.x, placement.y, placement.imageWidth,
                              placement.imageHeight, imageName, info.BitsPerPixel));
    results.Note(PdfEndPage(documentPath));
}

} // namespace

// --- Settings ---------------------------------------------------------------------------------

double LeadingNumber(std::string_view text) {
    NumberCursor cursor(text);
    char c = cursor.Peek();
    if (c == '&') {
        cursor.Advance();
        c = cursor.Peek();
        if (c == 'H' || c == 'h') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 16);
        }
        if (c == 'O' || c == 'o') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 8);
        }
        return 0;
    }

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        cursor.Advance();
    }
    // The number without blanks, in the form from_chars reads whatever the locale.
    std::string number;
    bool anyDigit = false;
    bool havePeriod = false;
    for (c = cursor.Peek(); IsDecimalDigit(c) || (c == '.' && !havePeriod); c = cursor.Peek()) {
        anyDigit = anyDigit || IsDecimalDigit(c);
        havePeriod = havePeriod || c == '.';
        number.push_back(c);
        cursor.Advance();
    }
    if (!anyDigit) {
        return 0;
    }
    // An exponent letter counts only when digits follow it: "2e" and "2e+" read as 2.
    bool negativeExponent = false;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        cursor.Advance();
        std::string exponent = "e";
        c = cursor.Peek();
        if (c == '+' || c == '-') {
            negativeExponent = c == '-';
            exponent.push_back(c);
            cursor.Advance();
        }
        bool anyExponentDigit = false;
        for (c = cursor.Peek(); IsDecimalDigit(c); c = cursor.Peek()) {
            anyExponentDigit = true;
            exponent.push_back(c);
            cursor.Advance();
        }
        if (anyExponentDigit) {
            number += exponent;
        } else {
            negativeExponent = false;
        }
    }

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    static_cast<void>(end);
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity (a build then refuses it); too small gives 0.
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc()) {
        value = 0;
    }
    if (value == 0) {
        return 0;
    }
    return negative ? -value : value;
}

ConversionSettings ReadSettings(const ConversionHost& host) {
    ConversionSettings settings;
    settings.outputFolder = host.FieldText(SettingsField::OutputPath);
    settings.fileName = host.FieldText(SettingsField::FileName);
    settings.pageSizeMode =
        host.IsSpecifyPageSize() ? PageSizeMode::SpecifyPageSize : PageSizeMode::MatchImageSize;
    settings.pageWidth = LeadingNumber(host.FieldText(SettingsField::PageWidth));
    settings.pageHeight = LeadingNumber(host.FieldText(SettingsField::PageHeight));
    settings.marginTop = LeadingNumber(host.FieldText(SettingsField::MarginTop));
    settings.marginBottom = LeadingNumber(host.FieldText(SettingsField::MarginBottom));
    settings.marginLeft = LeadingNumber(host.FieldText(SettingsField::MarginLeft));
    settings.marginRight = LeadingNumber(host.FieldText(SettingsField::MarginRight));
    settings.outputMode = host.IsSinglePdf() ? OutputMode::SinglePdf : OutputMode::MultiplePdfs;
    settings.imagePosition =
        host.IsCentered() ? ImagePosition::Centered : ImagePosition::TopLeftCorner;
    settings.shrinkOversized = host.ShrinkCheckState() == CheckState::Checked;
    return settings;
}

// --- Messages ---------------------------------------------------------------------------------

void SetMessageBoxHook(MessageBoxHook hook) {
    MessageHook() = std::move(hook);
}

void ShowMessage(const std::string& text, int style, const std::string& title) {
    if (MessageHook()) {
        MessageHook()(text, style, title);
        return;
    }
    std::cerr << title << ": " << text << '\n';
}

// --- Validation and the run -------------------------------------------------------------------

bool ValidateSettings(const ConversionHost& host) {
    if (host.FieldText(SettingsField::OutputPath).empty()) {
        ShowMessage(kMessageOutputPath, kStyleCritical, kTitleError);
        return false;
    }
    if (host.IsSpecifyPageSize()) {
        const double width = LeadingNumber(host.FieldText(SettingsField::PageWidth));
        const double height = LeadingNumber(host.FieldText(SettingsField::PageHeight));
        if (width <= 0 || height <= 0) {
            ShowMessage(kMessagePageSize, kStyleCritical, kTitleError);
            return false;
        }
    }
    const double top = LeadingNumber(host.FieldText(SettingsField::MarginTop));
    const double bottom = LeadingNumber(host.FieldText(SettingsField::MarginBottom));
    const double left = LeadingNumber(host.FieldText(SettingsField::MarginLeft));
    const double right = LeadingNumber(host.FieldText(SettingsField::MarginRight));
    if (top < 0 || bottom < 0 || left < 0 || right < 0) {
        ShowMessage(kMessageMargins, kStyleCritical, kTitleError);
        return false;
    }
    if (host.IsSinglePdf()) {
        const std::string fileName = host.FieldText(SettingsField::FileName);
        if (fileName.empty() || fileName.find_first_of(kFileNameForbidden) != std::string::npos) {
            ShowMessage(std::string(kMessageFileNameHead) + '"' + ")", kStyleOkOnly,
                        kApplicationTitle);
            return false;
        }
    }
    return true;
}

RunReport RunConversion(ConversionHost& host) {
    return RunConversionWith(host, CreateSinglePdf, CreateMultiplePdfs);
}

RunReport RunConversionWith(ConversionHost& host, BuildProcedure createSingle,
                            BuildProcedure createMultiple) {
    RunReport report;
    if (!ValidateSettings(host)) {
        return report;
    }
    const std::string start = FormatClockTime(CurrentLocalTime());
    bool writerSucceeded = false;
    const char* prefix = nullptr;
    if (host.IsSinglePdf()) {
        writerSucceeded = createSingle(host);
        prefix = kDoneSingle;
    } else {
        writerSucceeded = createMultiple(host);
        prefix = kDoneMultiple;
    }
    const std::string end = FormatClockTime(CurrentLocalTime());
    report.writerFailed = !writerSucceeded;
    ShowMessage(std::string(prefix) + start + " - " + end, kStyleOkOnly, kApplicationTitle);
    report.completed = true;
    return report;
}

bool CreateSinglePdf(ConversionHost& host) {
    const std::string outputFolder =
        WithTrailingSeparator(host.FieldText(SettingsField::OutputPath));
    const PageMargins margins = ReadMarginsInPoints(host);
    const std::string documentPath = outputFolder + host.FieldText(SettingsField::FileName);
    WriterResults results;
    results.Note(PdfOpenDocument(documentPath, /*version*/ "1.3"));

    ImageInfo info;
    const std::int32_t count = host.ImageList().ListCount();
    for (std::int32_t i = 0; i < count; ++i) {
        std::string fileName;
        std::string folder;
        SplitListEntry(host.ImageList().ItemText(i), fileName, folder);
        WriteImagePage(host, documentPath, fileName, folder, "I" + std::to_string(i), margins, info,
                       results);
    }
    results.Note(PdfCloseDocument(documentPath));
    return results.AllSucceeded();
}

bool CreateMultiplePdfs(ConversionHost& host) {
    const std::string outputFolder =
        WithTrailingSeparator(host.FieldText(SettingsField::OutputPath));
    const PageMargins margins = ReadMarginsInPoints(host);
    WriterResults results;

    ImageInfo info;
    const std::int32_t count = host.ImageList().ListCount();
    for (std::int32_t i = 0; i < count; ++i) {
        std::string fileName;
        std::string folder;
        SplitListEntry(host.ImageList().ItemText(i), fileName, folder);
        const std::string documentPath = outputFolder + fileName + ".PDF";
        results.Note(PdfOpenDocument(documentPath, /*version*/ "1.3"));
        WriteImagePage(host, documentPath, fileName, folder, "I1", margins, info, results);
        results.Note(PdfCloseDocument(documentPath));
    }
    return results.AllSucceeded();
}

// --- Page layout ------------------------------------------------------------------------------

std::int32_t RoundHalfEven(double value, const char* what) {
    // nearbyint follows the rounding mode, which is round-to-nearest-even unless someone
    // changed it; nothing in this program does.
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) ||
        rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        throw RunError(std::string("Overflow: ") + what + " does not fit in 32 bits");
    }
    return static_cast<std::int32_t>(rounded);
}

ImagePlacement PlaceImageOnPage(const ImageInfo& info, const PageMargins& margins,
                                const ConversionHost& host, const BeginPageCallback& beginPage) {
    ImagePlacement placement;
    const std::int32_t horizontalDpi = info.XResolution == 0 ? 72 : info.XResolution;
    const std::int32_t verticalDpi = info.YResolution == 0 ? 72 : info.YResolution;
    placement.imageWidth = ScaledSide(info.Width, horizontalDpi, "image width");
    placement.imageHeight = ScaledSide(info.Height, verticalDpi, "image height");

    if (host.IsSpecifyPageSize()) {
        placement.pageWidth = RoundHalfEven(
            LeadingNumber(host.FieldText(SettingsField::PageWidth)) * kPointsPerInch, "page width");
        placement.pageHeight =
            RoundHalfEven(LeadingNumber(host.FieldText(SettingsField::PageHeight)) * kPointsPerInch,
                          "page height");
    } else {
        placement.pageWidth =
            RoundHalfEven(margins.right + margins.left + placement.imageWidth, "page width");
        placement.pageHeight =
            RoundHalfEven(margins.top + margins.bottom + placement.imageHeight, "page height");
    }
    if (beginPage) {
        beginPage(placement.pageWidth, placement.pageHeight);
    }

    placement.availableWidth =
        RoundHalfEven(placement.pageWidth - margins.left - margins.right, "available width");
    placement.availableHeight =
        RoundHalfEven(placement.pageHeight - margins.top - margins.bottom, "available height");

    if (host.ShrinkCheckState() == CheckState::Checked) {
        // The other side follows by the ratio of the pixel counts. With no pixels on the side
        // to divide by there is no ratio: that side keeps the size it has so far.
        if (placement.imageWidth > placement.availableWidth) {
            placement.imageWidth = placement.availableWidth;
            if (info.Width != 0) {
                placement.imageHeight =
                    RoundHalfEven(static_cast<double>(info.Height) /
                                      static_cast<double>(info.Width) * placement.availableWidth,
                                  "image height");
            }
        }
        if (placement.imageHeight > placement.availableHeight) {
            placement.imageHeight = placement.availableHeight;
            if (info.Height != 0) {
                placement.imageWidth =
                    RoundHalfEven(static_cast<double>(info.Width) /
                                      static_cast<double>(info.Height) * placement.availableHeight,
                                  "image width");
            }
        }
    }

    const double pageWidth = placement.pageWidth;
    const double pageHeight = placement.pageHeight;
    if (host.IsCentered()) {
        placement.x = (pageWidth - margins.left - margins.right) / 2 -
                      static_cast<double>(placement.imageWidth) / 2 + margins.left;
        placement.y = pageHeight - ((pageHeight - margins.top - margins.bottom) / 2 -
                                    static_cast<double>(placement.imageHeight) / 2 + margins.top);
    } else {
        placement.x = margins.left;
        placement.y = pageHeight - margins.top;
    }
    return placement;
}

// --- The image list ---------------------------------------------------------------------------

std::string ImageListEntry(const std::string& fileName, const std::string& folder) {
    std::string entry = fileName;
    entry += EntrySeparator;
    entry += folder;
    return entry;
}

void SplitListEntry(const std::string& entry, std::string& fileName, std::string& folder) {
    const std::size_t separator = entry.rfind(EntrySeparator);
    if (separator == std::string::npos) {
        // Not an entry this program made: the whole text names a file in no folder.
        fileName = entry;
        folder.clear();
        return;
    }
    fileName = entry.substr(0, separator);
    folder = WithTrailingSeparator(TrimSpaces(entry.substr(separator + EntrySeparator.size())));
}

void AddDroppedFiles(ListBox& list, const DropData& data, std::int32_t effect, std::int32_t button,
                     std::int32_t shift, float x, float y) {
    static_cast<void>(effect);
    static_cast<void>(button);
    static_cast<void>(shift);
    static_cast<void>(x);
    static_cast<void>(y);

    auto addOne = [&list](const std::string& fullPath) {
        const std::size_t lastSeparator = fullPath.rfind(kPathSeparator);
        const std::string folder = lastSeparator == std::string::npos
                                       ? std::string()
                                       : fullPath.substr(0, lastSeparator + 1);
        const std::string fileName =
            lastSeparator == std::string::npos ? fullPath : fullPath.substr(lastSeparator + 1);
        const std::string entry = ImageListEntry(fileName, folder);
        // A file already listed is passed over before its header is read.
        if (FindListItem(list, entry) >= 0) {
            return;
        }
        const std::optional<std::string> extension = UpperExtension(fullPath);
        if (!extension) {
            return;
        }
        ImageInfo info;
        if (!ReadImageHeader(KindOfExtension(extension), fullPath, info)) {
            ShowMessage(kMessageUnableToLoad + fullPath, kStyleExclamation, kTitleImageError);
            return;
        }
        if (FindListItem(list, entry) < 0) {
            list.AddItem(entry);
        }
    };

    if (data.hasText) {
        addOne(data.text);
        return;
    }
    for (const std::string& path : data.files) {
        addOne(path);
    }
}

void AddSelectedFiles(ListBox& list, const std::string& folder,
                      const std::vector<std::string>& fileNames, std::int32_t count) {
    const std::string fullFolder = WithTrailingSeparator(folder);
    const std::size_t available = fileNames.size();
    for (std::int32_t i = 0; i < count && static_cast<std::size_t>(i) < available; ++i) {
        const std::string& fileName = fileNames[static_cast<std::size_t>(i)];
        const std::optional<std::string> extension = UpperExtension(fileName);
        if (!extension) {
            continue;
        }
        ImageInfo info;
        if (!ReadImageHeader(KindOfExtension(extension), fullFolder + fileName, info)) {
            ShowMessage(kMessageUnableToLoad + fileName, kStyleExclamation, kTitleImageError);
            continue;
        }
        // A chosen file is read first and compared with the list afterwards.
        const std::string entry = ImageListEntry(fileName, fullFolder);
        if (FindListItem(list, entry) < 0) {
            list.AddItem(entry);
        }
    }
}

// --- Reordering and removing ------------------------------------------------------------------

void MoveSelectionUp(ListBox& list) {
    const std::int32_t last = list.ListCount() - 1;
    for (std::int32_t i = 1; i <= last; ++i) {
        if (list.IsSelected(i) && !list.IsSelected(i - 1)) {
            const std::string above = list.ItemText(i - 1);
            list.SetItemText(i - 1, list.ItemText(i));
            list.SetSelected(i - 1, true);
            list.SetItemText(i, above);
            list.SetSelected(i, false);
        }
    }
}

void MoveSelectionDown(ListBox& list) {
    for (std::int32_t i = list.ListCount() - 2; i >= 0; --i) {
        if (list.IsSelected(i) && !list.IsSelected(i + 1)) {
            const std::string below = list.ItemText(i + 1);
            list.SetItemText(i + 1, list.ItemText(i));
            list.SetSelected(i + 1, true);
            list.SetItemText(i, below);
            list.SetSelected(i, false);
        }
    }
}

void RemoveSelected(ListBox& list) {
    for (std::int32_t i = list.ListCount() - 1; i >= 0; --i) {
        if (list.IsSelected(i)) {
            list.RemoveItem(i);
        }
    }
}

void ShowListMenu(ListBox& list, MenuService& menus) {
    // Start values no menu item can have, so a menu that failed to get an item never matches.
    std::int32_t idUp = std::numeric_limits<std::int32_t>::min();
    std::int32_t idDown = std::numeric_limits<std::int32_t>::min() + 1;
    const std::intptr_t menu = menus.NewMenu(/*popup*/ true);
    static_cast<void>(menus.AddMenuItem(menu, "Move Selection Up", idUp, /*idBase*/ 0));
    static_cast<void>(menus.AddMenuItem(menu, "Move Selection Down", idDown, /*idBase*/ 0));
    std::int32_t chosen = -1;
    std::string text;
    static_cast<void>(menus.ShowPopupMenu(menu, chosen, text, /*x*/ -1, /*y*/ -1));
    static_cast<void>(menus.DestroyMenuAll(menu));
    if (chosen == idUp) {
        MoveSelectionUp(list);
    }
    if (chosen == idDown) {
        MoveSelectionDown(list);
    }
}

} // namespace folionix
