#pragma once

#include "common/Clock.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace folionix::test {

// The time the writer tests open their documents at (12-04-2026 05:13:48).
inline constexpr LocalTime kPinnedTime{2026, 12, 4, 5, 13, 48};

// Every writer test starts from a fresh temporary folder.
class PdfWriterTest : public ::testing::Test {
protected:
    TempDir dir_;
};

// The header every document opened with version "1.3" under the pinned clock starts with.
std::string PinnedHeader();

// Checks the document's cross-reference table against its bytes: "startxref" points at
// "xref", the subsection starts at 0, every row is 20 bytes ending in CR LF, and the row of
// object k gives the offset of a line that starts with "k 0 obj".
::testing::AssertionResult CrossReferenceIsConsistent(const std::string& pdf);

// True when qpdf is installed (looked up once).
bool HaveQpdf();

// Runs qpdf --check; success when it exits with 0 (no errors and no warnings).
::testing::AssertionResult QpdfAccepts(const std::string& path);

// Writes a width x height picture with a colour pattern (PPM) or a grey ramp (PGM), the raw
// input of cjpeg and opj_compress. Returns its path.
std::string WritePicture(const TempDir& dir, const std::string& name, int width, int height,
                         bool grey);

// A real JPEG made with cjpeg from WritePicture; empty text when cjpeg is missing.
std::string MakeJpeg(const TempDir& dir, const std::string& name, int width, int height, bool grey);

// A complete baseline JPEG of 8 x 8 mid-grey pixels with 1 or 3 components (141 or 151 bytes),
// made in code: a quantisation table of ones, one-code Huffman tables (DC difference 0 and
// end-of-block) and one zero block per component.
std::string MinimalJpeg(int components);

// The bytes of a file as text (PDFs are single-byte text).
std::string FileText(const std::string& path);

// Number of times needle occurs in text.
std::size_t CountOf(const std::string& text, const std::string& needle);

} // namespace folionix::test
