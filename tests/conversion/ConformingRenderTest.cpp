// What the conforming plan writes, drawn by three renderers (pdftoppm, mutool draw, Ghostscript)
// and compared with the image decoded on its own (djpeg, opj_decompress; turned by ImageMagick
// where EXIF says so), one case per colour, orientation and resolution rule. Every document must
// pass qpdf --check.

#include "conversion/modConforming.h"
#include "support/FakeHost.h"
#include "support/ImageBytes.h"
#include "support/Pictures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace folionix {
namespace {

using namespace test;

class ConformingRender : public testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"pdftoppm", "mutool", "gs", "qpdf", "cjpeg", "djpeg",
                                 "opj_compress", "opj_decompress", "exiftool", "convert"}) {
            if (!HaveTool(tool)) {
                GTEST_SKIP() << tool << " missing";
            }
        }
    }

    std::string Path(const std::string& name) const { return dir_.File(name); }

    void Run(const std::string& command) {
        ASSERT_EQ(RunCommand(command + " >/dev/null 2>&1"), 0) << command;
    }

    // A picture of 64 × 48 times the scale written as PNM and encoded by cjpeg (.jpg) or
    // opj_compress.
    std::string Encode(const std::string& name, bool grey, bool sixteenBit, int scale = 1) {
        const std::string pnm = Path(name + (grey ? ".pgm" : ".ppm"));
        WritePicture(pnm, 64 * scale, 48 * scale, grey, sixteenBit);
        EXPECT_TRUE(name.ends_with(".jpg") ? Cjpeg(pnm, Path(name)) : OpjCompress(pnm, Path(name)));
        return Path(name);
    }

    // The file decoded on its own, turned by ImageMagick where asked.
    Picture Decoded(const std::string& file, const std::string& turn = "") {
        const std::string out = ShellQuote(file + ".ref.pnm");
        Run((file.ends_with(".jpg") ? "djpeg -pnm -outfile " + out + " " + ShellQuote(file)
                                    : "opj_decompress -i " + ShellQuote(file) + " -o " + out) +
            " && convert " + out + " " + turn + " " + out);
        Picture picture;
        EXPECT_TRUE(ReadPnm(file + ".ref.pnm", picture)) << file;
        return picture;
    }

    // The plan's document of the file (page size from the image), as text: qpdf finds nothing to
    // say about it, and every renderer draws page 1 like the reference.
    std::string Rendered(const std::string& file, const Picture& reference, double dpi,
                         bool cmyk = false, double minPsnr = 30) {
        const std::string work = Utf8FromPath(dir_.Path());
        FakeHost host;
        host.With("O=" + work + ";N=out.pdf").specifyPageSize = false;
        host.plan = &ConformingPlan();
        host.AddFile(file);
        static_cast<void>(RunConversion(host));
        std::string output;
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(Path("out.pdf")) + " 2>&1", &output), 0)
            << output;
        const auto pictures = cmyk ? RenderCmykWithAll(Path("out.pdf"), dpi, work)
                                   : RenderWithAll(Path("out.pdf"), dpi, work);
        for (const char* renderer : {"pdftoppm", "mutool", "gs"}) {
            const auto found = pictures.find(renderer);
            EXPECT_TRUE(found != pictures.end() && Psnr(found->second, reference) >= minPsnr)
                << file << " by " << renderer;
        }
        return ReadText(Path("out.pdf"));
    }

    TempDir dir_;
};

// Compared in CMYK, since every renderer has its own CMYK-to-RGB conversion; ImageMagick's
// reference undoes the inversion that the Adobe marker announces.
TEST_F(ConformingRender, CmykJpegWithAdobeMarkerIsDeclaredCmykAndInverted) {
    WritePicture(Path("in.ppm"), 64, 48, false, false);
    const std::string jpg = Path("cmyk.jpg");
    Run("convert " + ShellQuote(Path("in.ppm")) + " -quality 95 -colorspace CMYK " +
        ShellQuote(jpg) + " && convert " + ShellQuote(jpg) + " " + ShellQuote(Path("ref.pam")));
    Picture reference;
    ASSERT_TRUE(ReadPam(Path("ref.pam"), reference));
    EXPECT_NE(Rendered(jpg, reference, 72, true)
                  .find("/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n"),
              std::string::npos);
}

// Declared grey, the samples are drawn as they are: colour-managed readers would otherwise map
// the file's enumerated grey through a profile that shifts its tones. Codestreams get a colour
// space by their components.
TEST_F(ConformingRender, Jpeg2000ColourSpacesGreyWithoutDepthInJp2) {
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"grey16.jp2", true, "/JPXDecode\n/ColorSpace /DeviceGray\n/Width 64\n/Height 48\n"},
        {"grey16.j2k", true, "/BitsPerComponent 16\n/ColorSpace /DeviceGray\n"},
        {"rgb.j2k", false, "/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n"}};
    for (const auto& [name, grey, dictionary] : cases) {
        const std::string file = Encode(name, grey, grey);
        const std::string text = Rendered(file, Decoded(file), 72, false, grey ? 40 : 30);
        EXPECT_EQ(text.substr(0, 9), "%PDF-1.5\n");
        EXPECT_NE(text.find(dictionary), std::string::npos);
    }
}

// EXIF orientation turns the page without decoding. A cjpeg file has JFIF units 0 (a pixel
// shape, no resolution): the EXIF resolution sizes the page, scaled down above the limit. A
// truncated JPEG (no tags: its last two bytes cut) gets its end marker after the file's data.
TEST_F(ConformingRender, ExifOrientationResolutionAndTruncation) {
    const std::tuple<std::string, const char*, const char*, double> cases[] = {
        {"Orientation=2", "[0 0 640 480]", "-flop", 72},
        {"Orientation=6", "[0 0 480 640]", "-rotate 90", 72},
        {"Orientation=7", "[0 0 480 640]", "-transverse", 72},
        {"ResolutionUnit=2 -EXIF:XResolution=144 -EXIF:YResolution=144", "[0 0 320 240]", "", 144},
        {"ResolutionUnit=2 -EXIF:XResolution=2 -EXIF:YResolution=2", "[0 0 14400 10800]", "", 3.2},
        {"", "[0 0 64 48]", "", 72}};
    for (const auto& [tags, mediaBox, turn, dpi] : cases) {
        const std::string jpg =
            Encode(std::to_string(dpi) + turn + ".jpg", false, false, tags.empty() ? 1 : 10);
        const Picture reference = Decoded(jpg, turn);
        Run(tags.empty()
                ? "truncate -s -2 " + ShellQuote(jpg)
                : "exiftool -q -overwrite_original -n -EXIF:" + tags + " " + ShellQuote(jpg));
        const std::size_t length = ReadBytes(jpg).size() + (tags.empty() ? 2 : 0);
        const std::string text = Rendered(jpg, reference, dpi);
        EXPECT_NE(text.find(std::string("/MediaBox ") + mediaBox), std::string::npos) << tags;
        EXPECT_NE(text.find("/Length " + std::to_string(length) + ">>\nstream\n"),
                  std::string::npos)
            << tags;
    }
}

} // namespace
} // namespace folionix
