#pragma once

#include "common/Clock.h"
#include "common/FileAccess.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace folionix {

// One object written to the document: where its "N G obj" line starts, and what it is
// ("/XObject", "/Page", "/Catalog", "/Pages", or empty).
struct ObjectRecord {
    std::int32_t objectNumber = 0;
    std::int32_t generation = 0;
    std::int32_t offset = 0;
    std::string kind;
};

// A resource name under which pages draw an embedded image file. Several names may share
// one object (the same file added twice is embedded once).
struct ImageRecord {
    std::string resourceName;
    std::int32_t objectNumber = 0;
    std::int32_t generation = 0;
    std::string sourcePath;
};

// The document information dictionary's texts, as UTF-8. An empty text writes no entry; when all
// are empty the document has no dictionary at all (the default bytes).
struct DocumentInfo {
    std::string title;
    std::string author;
    std::string subject;
    std::string keywords;
    bool IsEmpty() const {
        return title.empty() && author.empty() && subject.empty() && keywords.empty();
    }
};

// The writer's state. There is exactly one, process-wide: one document is written at a time.
struct DocumentSession {
    std::string documentPath;
    std::vector<ObjectRecord> objectTable;
    std::int32_t pageTreeObject = 1;
    std::int32_t pageTreeGeneration = 0;
    std::int32_t nextObjectNumber = 2;
    // Offset of the first byte of the open page's content-stream data; empty with no page open.
    std::optional<std::int32_t> openPage;
    std::vector<ImageRecord> imageRegistry;
    // Positions in imageRegistry by resource name and by source path: pages and later adds look
    // names up once per image, and thousands of images make a search of the registry quadratic.
    std::unordered_map<std::string, std::size_t> imageByName;
    std::unordered_map<std::string, std::size_t> imageBySource;
    std::vector<std::string> pageProcSetNames;
    std::vector<std::string> pageXObjectNames;
    // Written by the close when not empty; the open and the close reset it.
    DocumentInfo documentInfo;
};

// Read access to the session, for the tests and for callers that want to look.
const DocumentSession& PdfSession();

// Called once after every 1001 records while the close sorts a large object table, so a window
// can process its pending events: a table of n records calls it floor(n / 1001) times, so a
// document of 1000 objects or fewer never does. It must not start another writer operation.
using EventPump = std::function<void()>;

// --- Session and object output ----------------------------------------------------------------

// Creates (or truncates) the document and writes the 43-byte header, whose date line shows
// created; version is trimmed and replaced by "1.4" unless it is three characters long. False
// when the file cannot be created.
bool PdfOpenDocument(const std::string& path, const std::string& version,
                     const LocalTime& created = CurrentLocalTime());

// Appends text at the end of the file, opening it by name and closing it again, so the file is
// complete on disk after every append. Empty text returns true without touching the file.
// False (nothing written) when the file cannot be opened; a write the platform refuses once the
// file is open (disk full) raises RunError, since the document would be left corrupt.
bool PdfWriteText(const std::string& path, std::string_view text);

// Appends through a file the caller holds open (only the close does this). A failed write
// raises RunError.
bool PdfWriteText(const std::string& path, std::string_view text, File& handle);

// Current length of the file, by name (a missing file is created empty) or through a handle;
// -1 when it cannot be opened. Raises RunError for a file of 2 GiB or more.
std::int32_t PdfFileLength(const std::string& path);
std::int32_t PdfFileLength(const std::string& path, File& handle);

// Appends an ObjectRecord; a non-empty path that names another file than the session's (letter
// case counts where the platform's file names keep it) empties the table first and becomes the
// session's path.
void PdfRecordObject(const std::string& path, std::int32_t objectNumber, std::int32_t generation,
                     std::int32_t offset, const std::string& kind);

// Fractional numbers in content streams: "0" for exactly 0, otherwise rounded to three decimals
// with one to three fractional digits ("612.0", "12.346", "0.0" for 0.0004), never
// locale-dependent. A value exactly halfway (judged on the double's exact decimal value, so
// 0.0625 is a half and 1.0005 is not) rounds away from zero; a negative value that rounds to
// zero gives "0", as do NaN and the infinities.
std::string PdfFormatNumber(double value);

// Object framing shared by every object.
std::string PdfObjectText(std::int32_t objectNumber, std::int32_t generation,
                          std::string_view body);
std::string PdfStreamHead(std::int32_t objectNumber, std::int32_t generation,
                          std::string_view lengthReference);
std::string PdfStreamTail();

// --- Close ------------------------------------------------------------------------------------

// Ends an open page, writes catalog, page tree root (object 1), cross-reference table and
// trailer through one open handle, and resets the session: also when the file cannot be opened
// (false) and when a write error or an overflow raises RunError. pumpEvents, when set, runs
// during the sort of a large object table.
bool PdfCloseDocument(const std::string& path, const EventPump& pumpEvents = {});

std::string PdfCatalogText(std::int32_t catalogObject, std::int32_t generation,
                           std::int32_t pageTreeObject, std::int32_t pageTreeGeneration);
std::string PdfPageTreeText(std::int32_t pageTreeObject, std::int32_t generation,
                            const std::vector<std::pair<std::int32_t, std::int32_t>>& pages);
// infoObject 0: no /Info entry.
std::string PdfTrailerText(std::int32_t recordCount, std::int32_t catalogObject,
                           std::int32_t catalogGeneration, std::int32_t crossReferenceOffset,
                           std::int32_t infoObject = 0);

// --- Document information ---------------------------------------------------------------------

// Sets the information dictionary that the close of the open document writes: after the page
// tree, numbered one above the catalog, and named by the trailer's /Info entry. False (nothing
// set) when path is not the open document's.
bool PdfSetDocumentInfo(const std::string& path, const DocumentInfo& info);

// The dictionary object, its entries in the order Title, Author, Subject, Keywords.
std::string PdfInfoText(std::int32_t infoObject, std::int32_t generation, const DocumentInfo& info);

// A PDF text string: printable ASCII as a literal string with ( ) and \ escaped; anything else
// as UTF-16BE with its byte-order mark, in hexadecimal. Bytes that are not UTF-8 become U+FFFD.
std::string PdfTextString(std::string_view utf8);

// Indices into the session's objectTable in ascending objectNumber: an insertion sort in table
// order, each record placed after the last placed record with a smaller number (so a record
// goes before earlier ones with the same number). Calls pumpEvents after every 1001 records
// placed.
std::vector<std::size_t> SortObjectTable(const EventPump& pumpEvents = {});

// --- Image XObjects ---------------------------------------------------------------------------

// Embeds the image file byte for byte as an image object (DCTDecode / JPXDecode) under
// resourceName, or registers the name as an alias when the same path is already embedded.
// False (nothing written) with a page open, a used name, or a missing or empty file.
bool PdfAddJpegImage(const std::string& path, const std::string& imagePath, std::int32_t width,
                     std::int32_t height, std::int32_t bitsPerComponent, std::int32_t bitsPerPixel,
                     const std::string& resourceName);
bool PdfAddJpxImage(const std::string& path, const std::string& imagePath, std::int32_t width,
                    std::int32_t height, std::int32_t bitsPerComponent, std::int32_t bitsPerPixel,
                    const std::string& resourceName);

// What distinguishes one kind of image object from another. The JPEG and JPEG 2000 entry points
// fill it in; a writer mode with other needs (another colour space, a Decode array) can pass its
// own. The dictionary lines come in this order: Type, Subtype, Filter, BitsPerComponent (when
// set), ColorSpace (when set), Decode (when not empty), Width, Height, Length.
struct ImageObjectOptions {
    std::string filter;                           // "DCTDecode" or "JPXDecode", without the slash
    std::optional<std::int32_t> bitsPerComponent; // nothing: no /BitsPerComponent line
    std::optional<std::string> colorSpace;        // name without the slash; nothing: no line
    std::string decodeArray;                      // e.g. "[1 0 1 0 1 0 1 0]"; empty: no line
    std::string trailingBytes; // appended to the stream after the file's bytes, and counted in
                               // /Length (the end-of-image marker a truncated JPEG lacks)
};

// The options PdfAddJpegImage ("DCTDecode") and PdfAddJpxImage ("JPXDecode") use: the bits per
// component as given, DeviceGray for 8 bits per pixel and DeviceRGB for anything else.
ImageObjectOptions StandardImageOptions(std::string filter, std::int32_t bitsPerComponent,
                                        std::int32_t bitsPerPixel);

// The one routine behind PdfAddJpegImage and PdfAddJpxImage: same refusals, aliasing,
// numbering and byte copy, with the dictionary lines taken from options. Raises RunError when
// the object would end beyond 2 GiB, before anything is written.
bool PdfAddImageObject(const std::string& path, const std::string& imagePath, std::int32_t width,
                       std::int32_t height, const ImageObjectOptions& options,
                       const std::string& resourceName);

// What embedding an image through an open handle did.
enum class ImageEmbedding {
    Embedded,     // written (or the name registered as an alias of the same file)
    Refused,      // nothing written: a page is open, the name is used, or the file is empty
    SourceChanged // the file changed while it was copied; what was written is taken back out
};

// PdfAddImageObject over a file the caller holds open (and has read the header of): the length
// is the handle's length at its open, and the bytes come through the handle. After the copy,
// a file whose length the platform now gives differently, that ended early, or for which
// sourceUnchanged (when set) answers false is not embedded: the document is cut back to where
// the object began and SourceChanged is returned. imagePath is the name under which same-file
// aliases are found.
ImageEmbedding PdfAddImageObject(const std::string& path, const std::string& imagePath,
                                 const File& image, std::int32_t width, std::int32_t height,
                                 const ImageObjectOptions& options, const std::string& resourceName,
                                 const std::function<bool()>& sourceUnchanged = {});

bool IsResourceNameUsed(const std::string& name);
bool IsSourceEmbedded(const std::string& imagePath);
ImageRecord FindImageBySource(const std::string& imagePath);
// The record registered under the name, or one with object number 0 and generation 0.
ImageRecord FindImageByName(const std::string& name);

// Appends count bytes of the source, from the 1-based position, to the end of the destination,
// in chunks of 32000 bytes; both files are opened by name. Each chunk is copied inside the
// operating system where it can copy between the two files, and otherwise through one buffer.
// Count 0: true without opening anything. False when either file cannot be opened (or
// count < 0); a failed or short read (the source shrank) and a failed write raise RunError
// ("Cannot copy <source> into <document>: " and the cause in the platform's words).
bool PdfCopyFileBytes(const std::string& destinationPath, const std::string& sourcePath,
                      std::int32_t firstPosition, std::int32_t count);

// --- Pages and content streams ----------------------------------------------------------------

// Writes the page object (numbers P..P+3 are the page, its content stream, the stream's
// length and its resources) and opens its content stream; ends an open page first. No
// MediaBox line unless both sizes are at least 1.
bool PdfBeginPage(const std::string& path, std::int32_t pageWidth, std::int32_t pageHeight);
// Draws the image registered under resourceName with its top-left corner at (x, yTop), width by
// height points. Without an open page: false and nothing written (checked first); an empty
// name: true and nothing written.
bool PdfDrawImage(const std::string& path, double x, double yTop, double width, double height,
                  const std::string& resourceName, std::int32_t bitsPerPixel);
// Appends a ready-made placement text (the operators that draw one image) to the open page's
// content stream and notes the procedure sets for bitsPerPixel and the image's resource name.
// PdfDrawImage is this with PdfPlacementText; another writer mode may pass its own matrix.
// Without an open page: false and nothing written; an empty name: true and nothing written.
bool PdfDrawImageWithPlacement(const std::string& path, std::string_view placementText,
                               const std::string& resourceName, std::int32_t bitsPerPixel);
// Closes the content stream and writes its length and the page's resources. Without an open
// page: false and nothing written.
bool PdfEndPage(const std::string& path);

std::string PdfPageText(std::int32_t pageObject, std::int32_t pageTreeObject,
                        std::int32_t pageTreeGeneration, std::int32_t pageWidth,
                        std::int32_t pageHeight);
std::string PdfPlacementText(double x, double yTop, double width, double height,
                             const std::string& resourceName);
std::string PdfResourcesText(std::int32_t resourceObject,
                             const std::vector<std::string>& procSetNames,
                             const std::vector<std::string>& xObjectNames);

// Inserts name into a set kept in ascending ordinal order; empty names and duplicates are
// ignored.
void NameSetAdd(std::vector<std::string>& set, const std::string& name);

} // namespace folionix
