#include "common/FileAccess.h"
#include "common/Text.h"
#include "conversion/ImagePlan.h"
#include "conversion/modFolionix.h"
#include "conversion/modForms.h"
#include "imaging/ImageHeader.h"

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace folionix {
namespace {

constexpr const char* kTitleImageError = "Image Error";

const char* KindName(ImageKind kind) {
    switch (kind) {
    case ImageKind::Jpeg:
        return "JPEG";
    case ImageKind::Jp2:
        return "JP2";
    case ImageKind::J2k:
        return "JPEG 2000 codestream";
    case ImageKind::Unknown:
        break;
    }
    return "";
}

constexpr const char* kReasonSeparatorInName =
    "its name or folder holds five tabs in a row, which the image list uses as its separator";

// The message for a file that does not read. One that is no regular file (a pipe that would
// never end, a device, a socket, a folder) says what it is.
std::string UnableToLoad(const std::string& shownName, const std::string& notAFile) {
    return kMessageUnableToLoad + shownName +
           (notAFile.empty() ? std::string() : " (" + notAFile + ")");
}

// Reads the header of a file being listed; false, with the reason, when it cannot be opened or
// read as the kind its name says. notAFile is the reason when the path names no regular file.
bool ReadHeaderOfFile(const std::string& path, ImageHeader& header, std::string& reason,
                      std::string& notAFile) {
    const ImageKind kind = ImageKindOfFile(path);
    if (kind == ImageKind::Unknown) {
        reason = "not a .jpg, .jpeg, .jpe, .jp2 or .j2k file";
        return false;
    }
    const std::optional<FileSource> source = FileSource::Open(path);
    if (!source) {
        const std::string type = DescribeFileType(path);
        notAFile = type.empty() ? std::string() : "it is " + type + ", not a regular file";
        reason = notAFile.empty() ? DescribeOpenFailure(path) : notAFile;
        return false;
    }
    if (!ReadImageHeader(*source, kind, header)) {
        reason = std::string("not a valid ") + KindName(kind) + " header";
        return false;
    }
    return true;
}

AddOutcome Refuse(ConversionHost& host, AddOutcome outcome, std::string message,
                  std::string reason);

// The refusal that comes before a file is read: a path the list could not hold (it would be
// split at the wrong five tabs). Nothing for any other path.
std::optional<AddOutcome> RefuseUnlistable(ConversionHost& host, const AddOutcome& outcome,
                                           const std::string& shownName) {
    if (outcome.path.find(EntrySeparator) == std::string::npos) {
        return std::nullopt;
    }
    return Refuse(host, outcome,
                  kMessageUnableToLoad + shownName + " (" + kReasonSeparatorInName + ")",
                  kReasonSeparatorInName);
}

AddOutcome Refuse(ConversionHost& host, AddOutcome outcome, std::string message,
                  std::string reason) {
    host.ShowMessage(message, kStyleExclamation, kTitleImageError);
    outcome.result = AddResult::Refused;
    outcome.reason = std::move(reason);
    outcome.message = std::move(message);
    return outcome;
}

// The last steps of listing a file whose header was read: the plan's say, then the entry,
// unless the list got it meanwhile.
AddOutcome AdmitAndList(ConversionHost& host, const std::string& imagePath,
                        const ImageHeader& header, const std::string& entry, AddOutcome outcome) {
    std::string message;
    std::string warning;
    std::string reason;
    if (!host.Plan().Admit(imagePath, header, message, warning, reason)) {
        return Refuse(host, std::move(outcome), std::move(message), std::move(reason));
    }
    if (!warning.empty()) {
        host.Warn(warning);
    }
    ListBox& list = host.ImageList();
    if (FindListItem(list, entry) >= 0) {
        outcome.result = AddResult::AlreadyListed;
        return outcome;
    }
    list.AddItem(entry);
    outcome.result = AddResult::Added;
    return outcome;
}

// One dropped file: a file already listed is passed over before its header is read.
AddOutcome AddDroppedFile(ConversionHost& host, const std::string& fullPath) {
    AddOutcome outcome;
    outcome.path = fullPath;
    const std::size_t lastSeparator = fullPath.rfind(kPathSeparator);
    const std::string folder =
        lastSeparator == std::string::npos ? std::string() : fullPath.substr(0, lastSeparator + 1);
    const std::string fileName =
        lastSeparator == std::string::npos ? fullPath : fullPath.substr(lastSeparator + 1);
    const std::string entry = ImageListEntry(fileName, folder);
    if (FindListItem(host.ImageList(), entry) >= 0) {
        outcome.result = AddResult::AlreadyListed;
        return outcome;
    }
    if (fullPath.find('.') == std::string::npos) {
        outcome.result = AddResult::PassedOver;
        return outcome;
    }
    if (std::optional<AddOutcome> refused = RefuseUnlistable(host, outcome, fullPath)) {
        return std::move(*refused);
    }
    ImageHeader header;
    std::string reason;
    std::string notAFile;
    if (!ReadHeaderOfFile(fullPath, header, reason, notAFile)) {
        std::string message = UnableToLoad(fullPath, notAFile);
        return Refuse(host, std::move(outcome), std::move(message), std::move(reason));
    }
    return AdmitAndList(host, fullPath, header, entry, std::move(outcome));
}

} // namespace

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

std::vector<AddOutcome> AddDroppedFiles(ConversionHost& host, const DropData& data) {
    std::vector<AddOutcome> outcomes;
    if (data.hasText) {
        outcomes.push_back(AddDroppedFile(host, data.text));
        return outcomes;
    }
    outcomes.reserve(data.files.size());
    for (const std::string& path : data.files) {
        outcomes.push_back(AddDroppedFile(host, path));
    }
    return outcomes;
}

// A chosen file is read first and compared with the list afterwards; its message names the
// file as the dialog gave it.
std::vector<AddOutcome> AddSelectedFiles(ConversionHost& host, const std::string& folder,
                                         const std::vector<std::string>& fileNames,
                                         std::int32_t count) {
    const std::string fullFolder = WithTrailingSeparator(folder);
    std::vector<AddOutcome> outcomes;
    const std::size_t available = fileNames.size();
    for (std::int32_t i = 0; i < count && static_cast<std::size_t>(i) < available; ++i) {
        const std::string& fileName = fileNames[static_cast<std::size_t>(i)];
        AddOutcome outcome;
        outcome.path = fullFolder + fileName;
        if (fileName.find('.') == std::string::npos) {
            outcomes.push_back(std::move(outcome));
            continue;
        }
        if (std::optional<AddOutcome> refused = RefuseUnlistable(host, outcome, fileName)) {
            outcomes.push_back(std::move(*refused));
            continue;
        }
        ImageHeader header;
        std::string reason;
        std::string notAFile;
        if (!ReadHeaderOfFile(outcome.path, header, reason, notAFile)) {
            std::string message = UnableToLoad(fileName, notAFile);
            outcomes.push_back(
                Refuse(host, std::move(outcome), std::move(message), std::move(reason)));
            continue;
        }
        const std::string path = outcome.path;
        outcomes.push_back(AdmitAndList(host, path, header, ImageListEntry(fileName, fullFolder),
                                        std::move(outcome)));
    }
    return outcomes;
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
