#include "common/RunError.h"
#include "common/Text.h"
#include "conversion/ImagePlan.h"
#include "conversion/modFolionix.h"
#include "imaging/ImageHeader.h"
#include "pdf/modPDF.h"

#include <optional>
#include <string>
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

    // The reader's result is not examined: a failed read leaves zeros and the page is made from
    // them. A name without an image extension gets a page without an image.
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

// Keeps track of whether every writer call succeeded, and of the first that did not; the
// builds themselves go on regardless.
class WriterResults {
public:
    void Note(bool result, const char* operation, const std::string& documentPath) {
        if (!result && allSucceeded_) {
            firstFailure_ = std::string(operation) + " " + documentPath;
        }
        allSucceeded_ = allSucceeded_ && result;
    }
    bool Finish(std::string* failure) const {
        if (failure != nullptr) {
            *failure = firstFailure_;
        }
        return allSucceeded_;
    }

private:
    bool allSucceeded_ = true;
    std::string firstFailure_;
};

// One entry of the list, read once: its header walk, then (through the same open file) the
// plan's decision. The header carries over between entries, since an entry without an image
// extension is laid out with the previous entry's facts.
struct EntryRead {
    std::string fileName;
    std::string imagePath;
    PlannedImage image;
};

bool ReadAndPlanEntry(const OutputPlan& plan, const std::string& entry, ImageHeader& header,
                      EntryRead& read) {
    std::string folder;
    SplitListEntry(entry, read.fileName, folder);
    read.imagePath = folder + read.fileName;
    const ImageKind kind = ImageKindOfFile(read.fileName);
    bool headerRead = false;
    if (kind == ImageKind::Unknown) {
        header.kind = ImageKind::Unknown;
    } else if (const std::optional<FileSource> source = FileSource::Open(read.imagePath)) {
        headerRead = ReadImageHeader(*source, kind, header);
    } else {
        header = ImageHeader{};
        header.kind = kind;
    }
    return plan.PlanImage(header, headerRead, read.image);
}

// Embeds the entry's image and writes its page into the open document.
void WriteImagePage(const ConversionHost& host, const OutputPlan& plan,
                    const std::string& documentPath, const EntryRead& read,
                    const std::string& resourceName, const PageMargins& margins,
                    WriterResults& results) {
    const PlannedImage& image = read.image;
    if (image.embed) {
        results.Note(PdfAddImageObject(documentPath, read.imagePath, image.info.Width,
                                       image.info.Height, image.objectOptions, resourceName),
                     "Cannot add an image to", documentPath);
    }
    const PageLayout layout = LayOutImagePage(
        image, margins, host, plan.PageLimit(), [&](std::int32_t width, std::int32_t height) {
            results.Note(PdfBeginPage(documentPath, width, height), "Cannot write a page to",
                         documentPath);
        });
    results.Note(PdfDrawImageWithPlacement(documentPath,
                                           PlacementText(layout, image.orientation, resourceName),
                                           resourceName, image.info.BitsPerPixel),
                 "Cannot write a page to", documentPath);
    results.Note(PdfEndPage(documentPath), "Cannot write a page to", documentPath);
}

void CloseDocument(ConversionHost& host, const std::string& documentPath, WriterResults& results) {
    const DocumentInfo info = host.DocumentInformation();
    if (!info.IsEmpty()) {
        static_cast<void>(PdfSetDocumentInfo(documentPath, info));
    }
    results.Note(PdfCloseDocument(documentPath, [&host] { host.PumpEvents(); }), "Cannot finish",
                 documentPath);
}

} // namespace

const OutputPlan& WindowPlan() {
    static const StandardPlan plan;
    return plan;
}

const OutputPlan& ConversionHost::Plan() const {
    return WindowPlan();
}

DocumentInfo ConversionHost::DocumentInformation() const {
    return DocumentInfo{};
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
            writerSucceeded = CreateSinglePdf(host, &report.writerFailure);
            prefix = kDoneSingle;
        } else {
            writerSucceeded = CreateMultiplePdfs(host, &report.writerFailure);
            prefix = kDoneMultiple;
        }
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

bool CreateSinglePdf(ConversionHost& host, std::string* failure) {
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
    WriterResults results;
    results.Note(PdfOpenDocument(documentPath, plan.DocumentVersion(fileNames), host.Now()),
                 "Cannot create", documentPath);

    ImageHeader header;
    for (std::int32_t i = 0; i < count; ++i) {
        EntryRead read;
        if (ReadAndPlanEntry(plan, entries[static_cast<std::size_t>(i)], header, read)) {
            WriteImagePage(host, plan, documentPath, read, "I" + std::to_string(i), margins,
                           results);
            host.PageWritten(i, count, read.imagePath);
        }
    }
    CloseDocument(host, documentPath, results);
    return results.Finish(failure);
}

bool CreateMultiplePdfs(ConversionHost& host, std::string* failure) {
    const OutputPlan& plan = host.Plan();
    const std::string outputFolder =
        WithTrailingSeparator(host.FieldText(SettingsField::OutputPath));
    const PageMargins margins = ReadMarginsInPoints(host);
    WriterResults results;

    ImageHeader header;
    const std::int32_t count = host.ImageList().ListCount();
    for (std::int32_t i = 0; i < count; ++i) {
        EntryRead read;
        if (!ReadAndPlanEntry(plan, host.ImageList().ItemText(i), header, read)) {
            continue;
        }
        const std::string documentPath = outputFolder + read.fileName + ".PDF";
        const std::vector<std::string> names{read.fileName};
        results.Note(PdfOpenDocument(documentPath, plan.DocumentVersion(names), host.Now()),
                     "Cannot create", documentPath);
        WriteImagePage(host, plan, documentPath, read, "I1", margins, results);
        CloseDocument(host, documentPath, results);
        host.PageWritten(i, count, read.imagePath);
    }
    return results.Finish(failure);
}

} // namespace folionix
