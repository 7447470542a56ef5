#include "common/FileAccess.h"
#include "common/PendingFile.h"
#include "common/RunError.h"
#include "common/Text.h"
#include "conversion/ImagePlan.h"
#include "conversion/modFolionix.h"
#include "imaging/ImageHeader.h"
#include "pdf/modPDF.h"

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace folionix {
namespace {

constexpr const char* kDoneSingle = "Done creating PDF.  Duration:  ";
constexpr const char* kDoneMultiple = "Done creating PDFs.  Duration:  ";

class StandardPlan final : public OutputPlan {
public:
    std::string DocumentVersion(const std::vector<std::string>&) const override { return "1.3"; }

    bool Admit(const std::string&, const ImageHeader&, std::string&, std::string&,
               std::string&) const override {
        return true;
    }

    // The build leaves out a file that does not read; a name without an image extension gets a
    // page without an image.
    bool PlanImage(const ImageHeader& header, bool read, PlannedImage& image) const override {
        static_cast<void>(read);
        image = PlannedImage{};
        image.info = header.info;
        image.xResolution = header.info.XResolution;
        image.yResolution = header.info.YResolution;
        image.embed = header.kind != ImageKind::Unknown;
        image.objectOptions =
            StandardImageOptions(header.kind == ImageKind::Jpeg ? "DCTDecode" : "JPXDecode",
                                 header.info.BitsPerComponent, header.info.BitsPerPixel);
        return true;
    }

    std::int32_t PageLimit() const override { return 0; }
};

constexpr const char* kTitleImageError = "Image Error";

// Keeps track of whether every writer call for one document succeeded, and of the first that
// did not.
class WriterResults {
public:
    void Note(bool result, const char* operation, const std::string& documentPath) {
        if (!result && allSucceeded_) {
            firstFailure_ = std::string(operation) + " " + documentPath;
        }
        allSucceeded_ = allSucceeded_ && result;
    }
    bool Succeeded() const { return allSucceeded_; }
    const std::string& FirstFailure() const { return firstFailure_; }

private:
    bool allSucceeded_ = true;
    std::string firstFailure_;
};

// What one run did besides writing: the images it left out at build time.
struct BuildTally {
    std::int32_t imagesLeftOut = 0;
};

// One entry of the list, read once: its header walk through a handle that stays open for the
// copy, then the plan's decision. The header carries over between entries, since an entry
// without an image extension is laid out with the previous entry's facts.
struct EntryRead {
    std::string fileName;
    std::string imagePath;
    std::optional<FileSource> source;
    PlannedImage image;
};

void LeaveOut(ConversionHost& host, BuildTally& tally, const std::string& message) {
    host.ShowMessage(message, kStyleExclamation, kTitleImageError);
    ++tally.imagesLeftOut;
}

// False when the entry gets no page: the plan said so, or its file cannot be opened or read as
// the image its name says (then the message naming it has been shown).
bool ReadAndPlanEntry(ConversionHost& host, const OutputPlan& plan, const std::string& entry,
                      ImageHeader& header, EntryRead& read, BuildTally& tally) {
    std::string folder;
    SplitListEntry(entry, read.fileName, folder);
    read.imagePath = folder + read.fileName;
    const ImageKind kind = ImageKindOfFile(read.fileName);
    if (kind == ImageKind::Unknown) {
        header.kind = ImageKind::Unknown;
        return plan.PlanImage(header, false, read.image);
    }
    read.source = FileSource::Open(read.imagePath);
    if (!read.source) {
        LeaveOut(host, tally,
                 kMessageUnableToLoad + read.imagePath + " (" +
                     DescribeOpenFailure(read.imagePath) + ")");
        return false;
    }
    if (!ReadImageHeader(*read.source, kind, header)) {
        header = ImageHeader{};
        header.kind = kind;
        LeaveOut(host, tally,
                 kMessageUnableToLoad + read.imagePath + " (no longer a valid image header)");
        return false;
    }
    if (!plan.PlanImage(header, true, read.image)) {
        LeaveOut(host, tally,
                 kMessageUnableToLoad + read.imagePath + " (it changed since it was listed)");
        return false;
    }
    return true;
}

// Embeds the entry's image and writes its page into the open document. False when the image
// was left out (the plan refused its page, or the file changed while it was copied); nothing of
// it is then in the document.
bool WriteImagePage(ConversionHost& host, const OutputPlan& plan, const std::string& documentPath,
                    const EntryRead& read, const std::string& resourceName,
                    const PageMargins& margins, WriterResults& results, BuildTally& tally) {
    const PlannedImage& image = read.image;
    // A plan that checks pages lays the page out before anything of the image is written, so
    // that a page it refuses leaves no trace; its page limit makes the page begin only after
    // the layout anyway, so the bytes are the same.
    std::optional<PageLayout> early;
    if (plan.ChecksPages()) {
        std::string message;
        early = plan.CheckPage(read.imagePath, image, margins, host, message);
        if (!early) {
            LeaveOut(host, tally, message);
            return false;
        }
    }
    if (image.embed) {
        const ImageEmbedding embedded =
            PdfAddImageObject(documentPath, read.imagePath, read.source->Handle(), image.info.Width,
                              image.info.Height, image.objectOptions, resourceName,
                              [&read] { return read.source->BytesUnchanged(); });
        if (embedded == ImageEmbedding::SourceChanged) {
            LeaveOut(host, tally,
                     kMessageUnableToLoad + read.imagePath +
                         " (the file changed while it was read)");
            return false;
        }
        results.Note(embedded == ImageEmbedding::Embedded, "Cannot add an image to", documentPath);
    }
    auto beginPage = [&](std::int32_t width, std::int32_t height) {
        results.Note(PdfBeginPage(documentPath, width, height), "Cannot write a page to",
                     documentPath);
    };
    PageLayout layout;
    if (early) {
        layout = *early;
        beginPage(layout.pageWidth, layout.pageHeight);
    } else {
        layout = LayOutImagePage(image, margins, host, plan.PageLimit(), beginPage);
    }
    results.Note(PdfDrawImageWithPlacement(documentPath,
                                           PlacementText(layout, image.orientation, resourceName),
                                           resourceName, image.info.BitsPerPixel),
                 "Cannot write a page to", documentPath);
    results.Note(PdfEndPage(documentPath), "Cannot write a page to", documentPath);
    return true;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); !from.empty() && at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// One document, written under a temporary name and put in place when it is complete. Errors
// name the document by its final name.
class DocumentWriter {
public:
    explicit DocumentWriter(const std::string& finalPath) : pending_(finalPath) {
        if (!pending_.Created()) {
            throw RunError("Cannot create " + finalPath + ": " + pending_.Reason());
        }
    }

    const std::string& WriterPath() const { return pending_.TemporaryPath(); }

    // Runs one step of the writer, naming the final document in any error it raises.
    template <typename Step> auto Run(Step&& step) {
        try {
            return step();
        } catch (const RunError& error) {
            throw RunError(
                ReplaceAll(error.what(), pending_.TemporaryPath(), pending_.FinalPath()));
        }
    }

    // Closes the document and renames it over its final name; a document some writer call
    // failed for is not put in place.
    void Finish(ConversionHost& host, WriterResults& results) {
        const DocumentInfo info = host.DocumentInformation();
        if (!info.IsEmpty()) {
            static_cast<void>(PdfSetDocumentInfo(WriterPath(), info));
        }
        Run([&] {
            results.Note(PdfCloseDocument(WriterPath(), [&host] { host.PumpEvents(); }),
                         "Cannot finish", WriterPath());
        });
        if (!results.Succeeded()) {
            throw RunError(
                ReplaceAll(results.FirstFailure(), pending_.TemporaryPath(), pending_.FinalPath()));
        }
        if (!pending_.Commit()) {
            throw RunError("Cannot put the finished PDF in place as " + pending_.FinalPath() +
                           ": " + pending_.Reason());
        }
    }

private:
    PendingFile pending_;
};

// The full path of a list entry's file, and whether its name has an image extension.
bool ImagePathOf(const std::string& entry, std::string& fileName, std::string& path) {
    std::string folder;
    SplitListEntry(entry, fileName, folder);
    path = folder + fileName;
    return ImageKindOfFile(fileName) != ImageKind::Unknown;
}

// The checks that refuse a run before anything is written: an output that exists and is not a
// regular file, an output that is one of the images (by any name: the same path, a link, a hard
// link), and, for one document, images whose lengths already add up past the 2 GiB that the
// document's 32-bit offsets reach. With documentPath empty, each entry has a document of its
// own in outputFolder. The list is read entry by entry, so that a long list costs no copy.
void CheckOutputs(const ListBox& list, const std::string& documentPath,
                  const std::string& outputFolder) {
    const bool oneDocument = !documentPath.empty();
    const std::int32_t count = list.ListCount();
    std::string fileName;
    std::string path;
    std::vector<std::pair<std::string, FileIdentity>> existing;
    const auto checkOutput = [&existing](const std::string& output) {
        int error = 0;
        const std::optional<FileIdentity> identity = IdentifyFile(output, &error);
        if (!identity) {
            // A name the platform cannot hold is known now, not after the document is written.
            if (error == ENAMETOOLONG) {
                throw RunRefused("Cannot write the PDF to " + output + ": " +
                                 SystemErrorText(error));
            }
            return;
        }
        if (!identity->regular) {
            const std::string type = DescribeFileType(output);
            throw RunRefused(
                "Cannot write the PDF to " + output + ": it is " +
                (type.empty() ? std::string("not a regular file") : type + ", not a regular file"));
        }
        existing.emplace_back(output, *identity);
    };
    if (oneDocument) {
        checkOutput(documentPath);
    } else {
        // The document of each entry: its file name (the text before the last separator) with
        // ".PDF" added, in the output folder.
        std::string output = outputFolder;
        for (std::int32_t i = 0; i < count; ++i) {
            const std::string entry = list.ItemText(i);
            const std::size_t separator = entry.rfind(EntrySeparator);
            output.resize(outputFolder.size());
            output.append(entry, 0, separator).append(".PDF");
            checkOutput(output);
        }
    }
    if (existing.empty() && !oneDocument) {
        return;
    }
    // The list never holds one entry twice, and the writer embeds a file once per path, so the
    // lengths add up as the document will.
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!ImagePathOf(list.ItemText(i), fileName, path)) {
            continue;
        }
        const std::optional<FileIdentity> identity = IdentifyFile(path);
        if (!identity) {
            continue; // left out with its message when its turn comes
        }
        for (const auto& [output, outputIdentity] : existing) {
            if (outputIdentity == *identity) {
                std::string message = "Cannot write the PDF over an image file: " + output;
                message.append(" is ").append(path);
                throw RunRefused(message);
            }
        }
        total += identity->size;
    }
    constexpr std::int64_t kLargestDocument = 0x7FFFFFFF;
    if (oneDocument && total > kLargestDocument) {
        throw RunRefused("Cannot write " + documentPath + ": its images add up to " +
                         std::to_string(total) +
                         " bytes, more than the 2 GiB a PDF of this program can hold");
    }
}

} // namespace

const OutputPlan& WindowPlan() {
    static const StandardPlan plan;
    return plan;
}

std::optional<PageLayout> OutputPlan::CheckPage(const std::string& imagePath,
                                                const PlannedImage& image,
                                                const PageMargins& margins,
                                                const ConversionHost& host,
                                                std::string& message) const {
    static_cast<void>(imagePath);
    message.clear();
    return LayOutImagePage(image, margins, host, PageLimit());
}

DocumentInfo ConversionHost::DocumentInformation() const {
    return DocumentInfo{};
}

const OutputPlan& ConversionHost::Plan() const {
    return WindowPlan();
}

RunReport RunConversion(ConversionHost& host) {
    RunReport report;
    if (!ValidateSettings(host)) {
        return report;
    }
    const std::string start = FormatClockTime(host.Now());
    bool writerSucceeded = false;
    const char* prefix = nullptr;
    try {
        if (host.IsSinglePdf()) {
            writerSucceeded = CreateSinglePdf(host, &report.writerFailure, &report.imagesLeftOut);
            prefix = kDoneSingle;
        } else {
            writerSucceeded =
                CreateMultiplePdfs(host, &report.writerFailure, &report.imagesLeftOut);
            prefix = kDoneMultiple;
        }
    } catch (const RunRefused& refusal) {
        report.outcome = RunOutcome::Failed;
        report.failure = refusal.what();
        report.refusedBeforeWriting = true;
        return report;
    } catch (const RunError& error) {
        report.outcome = RunOutcome::Failed;
        report.failure = error.what();
        return report;
    }
    const std::string end = FormatClockTime(host.Now());
    report.writerFailed = !writerSucceeded;
    report.completionText = std::string(prefix) + start + " - " + end;
    host.ShowCompletion(report.completionText);
    report.outcome = RunOutcome::Completed;
    return report;
}

bool CreateSinglePdf(ConversionHost& host, std::string* failure, std::int32_t* imagesLeftOut) {
    const OutputPlan& plan = host.Plan();
    const std::string outputFolder =
        WithTrailingSeparator(host.FieldText(SettingsField::OutputPath));
    const PageMargins margins = ReadMarginsInPoints(host);
    const std::string documentPath = outputFolder + host.FieldText(SettingsField::FileName);
    ListBox& list = host.ImageList();
    const std::int32_t count = list.ListCount();

    // The header comes first, so the version is decided from all the names beforehand.
    std::vector<std::string> entries;
    std::vector<std::string> fileNames;
    entries.reserve(static_cast<std::size_t>(count));
    fileNames.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        std::string fileName;
        std::string folder;
        entries.push_back(list.ItemText(i));
        SplitListEntry(entries.back(), fileName, folder);
        fileNames.push_back(std::move(fileName));
    }
    CheckOutputs(list, documentPath, outputFolder);

    DocumentWriter document(documentPath);
    const std::string& writerPath = document.WriterPath();
    WriterResults results;
    BuildTally tally;
    results.Note(PdfOpenDocument(writerPath, plan.DocumentVersion(fileNames), host.Now()),
                 "Cannot create", documentPath);

    ImageHeader header;
    for (std::int32_t i = 0; i < count; ++i) {
        EntryRead read;
        if (ReadAndPlanEntry(host, plan, entries[static_cast<std::size_t>(i)], header, read,
                             tally)) {
            if (document.Run([&] {
                    return WriteImagePage(host, plan, writerPath, read, "I" + std::to_string(i),
                                          margins, results, tally);
                })) {
                host.PageWritten(i, count, read.imagePath);
            }
        }
    }
    document.Finish(host, results);
    if (failure != nullptr) {
        failure->clear();
    }
    if (imagesLeftOut != nullptr) {
        *imagesLeftOut = tally.imagesLeftOut;
    }
    return true;
}

bool CreateMultiplePdfs(ConversionHost& host, std::string* failure, std::int32_t* imagesLeftOut) {
    const OutputPlan& plan = host.Plan();
    const std::string outputFolder =
        WithTrailingSeparator(host.FieldText(SettingsField::OutputPath));
    const PageMargins margins = ReadMarginsInPoints(host);
    BuildTally tally;

    const std::int32_t count = host.ImageList().ListCount();
    CheckOutputs(host.ImageList(), std::string(), outputFolder);

    ImageHeader header;
    for (std::int32_t i = 0; i < count; ++i) {
        EntryRead read;
        if (!ReadAndPlanEntry(host, plan, host.ImageList().ItemText(i), header, read, tally)) {
            continue;
        }
        const std::string documentPath = outputFolder + read.fileName + ".PDF";
        DocumentWriter document(documentPath);
        const std::string& writerPath = document.WriterPath();
        WriterResults results;
        const std::vector<std::string> names{read.fileName};
        results.Note(PdfOpenDocument(writerPath, plan.DocumentVersion(names), host.Now()),
                     "Cannot create", documentPath);
        const bool written = document.Run([&] {
            return WriteImagePage(host, plan, writerPath, read, "I1", margins, results, tally);
        });
        if (!written) {
            // The image was left out: its document is not made (the temporary file goes with
            // the writer's session reset).
            static_cast<void>(PdfCloseDocument(writerPath));
            continue;
        }
        document.Finish(host, results);
        host.PageWritten(i, count, read.imagePath);
    }
    if (failure != nullptr) {
        failure->clear();
    }
    if (imagesLeftOut != nullptr) {
        *imagesLeftOut = tally.imagesLeftOut;
    }
    return true;
}

} // namespace folionix
