// Acceptance of the conforming mode: for each kind of input the issue names, the conforming PDF
// is rendered with pdftoppm, mutool draw and Ghostscript and compared with the image decoded on
// its own (djpeg, opj_decompress; turned with ImageMagick where EXIF says so); every conforming
// PDF passes qpdf --check and carries its image files byte for byte. The same tests show where
// the default mode's output differs. PSNR figures are printed as "[ PSNR ] case renderer dB".

#include "common/Clock.h"
#include "conforming/ConformingTestSupport.h"
#include "conforming/ImageFixtures.h"
#include "conversion/modConforming.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

namespace folionix {
namespace {

using test::Picture;

// Below this mean difference a renderer shows the image as decoded on its own.
constexpr double kMinPsnr = 30.0;

class ConformingRender : public testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"pdftoppm", "mutool", "gs", "qpdf", "pdfimages", "cjpeg", "djpeg",
                                 "opj_compress", "opj_decompress", "exiftool"}) {
            if (!test::HaveTool(tool)) {
                GTEST_SKIP() << tool << " missing";
            }
        }
        if (!std::filesystem::exists("/usr/bin/convert")) {
            GTEST_SKIP() << "ImageMagick missing";
        }
    }

    std::string Path(const std::string& name) const { return dir_.File(name); }

    static void Run(const std::string& command) {
        ASSERT_EQ(test::RunCommand(command + " >/dev/null 2>&1"), 0) << command;
    }

    // A baseline JPEG from cjpeg (JFIF units 0, density 1:1, as most encoders write).
    std::string Cjpeg(const std::string& name, int width, int height, const std::string& options,
                      bool grey = false) {
        const std::string pnm = Path(name + (grey ? ".pgm" : ".ppm"));
        test::WritePicture(pnm, width, height, grey, false);
        const std::string jpg = Path(name);
        Run("cjpeg -quality 95 " + options + " -outfile " + test::ShellQuote(jpg) + " " +
            test::ShellQuote(pnm));
        return jpg;
    }

    // Sets the JFIF units and density of a cjpeg file in place (its APP0 comes first).
    static void SetJfifDensity(const std::string& jpg, std::uint8_t units, std::uint16_t density) {
        test::Bytes bytes = test::ReadBytes(jpg);
        ASSERT_EQ(bytes.at(6), 'J');
        bytes.at(13) = units;
        bytes.at(14) = bytes.at(16) = static_cast<std::uint8_t>(density >> 8);
        bytes.at(15) = bytes.at(17) = static_cast<std::uint8_t>(density & 0xFF);
        test::WriteBytes(jpg, bytes);
    }

    std::string Djpeg(const std::string& jpg) {
        const std::string out = jpg + ".ref.pnm";
        Run("djpeg -pnm -outfile " + test::ShellQuote(out) + " " + test::ShellQuote(jpg));
        return out;
    }

    std::string OpjDecompress(const std::string& file, bool colour) {
        const std::string out = file + (colour ? ".ref.ppm" : ".ref.pgm");
        Run("opj_decompress -i " + test::ShellQuote(file) + " -o " + test::ShellQuote(out));
        return out;
    }

    Picture Load(const std::string& pnm) {
        Picture picture;
        EXPECT_TRUE(test::ReadPnm(pnm, picture)) << pnm;
        return picture;
    }

    // Runs a build over the files: the conforming one (after the list check) or the default.
    std::string Build(bool conforming, const std::vector<std::string>& files,
                      const std::string& fileName,
                      PageSizeMode mode = PageSizeMode::MatchImageSize) {
        test::SettingsHost host;
        host.settings.outputFolder = dir_.Path().string();
        host.settings.fileName = fileName;
        host.settings.pageSizeMode = mode;
        host.conforming = conforming;
        // The conforming plan has its say when a file is listed.
        DropData drop;
        drop.files = files;
        static_cast<void>(AddDroppedFiles(host, drop));
        static_cast<void>(RunConversion(host));
        messages_.insert(messages_.end(), host.messages.begin(), host.messages.end());
        warnings_.insert(warnings_.end(), host.warnings.begin(), host.warnings.end());
        return Path(fileName);
    }

    std::string Conforming(const std::vector<std::string>& files,
                           PageSizeMode mode = PageSizeMode::MatchImageSize) {
        return Build(true, files, "conforming.pdf", mode);
    }
    std::string Default(const std::vector<std::string>& files,
                        PageSizeMode mode = PageSizeMode::MatchImageSize) {
        return Build(false, files, "default.pdf", mode);
    }

    // Every renderer within kMinPsnr of the reference; the figures are printed. Renderers named
    // in reportOnly are printed but not held to the bound (the test says why).
    void ExpectRendersLike(const std::string& caseName, const std::string& pdf,
                           const Picture& reference, double dpi,
                           const std::set<std::string>& reportOnly = {}, bool cmyk = false,
                           double minPsnr = kMinPsnr) {
        const auto pictures = cmyk ? test::RenderCmykWithAll(pdf, dpi, dir_.Path().string())
                                   : test::RenderWithAll(pdf, dpi, dir_.Path().string());
        std::vector<std::string> renderers{"pdftoppm", "mutool", "gs"};
        if (!cmyk) {
            renderers.push_back("gs-fastcolor");
        }
        for (const std::string& renderer : renderers) {
            const auto found = pictures.find(renderer);
            if (found == pictures.end()) {
                ADD_FAILURE() << caseName << ": " << renderer << " rendered nothing";
                continue;
            }
            const double psnr = test::Psnr(found->second, reference);
            std::cout << "[ PSNR ] " << caseName << (cmyk ? " (CMYK)" : "") << " " << renderer
                      << " " << psnr << " dB\n";
            if (reportOnly.count(renderer) == 0) {
                EXPECT_GE(psnr, minPsnr)
                    << caseName << " with " << renderer << " (" << found->second.width << "x"
                    << found->second.height << ")";
            }
        }
    }

    // The default mode's renderings, printed for the record; returns the best PSNR.
    double DefaultPsnr(const std::string& caseName, const std::string& pdf,
                       const Picture& reference, double dpi, bool cmyk = false) {
        double best = -1.0;
        const auto pictures = cmyk ? test::RenderCmykWithAll(pdf, dpi, dir_.Path().string())
                                   : test::RenderWithAll(pdf, dpi, dir_.Path().string());
        for (const auto& [renderer, picture] : pictures) {
            const double psnr = test::Psnr(picture, reference);
            std::cout << "[ PSNR ] " << caseName << " (default mode" << (cmyk ? ", CMYK" : "")
                      << ") " << renderer << " " << psnr << " dB\n";
            best = std::max(best, psnr);
        }
        return best;
    }

    // qpdf --check passes, and the image streams are the files, byte for byte, in page order.
    // With imageDataWarnings, qpdf may warn that it cannot decode an image's data (a truncated
    // JPEG), but nothing else.
    void ExpectValidWithImagesUnchanged(const std::string& pdf,
                                        const std::vector<std::string>& images,
                                        bool imageDataWarnings = false) {
        std::string output;
        const int status =
            test::RunCommand("qpdf --check " + test::ShellQuote(pdf) + " 2>&1", &output);
        if (imageDataWarnings && status == 3) {
            std::size_t lines = 0;
            std::size_t at = 0;
            while ((at = output.find("WARNING: ", at)) != std::string::npos) {
                const std::string line = output.substr(at, output.find('\n', at) - at);
                EXPECT_TRUE(Has(line, "error decoding stream data for object 2 0") ||
                            Has(line, "stream will be re-processed without filtering"))
                    << line;
                ++lines;
                ++at;
            }
            EXPECT_EQ(lines, 2u) << output;
            EXPECT_TRUE(Has(output, "No syntax or stream encoding errors found") ||
                        Has(output, "operation succeeded with warnings"))
                << output;
        } else {
            EXPECT_EQ(status, 0) << output;
        }
        const std::filesystem::path extracted = dir_.Path() / "extracted";
        std::filesystem::remove_all(extracted);
        std::filesystem::create_directory(extracted);
        Run("pdfimages -all " + test::ShellQuote(pdf) + " " +
            test::ShellQuote((extracted / "img").string()));
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(extracted)) {
            names.push_back(entry.path().string());
        }
        std::sort(names.begin(), names.end());
        ASSERT_EQ(names.size(), images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            EXPECT_EQ(test::RunCommand("cmp -s " + test::ShellQuote(names[i]) + " " +
                                       test::ShellQuote(images[i])),
                      0)
                << names[i] << " differs from " << images[i];
        }
    }

    std::string Text(const std::string& pdf) { return test::ReadText(pdf); }

    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    test::TempDir dir_;
    std::vector<std::string> messages_;
    std::vector<std::string> warnings_;
};

// ---- Colour space ------------------------------------------------------------------------------

// The samples of a CMYK JPEG are compared in CMYK (ImageMagick decodes the reference through
// libjpeg, undoing Adobe's inversion), since every renderer has its own CMYK-to-RGB conversion.
// Those RGB figures are printed against djpeg's RGB output for the record.
TEST_F(ConformingRender, CmykJpegWithAdobeMarkerIsDeclaredCmykAndInverted) {
    const std::string ppm = Path("cmyk.ppm");
    test::WritePicture(ppm, 64, 48, false, false);
    const std::string jpg = Path("cmyk.jpg");
    Run("/usr/bin/convert " + test::ShellQuote(ppm) + " -quality 95 -density 72 -units " +
        "PixelsPerInch -colorspace CMYK " + test::ShellQuote(jpg));
    const std::string pam = Path("cmyk.ref.pam");
    Run("/usr/bin/convert " + test::ShellQuote(jpg) + " " + test::ShellQuote(pam));
    Picture reference;
    ASSERT_TRUE(test::ReadPam(pam, reference));
    ASSERT_EQ(reference.channels, 4);

    const std::string pdf = Conforming({jpg});
    const std::string text = Text(pdf);
    EXPECT_TRUE(Has(text, "/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n"));
    ExpectRendersLike("cmyk-adobe-jpeg", pdf, reference, 72, {}, /*cmyk*/ true);
    ExpectRendersLike("cmyk-adobe-jpeg", pdf, Load(Djpeg(jpg)), 72,
                      {"pdftoppm", "mutool", "gs", "gs-fastcolor"});
    ExpectValidWithImagesUnchanged(pdf, {jpg});

    const std::string before = Default({jpg});
    EXPECT_TRUE(Has(Text(before), "/ColorSpace /DeviceRGB\n"));
    EXPECT_LT(DefaultPsnr("cmyk-adobe-jpeg", before, reference, 72, /*cmyk*/ true), 20.0);
    EXPECT_LT(DefaultPsnr("cmyk-adobe-jpeg", before, Load(Djpeg(jpg)), 72), 20.0);
}

TEST_F(ConformingRender, OrdinaryJpegsGiveTheDefaultBytes) {
    // With a JFIF density in inches, no EXIF and an end marker, nothing differs.
    const std::string rgb = Cjpeg("rgb.jpg", 64, 48, "");
    const std::string grey = Cjpeg("grey.jpg", 64, 48, "-grayscale", true);
    SetJfifDensity(rgb, 1, 72);
    SetJfifDensity(grey, 1, 144);
    const std::string pdf = Conforming({rgb, grey}, PageSizeMode::SpecifyPageSize);
    const std::string before = Default({rgb, grey}, PageSizeMode::SpecifyPageSize);
    EXPECT_EQ(test::ReadBytes(pdf), test::ReadBytes(before));
    EXPECT_TRUE(Has(Text(pdf), "/ColorSpace /DeviceGray\n"));
    ExpectValidWithImagesUnchanged(pdf, {rgb, grey});

    const std::string alone = Conforming({rgb});
    ExpectRendersLike("rgb-jpeg", alone, Load(Djpeg(rgb)), 72);
    const std::string greyAlone = Conforming({grey});
    ExpectRendersLike("grey-jpeg", greyAlone, Load(Djpeg(grey)), 144);
}

// ---- JPEG 2000 ---------------------------------------------------------------------------------

TEST_F(ConformingRender, SixteenBitGreyJp2IsDeclaredGreyAndRaisesTheHeader) {
    const std::string pgm = Path("grey16.pgm");
    test::WritePicture(pgm, 64, 48, true, true);
    const std::string jp2 = Path("grey16.jp2");
    Run("opj_compress -i " + test::ShellQuote(pgm) + " -o " + test::ShellQuote(jp2));
    const Picture reference = Load(OpjDecompress(jp2, false));

    const std::string pdf = Conforming({jp2});
    const std::string text = Text(pdf);
    EXPECT_EQ(text.substr(0, 9), "%PDF-1.5\n");
    EXPECT_FALSE(Has(text, "/BitsPerComponent"));
    EXPECT_TRUE(Has(text, "/Filter /JPXDecode\n/ColorSpace /DeviceGray\n/Width 64\n/Height 48\n"));
    // Declared grey, the samples are drawn as they are: Ghostscript's default colour management
    // would otherwise map the file's enumerated grey through a profile that shifts its tones.
    ExpectRendersLike("grey16-jp2", pdf, reference, 72, {}, false, /*minPsnr*/ 40);
    ExpectValidWithImagesUnchanged(pdf, {jp2});

    const std::string beforePdf = Default({jp2});
    const std::string before = Text(beforePdf);
    EXPECT_EQ(before.substr(0, 9), "%PDF-1.3\n");
    EXPECT_TRUE(Has(before, "/BitsPerComponent 16\n/ColorSpace /DeviceRGB\n"));
    static_cast<void>(DefaultPsnr("grey16-jp2", beforePdf, reference, 72));
}

TEST_F(ConformingRender, CodestreamsGetAColourSpaceByTheirComponents) {
    const std::string pgm = Path("grey16.pgm");
    test::WritePicture(pgm, 64, 48, true, true);
    const std::string grey = Path("grey16.j2k");
    Run("opj_compress -i " + test::ShellQuote(pgm) + " -o " + test::ShellQuote(grey));
    const std::string ppm = Path("rgb.ppm");
    test::WritePicture(ppm, 64, 48, false, false);
    const std::string rgb = Path("rgb.j2k");
    Run("opj_compress -i " + test::ShellQuote(ppm) + " -o " + test::ShellQuote(rgb));

    const std::string greyPdf = Conforming({grey});
    const std::string greyText = Text(greyPdf);
    EXPECT_EQ(greyText.substr(0, 9), "%PDF-1.5\n");
    EXPECT_TRUE(Has(greyText, "/BitsPerComponent 16\n/ColorSpace /DeviceGray\n"));
    ExpectRendersLike("grey16-j2k", greyPdf, Load(OpjDecompress(grey, false)), 72);
    ExpectValidWithImagesUnchanged(greyPdf, {grey});
    const std::string greyBefore = Default({grey});
    EXPECT_TRUE(Has(Text(greyBefore), "/BitsPerComponent 16\n/ColorSpace /DeviceRGB\n"));
    static_cast<void>(DefaultPsnr("grey16-j2k", greyBefore, Load(OpjDecompress(grey, false)), 72));

    const std::string rgbPdf = Conforming({rgb});
    EXPECT_TRUE(Has(Text(rgbPdf), "/ColorSpace /DeviceRGB\n"));
    ExpectRendersLike("rgb-j2k", rgbPdf, Load(OpjDecompress(rgb, true)), 72);
    ExpectValidWithImagesUnchanged(rgbPdf, {rgb});
}

// Inserts a "res " box with the given content boxes at the end of the jp2h box.
void AddResolutionBoxes(const std::string& jp2, const test::Bytes& resContent) {
    const test::Bytes bytes = test::ReadBytes(jp2);
    test::Bytes out;
    std::size_t at = 0;
    while (at + 8 <= bytes.size()) {
        const std::size_t length = (std::size_t{bytes[at]} << 24) |
                                   (std::size_t{bytes[at + 1]} << 16) |
                                   (std::size_t{bytes[at + 2]} << 8) | bytes[at + 3];
        const std::string type(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const std::size_t end = length == 0 ? bytes.size() : at + length;
        if (type == "jp2h") {
            test::Bytes content(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8),
                                bytes.begin() + static_cast<std::ptrdiff_t>(end));
            test::Append(content, test::Box("res ", resContent));
            test::Append(out, test::Box("jp2h", content));
        } else {
            out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(end));
        }
        at = end;
    }
    test::WriteBytes(jp2, out);
}

TEST_F(ConformingRender, Jp2ResolutionBoxSizesThePage) {
    const std::string ppm = Path("rgb.ppm");
    test::WritePicture(ppm, 64, 48, false, false);
    const std::string jp2 = Path("res.jp2");
    Run("opj_compress -i " + test::ShellQuote(ppm) + " -o " + test::ShellQuote(jp2));
    // Capture 144 dpi (5669.3 pixels per metre, written as 56693 / 10), display 72 dpi.
    test::Bytes res = test::Box("resc", test::ResolutionContent(56693, 10, 56693, 10, 0, 0));
    test::Append(res, test::Box("resd", test::ResolutionContent(7200, 254, 7200, 254, 2, 2)));
    AddResolutionBoxes(jp2, res);
    const Picture reference = Load(OpjDecompress(jp2, true));

    const std::string pdf = Conforming({jp2});
    EXPECT_TRUE(Has(Text(pdf), "/MediaBox [0 0 32 24]\n"));
    ExpectRendersLike("jp2-capture-144dpi", pdf, reference, 144);
    ExpectValidWithImagesUnchanged(pdf, {jp2});
    EXPECT_TRUE(Has(Text(Default({jp2})), "/MediaBox [0 0 64 48]\n"));
}

// ---- JPEG resolution ---------------------------------------------------------------------------

TEST_F(ConformingRender, JfifUnitsZeroIsNoResolution) {
    const std::string jpg = Cjpeg("photo.jpg", 640, 480, "");
    const std::string pdf = Conforming({jpg});
    EXPECT_TRUE(Has(Text(pdf), "/MediaBox [0 0 640 480]\n"));
    ExpectRendersLike("jfif-units0-640x480", pdf, Load(Djpeg(jpg)), 72);
    ExpectValidWithImagesUnchanged(pdf, {jpg});
    EXPECT_TRUE(Has(Text(Default({jpg})), "/MediaBox [0 0 46080 34560]\n"));
}

TEST_F(ConformingRender, ExifResolutionServesAJpegWithoutJfifDensity) {
    const std::string jpg = Cjpeg("exif.jpg", 64, 48, "");
    Run("exiftool -q -overwrite_original -n -EXIF:XResolution=144 -EXIF:YResolution=144 "
        "-EXIF:ResolutionUnit=2 " +
        test::ShellQuote(jpg));
    const std::string pdf = Conforming({jpg});
    EXPECT_TRUE(Has(Text(pdf), "/MediaBox [0 0 32 24]\n"));
    ExpectRendersLike("exif-144dpi", pdf, Load(Djpeg(jpg)), 144);
    ExpectValidWithImagesUnchanged(pdf, {jpg});
    EXPECT_TRUE(Has(Text(Default({jpg})), "/MediaBox [0 0 4608 3456]\n"));
}

TEST_F(ConformingRender, LargePagesAreScaledDownToTheLimit) {
    const std::string jpg = Cjpeg("big.jpg", 640, 480, "");
    SetJfifDensity(jpg, 1, 2); // 2 dpi: 23,040 × 17,280 points
    const std::string pdf = Conforming({jpg});
    EXPECT_TRUE(Has(Text(pdf), "/MediaBox [0 0 14400 10800]\n"));
    ExpectRendersLike("page-limit-2dpi", pdf, Load(Djpeg(jpg)), 3.2);
    ExpectValidWithImagesUnchanged(pdf, {jpg});
    EXPECT_TRUE(Has(Text(Default({jpg})), "/MediaBox [0 0 23040 17280]\n"));
}

// ---- EXIF orientation --------------------------------------------------------------------------

struct OrientationCase {
    int orientation;
    const char* imageMagickTurn; // what makes the reference from the decoded image
};

class ConformingOrientation : public ConformingRender,
                              public testing::WithParamInterface<OrientationCase> {};

TEST_P(ConformingOrientation, IsHonouredWithoutDecoding) {
    const OrientationCase row = GetParam();
    const std::string jpg = Cjpeg("turn.jpg", 64, 48, "");
    SetJfifDensity(jpg, 1, 72);
    Run("exiftool -q -overwrite_original -n -EXIF:Orientation=" + std::to_string(row.orientation) +
        " " + test::ShellQuote(jpg));
    const std::string decoded = Djpeg(jpg);
    const std::string turned = Path("turned.ppm");
    Run("/usr/bin/convert " + test::ShellQuote(decoded) + " " + row.imageMagickTurn + " " +
        test::ShellQuote(turned));
    const Picture reference = Load(turned);

    const std::string pdf = Conforming({jpg});
    const bool quarter = row.orientation >= 5;
    EXPECT_TRUE(Has(Text(pdf), quarter ? "/MediaBox [0 0 48 64]\n" : "/MediaBox [0 0 64 48]\n"));
    const std::string name = "exif-orientation-" + std::to_string(row.orientation);
    ExpectRendersLike(name, pdf, reference, 72);
    ExpectValidWithImagesUnchanged(pdf, {jpg});

    // The default mode draws the stored picture upright.
    const std::string before = Default({jpg});
    EXPECT_TRUE(Has(Text(before), "/MediaBox [0 0 64 48]\n"));
    EXPECT_LT(DefaultPsnr(name, before, reference, 72), 20.0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConformingOrientation,
    testing::Values(OrientationCase{2, "-flop"}, OrientationCase{3, "-rotate 180"},
                    OrientationCase{4, "-flip"}, OrientationCase{5, "-transpose"},
                    OrientationCase{6, "-rotate 90"}, OrientationCase{7, "-transverse"},
                    OrientationCase{8, "-rotate 270"}));

// ---- Refusals and warnings ---------------------------------------------------------------------

TEST_F(ConformingRender, JpegsOutsideDctDecodeAreRefusedByName) {
    const std::string good = Cjpeg("good.jpg", 64, 48, "");
    const std::string arithmetic = Cjpeg("arith.jpg", 64, 48, "-arithmetic");
    struct Made {
        const char* name;
        test::Bytes bytes;
    };
    const std::vector<Made> made{
        {"two.jpg", test::JpegFile({test::FrameSegment(0xC0, 8, 64, 48, 2)})},
        {"twelve.jpg", test::JpegFile({test::FrameSegment(0xC1, 12, 64, 48, 3)})},
        {"lossless.jpg", test::JpegFile({test::FrameSegment(0xC3, 8, 64, 48, 3)})},
        {"hier.jpg", test::JpegFile({test::JpegSegment(0xDE, test::Bytes(6, 0)),
                                     test::FrameSegment(0xC5, 8, 64, 48, 3)})},
    };
    std::vector<std::string> files{good, arithmetic};
    for (const Made& m : made) {
        files.push_back(Path(m.name));
        test::WriteBytes(files.back(), m.bytes);
    }
    const std::string pdf = Conforming(files);
    const std::vector<std::string> expected{"arithmetic-coded JPEG (frame type 0xC9)",
                                            "two-component JPEG", "12-bit JPEG (frame type 0xC1)",
                                            "lossless JPEG (frame type 0xC3)", "hierarchical JPEG"};
    ASSERT_EQ(messages_.size(), expected.size() + 1); // and the completion message
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(messages_[i].rfind("Image Error|48|Cannot write a conforming PDF for image "
                                     "file: " +
                                         files[i + 1] + " (",
                                     0),
                  0u)
            << messages_[i];
        EXPECT_TRUE(Has(messages_[i], expected[i])) << messages_[i];
    }
    EXPECT_TRUE(Has(Text(pdf), "/Count 1\n"));
    ExpectValidWithImagesUnchanged(pdf, {good});

    // The default mode embeds the arithmetic-coded file, which not every reader can draw.
    SetJfifDensity(arithmetic, 1, 72);
    const std::string before = Default({arithmetic});
    EXPECT_TRUE(Has(Text(before), "/Count 1\n"));
    static_cast<void>(DefaultPsnr("arithmetic-jpeg", before, Load(Djpeg(arithmetic)), 72));
}

TEST_F(ConformingRender, TruncatedJpegGetsItsEndMarkerAfterTheData) {
    const std::string jpg = Cjpeg("cut.jpg", 64, 48, "");
    SetJfifDensity(jpg, 1, 72);
    const Picture reference = Load(Djpeg(jpg));
    test::Bytes bytes = test::ReadBytes(jpg);
    ASSERT_GT(bytes.size(), 2u);
    bytes.erase(bytes.end() - 2, bytes.end());
    test::WriteBytes(jpg, bytes);
    bytes.push_back(0xFF);
    bytes.push_back(0xD9);
    const std::string repaired = Path("cut-with-end.jpg");
    test::WriteBytes(repaired, bytes);

    const std::string pdf = Conforming({jpg});
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_TRUE(Has(warnings_[0], jpg));
    EXPECT_TRUE(Has(warnings_[0], "truncated"));
    EXPECT_TRUE(Has(Text(pdf), "/Length " + std::to_string(bytes.size()) + ">>\nstream\n"));
    ExpectRendersLike("truncated-jpeg", pdf, reference, 72);
    ExpectValidWithImagesUnchanged(pdf, {repaired});

    // The default mode embeds the file as it is: poppler drops the last row of blocks, and qpdf
    // cannot decode the data.
    const std::string before = Default({jpg});
    static_cast<void>(DefaultPsnr("truncated-jpeg", before, reference, 72));
    ExpectValidWithImagesUnchanged(before, {jpg}, /*imageDataWarnings*/ true);
}

// ---- One document per image --------------------------------------------------------------------

TEST_F(ConformingRender, EachDocumentHasItsOwnVersion) {
    const std::string jpg = Cjpeg("a.jpg", 64, 48, "");
    const std::string ppm = Path("b.ppm");
    test::WritePicture(ppm, 64, 48, false, false);
    const std::string jp2 = Path("b.jp2");
    Run("opj_compress -i " + test::ShellQuote(ppm) + " -o " + test::ShellQuote(jp2));
    test::SettingsHost host;
    host.settings.outputFolder = dir_.Path().string();
    host.settings.outputMode = OutputMode::MultiplePdfs;
    host.conforming = true;
    host.AddFile(jpg);
    host.AddFile(jp2);
    const RunReport report = RunConversion(host);
    EXPECT_EQ(report.outcome, RunOutcome::Completed);
    EXPECT_EQ(host.messages.back().substr(0, 42), "Folionix|0|Done creating PDFs.  Duration: ");
    const std::string first = Path("a.jpg.PDF");
    const std::string second = Path("b.jp2.PDF");
    EXPECT_EQ(Text(first).substr(0, 9), "%PDF-1.3\n");
    EXPECT_EQ(Text(second).substr(0, 9), "%PDF-1.5\n");
    EXPECT_TRUE(Has(Text(first), "/I1 "));
    ExpectValidWithImagesUnchanged(first, {jpg});
    ExpectValidWithImagesUnchanged(second, {jp2});
}

} // namespace
} // namespace folionix
