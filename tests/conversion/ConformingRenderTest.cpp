// What the conforming plan writes, drawn by three renderers (pdftoppm, mutool draw, Ghostscript)
// and compared with the image decoded on its own (djpeg, opj_decompress; turned by ImageMagick
// where EXIF says so), one case per colour, orientation and resolution rule. Every document must
// pass qpdf --check.

#include "conversion/modConforming.h"
#include "support/FakeHost.h"
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

    // A picture of 64 × 48 times the scale (16-bit when grey) encoded by ImageMagick as an
    // Adobe CMYK JPEG (cmyk.jpg), by cjpeg (.jpg) or by opj_compress; returns it decoded on its
    // own, turned by ImageMagick where asked (CMYK as a PAM file, the inversion undone).
    Picture Encoded(const std::string& name, bool grey, int scale, const std::string& turn) {
        const std::string file = Path(name), pnm = file + (grey ? ".pgm" : ".ppm");
        const bool cmyk = name == "cmyk.jpg", jpg = name.ends_with(".jpg");
        const std::string ref = file + (cmyk ? ".pam" : ".pnm"), f = ShellQuote(file),
                          in = ShellQuote(pnm), out = ShellQuote(ref);
        WritePicture(pnm, 64 * scale, 48 * scale, grey, grey);
        Run((cmyk ? "convert " + in + " -quality 95 -colorspace CMYK " + f + " && convert " + f +
                        " " + out
             : jpg ? "cjpeg -outfile " + f + " " + in + " && djpeg -pnm -outfile " + out + " " + f
                   : "opj_compress -i " + in + " -o " + f + " && opj_decompress -i " + f + " -o " +
                         out) +
            " && convert " + out + " " + turn + " " + out);
        Picture picture;
        EXPECT_TRUE(cmyk ? ReadPam(ref, picture) : ReadPnm(ref, picture)) << file;
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

// A CMYK JPEG is compared in CMYK, since every renderer has its own CMYK-to-RGB conversion.
// Declared grey, the samples are drawn as they are: colour-managed readers would otherwise map
// the file's enumerated grey through a profile that shifts its tones. Codestreams get a colour
// space by their components. EXIF orientation turns the page without decoding. A cjpeg file has
// JFIF units 0 (a pixel shape, no resolution): the EXIF resolution sizes the page, scaled down
// above the limit. A truncated JPEG (cut.jpg: its last two bytes cut) gets its end marker after
// the file's data. Every other file is embedded whole.
TEST_F(ConformingRender, ColourSpacesOrientationsResolutionsAndTruncation) {
    // The file, the EXIF tags set (a 640 × 480 picture then), the turn, the dpi to render at and
    // what the document must hold.
    const std::tuple<std::string, std::string, const char*, double, const char*> cases[] = {
        {"cmyk.jpg", "", "", 72, "/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n"},
        {"grey16.jp2", "", "", 72, "/JPXDecode\n/ColorSpace /DeviceGray\n/Width 64\n/Height 48\n"},
        {"grey16.j2k", "", "", 72, "/BitsPerComponent 16\n/ColorSpace /DeviceGray\n"},
        {"rgb.j2k", "", "", 72, "/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n"},
        {"o2.jpg", "Orientation=2", "-flop", 72, "/MediaBox [0 0 640 480]"},
        {"o6.jpg", "Orientation=6", "-rotate 90", 72, "/MediaBox [0 0 480 640]"},
        {"o7.jpg", "Orientation=7", "-transverse", 72, "/MediaBox [0 0 480 640]"},
        {"r144.jpg", "ResolutionUnit=2 -EXIF:XResolution=144 -EXIF:YResolution=144", "", 144,
         "/MediaBox [0 0 320 240]"},
        {"r2.jpg", "ResolutionUnit=2 -EXIF:XResolution=2 -EXIF:YResolution=2", "", 3.2,
         "/MediaBox [0 0 14400 10800]"},
        {"cut.jpg", "", "", 72, "/MediaBox [0 0 64 48]"}};
    for (const auto& [name, tags, turn, dpi, holds] : cases) {
        const bool grey = name.starts_with("grey"), cut = name == "cut.jpg",
                   cmyk = name == "cmyk.jpg";
        const std::string file = Path(name);
        const Picture reference = Encoded(name, grey, tags.empty() ? 1 : 10, turn);
        Run((cut            ? "truncate -s -2 "
             : tags.empty() ? "true "
                            : "exiftool -q -overwrite_original -n -EXIF:" + tags + " ") +
            ShellQuote(file));
        const std::size_t length = ReadBytes(file).size() + (cut ? 2 : 0);
        const std::string text = Rendered(file, reference, dpi, cmyk, grey ? 40 : 30);
        EXPECT_EQ(text.substr(0, 9), name.ends_with(".jpg") ? "%PDF-1.3\n" : "%PDF-1.5\n");
        EXPECT_NE(text.find(holds), std::string::npos) << name;
        EXPECT_NE(text.find("/Length " + std::to_string(length) + ">>\nstream\n"),
                  std::string::npos)
            << name;
    }
}

} // namespace
} // namespace folionix
