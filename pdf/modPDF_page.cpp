#include "pdf/modPDF.h"

#include "common/CheckedMath.h"
#include "pdf/modPDF_internal.h"

#include <algorithm>

namespace folionix {

using pdf_detail::AppendNumber;
using pdf_detail::AppendObjectHead;

namespace {

std::int32_t TextLength(const std::string& text) {
    return CheckedInt32(static_cast<std::int64_t>(text.size()), "an object's length");
}

// Appends by name, or through the close's handle when it has one.
bool Append(const std::string& path, std::string_view text, File* handle) {
    return handle != nullptr ? PdfWriteText(path, text, *handle) : PdfWriteText(path, text);
}

std::int32_t LengthOf(const std::string& path, File* handle) {
    return handle != nullptr ? PdfFileLength(path, *handle) : PdfFileLength(path);
}

} // namespace

namespace pdf_detail {

// The stream's length is only known now, so it becomes an object of its own (the stream head
// refers to it); the resource dictionary follows, since only now are the page's names known.
// The offsets of these two objects are added up from the texts rather than asked of the file.
bool EndOpenPage(const std::string& path, File* handle) {
    DocumentSession& session = MutableSession();
    const std::int32_t streamEnd = LengthOf(path, handle);
    const std::int32_t streamLength =
        CheckedSub(streamEnd, session.openPage.value_or(0), "the content stream's length");

    const std::string tail = PdfStreamTail();
    static_cast<void>(Append(path, tail, handle));

    const std::int32_t lengthObject = session.nextObjectNumber;
    std::string body;
    AppendNumber(body, streamLength);
    const std::string lengthText = PdfObjectText(lengthObject, 0, body);
    const std::int32_t lengthOffset =
        CheckedAdd(streamEnd, TextLength(tail), "the document's length");
    PdfRecordObject(path, lengthObject, 0, lengthOffset, std::string());
    static_cast<void>(Append(path, lengthText, handle));
    session.nextObjectNumber = CheckedAdd(lengthObject, 1, "the object number");

    const std::int32_t resourceObject = session.nextObjectNumber;
    const std::string resources =
        PdfResourcesText(resourceObject, session.pageProcSetNames, session.pageXObjectNames);
    const std::int32_t resourceOffset =
        CheckedAdd(lengthOffset, TextLength(lengthText), "the document's length");
    PdfRecordObject(path, resourceObject, 0, resourceOffset, std::string());
    const bool result = Append(path, resources, handle);

    session.openPage.reset();
    session.nextObjectNumber = CheckedAdd(resourceObject, 1, "the object number");
    return result;
}

} // namespace pdf_detail

// A page takes four numbers: P (page), P+1 (content stream), P+2 (the stream's length) and
// P+3 (resources). The page refers forward to P+1 and P+3, the stream head to P+2; nothing else
// can take those numbers in between, because images are refused while a page is open.
bool PdfBeginPage(const std::string& path, std::int32_t pageWidth, std::int32_t pageHeight) {
    DocumentSession& session = pdf_detail::MutableSession();
    if (session.openPage) {
        static_cast<void>(pdf_detail::EndOpenPage(path, nullptr));
    }
    const std::int32_t pageObject = session.nextObjectNumber;
    const std::int32_t streamObject = CheckedAdd(pageObject, 1, "the object number");
    const std::int32_t lengthObject = CheckedAdd(pageObject, 2, "the object number");
    static_cast<void>(CheckedAdd(pageObject, 3, "the object number"));

    const std::string pageText = PdfPageText(pageObject, session.pageTreeObject,
                                             session.pageTreeGeneration, pageWidth, pageHeight);
    const std::int32_t pageOffset = PdfFileLength(path);
    PdfRecordObject(path, pageObject, 0, pageOffset, "/Page");
    static_cast<void>(PdfWriteText(path, pageText));
    session.nextObjectNumber = streamObject;

    std::string lengthReference;
    AppendNumber(lengthReference, lengthObject);
    lengthReference.append(" 0 R");
    const std::string streamHead = PdfStreamHead(streamObject, 0, lengthReference);
    const std::int32_t streamOffset =
        CheckedAdd(pageOffset, TextLength(pageText), "the document's length");
    PdfRecordObject(path, streamObject, 0, streamOffset, std::string());
    const bool result = PdfWriteText(path, streamHead);
    session.nextObjectNumber = lengthObject;

    session.openPage = CheckedAdd(streamOffset, TextLength(streamHead), "the document's length");
    session.pageProcSetNames.clear();
    session.pageXObjectNames.clear();
    return result;
}

bool PdfDrawImage(const std::string& path, double x, double yTop, double width, double height,
                  const std::string& resourceName, std::int32_t bitsPerPixel) {
    if (!PdfSession().openPage) {
        return false;
    }
    if (resourceName.empty()) {
        return true;
    }
    return PdfDrawImageWithPlacement(path, PdfPlacementText(x, yTop, width, height, resourceName),
                                     resourceName, bitsPerPixel);
}

bool PdfDrawImageWithPlacement(const std::string& path, std::string_view placementText,
                               const std::string& resourceName, std::int32_t bitsPerPixel) {
    DocumentSession& session = pdf_detail::MutableSession();
    if (!session.openPage) {
        return false;
    }
    if (resourceName.empty()) {
        return true;
    }
    const bool result = PdfWriteText(path, placementText);
    if (bitsPerPixel == 24) {
        NameSetAdd(session.pageProcSetNames, "ImageC");
    } else if (bitsPerPixel == 1) {
        NameSetAdd(session.pageProcSetNames, "ImageB");
    } else {
        NameSetAdd(session.pageProcSetNames, "ImageC");
        NameSetAdd(session.pageProcSetNames, "ImageB");
        NameSetAdd(session.pageProcSetNames, "ImageI");
    }
    NameSetAdd(session.pageXObjectNames, resourceName);
    return result;
}

bool PdfEndPage(const std::string& path) {
    if (!PdfSession().openPage) {
        return false;
    }
    return pdf_detail::EndOpenPage(path, nullptr);
}

std::string PdfPageText(std::int32_t pageObject, std::int32_t pageTreeObject,
                        std::int32_t pageTreeGeneration, std::int32_t pageWidth,
                        std::int32_t pageHeight) {
    std::string text;
    text.reserve(128);
    AppendObjectHead(text, pageObject, 0);
    text.append("<</Type /Page\n/Parent ");
    AppendNumber(text, pageTreeObject);
    text.push_back(' ');
    AppendNumber(text, pageTreeGeneration);
    text.append(" R\n");
    // Without a usable size the page inherits none and readers fall back on their default.
    if (pageWidth >= 1 && pageHeight >= 1) {
        text.append("/MediaBox [0 0 ");
        AppendNumber(text, pageWidth);
        text.push_back(' ');
        AppendNumber(text, pageHeight);
        text.append("]\n");
    }
    text.append("/Contents ");
    AppendNumber(text, static_cast<std::int64_t>(pageObject) + 1);
    text.append(" 0 R\n/Resources ");
    AppendNumber(text, static_cast<std::int64_t>(pageObject) + 3);
    text.append(" 0 R\n>>\nendobj\n");
    return text;
}

// The lower edge is computed as (yTop - height/2) - height/2, not yTop - height: the two can
// differ in the last bit, which can change the rounded text, and documents written from the
// same list must stay byte for byte the same as before.
std::string PdfPlacementText(double x, double yTop, double width, double height,
                             const std::string& resourceName) {
    const double bottom = (yTop - height / 2) - height / 2;
    std::string text;
    text.reserve(64 + resourceName.size());
    text.append("q\n1 0 0 1 ").append(PdfFormatNumber(x)).push_back(' ');
    text.append(PdfFormatNumber(bottom)).append(" cm\n");
    text.append(PdfFormatNumber(width)).append(" 0 0 ").append(PdfFormatNumber(height));
    text.append(" 0 0 cm\n/").append(resourceName).append(" Do\nQ\n");
    return text;
}

std::string PdfResourcesText(std::int32_t resourceObject,
                             const std::vector<std::string>& procSetNames,
                             const std::vector<std::string>& xObjectNames) {
    std::string text;
    text.reserve(64 + xObjectNames.size() * 16);
    AppendObjectHead(text, resourceObject, 0);
    text.append("<</ProcSet [/PDF /Text");
    for (const std::string& name : procSetNames) {
        text.append(" /").append(name);
    }
    text.append("]\n");
    if (!xObjectNames.empty()) {
        text.append("/XObject <<\n");
        for (const std::string& name : xObjectNames) {
            // A name that was never registered still gets an entry, pointing at object 0.
            const ImageRecord* image = pdf_detail::LookupImageByName(name);
            text.push_back('/');
            text.append(name).push_back(' ');
            AppendNumber(text, image != nullptr ? image->objectNumber : 0);
            text.push_back(' ');
            AppendNumber(text, image != nullptr ? image->generation : 0);
            text.append(" R\n");
        }
        text.append(">>\n");
    }
    text.append(">>\nendobj\n");
    return text;
}

void NameSetAdd(std::vector<std::string>& set, const std::string& name) {
    if (name.empty()) {
        return;
    }
    const auto place = std::lower_bound(set.begin(), set.end(), name);
    if (place != set.end() && *place == name) {
        return;
    }
    set.insert(place, name);
}

} // namespace folionix
