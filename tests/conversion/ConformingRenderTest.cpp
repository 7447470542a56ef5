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

    // The plan's document of the files (page size from the image, one document), as text.
    std::string Build(const std::vector<std::string>& files, const OutputPlan& plan) {
        FakeHost host;
        host.fields[SettingsField::OutputPath] = Utf8FromPath(dir_.Path());
        host.fields[SettingsField::FileName] = "out.pdf";
        host.specifyPageSize = false;
        host.plan = &plan;
        host.times = {LocalTime{2026, 12, 5, 18, 30, 0}};
        for (const std::string& file : files) {
            host.AddFile(file);
        }
        static_cast<void>(RunConversion(host));
        return ReadText(Path("out.pdf"));
    }

    // qpdf finds nothing to say, and every renderer draws page 1 like the reference.
    void ExpectRenders(const std::string& name, const Picture& reference, double dpi,
                       bool cmyk = false, double minPsnr = 30) {
        std::string output;
        EXPECT_EQ(RunCommand("qpdf --check " + ShellQuote(Path("out.pdf")) + " 2>&1", &output), 0)
            << output;
        const std::string work = Utf8FromPath(dir_.Path());
        const auto pictures = cmyk ? RenderCmykWithAll(Path("out.pdf"), dpi, work)
                                   : RenderWithAll(Path("out.pdf"), dpi, work);
        for (const char* renderer : {"pdftoppm", "mutool", "gs"}) {
            const auto found = pictures.find(renderer);
            ASSERT_NE(found, pictures.end()) << name << ": " << renderer << " drew nothing";
            EXPECT_GE(Psnr(found->second, reference), minPsnr) << name << " by " << renderer;
        }
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
    EXPECT_NE((Build({jpg}, ConformingPlan()))
                  .find("/ColorSpace /DeviceCMYK\n/Decode [1 0 1 0 1 0 1 0]\n"),
              std::string::npos);
    ExpectRenders("cmyk-adobe-jpeg", reference, 72, true);
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
        const std::string text = Build({file}, ConformingPlan());
        EXPECT_EQ(text.substr(0, 9), "%PDF-1.5\n");
        EXPECT_NE(text.find(dictionary), std::string::npos);
        ExpectRenders(name, Decoded(file), 72, false, grey ? 40 : 30);
    }
}

// EXIF orientation turns the page without decoding. A cjpeg file has JFIF units 0 (a pixel
// shape, no resolution): the EXIF resolution sizes the page, scaled down above the limit.
TEST_F(ConformingRender, ExifOrientationAndResolution) {
    const std::tuple<std::string, const char*, const char*, double> cases[] = {
        {"Orientation=2", "[0 0 640 480]", "-flop", 72},
        {"Orientation=6", "[0 0 480 640]", "-rotate 90", 72},
        {"Orientation=7", "[0 0 480 640]", "-transverse", 72},
        {"ResolutionUnit=2 -EXIF:XResolution=144 -EXIF:YResolution=144", "[0 0 320 240]", "", 144},
        {"ResolutionUnit=2 -EXIF:XResolution=2 -EXIF:YResolution=2", "[0 0 14400 10800]", "", 3.2}};
    for (const auto& [tags, mediaBox, turn, dpi] : cases) {
        const std::string jpg = Encode(std::to_string(dpi) + turn + ".jpg", false, false, 10);
        Run("exiftool -q -overwrite_original -n -EXIF:" + tags + " " + ShellQuote(jpg));
        EXPECT_NE((Build({jpg}, ConformingPlan())).find(std::string("/MediaBox ") + mediaBox),
                  std::string::npos);
        ExpectRenders(tags, Decoded(jpg, turn), dpi);
    }
}

TEST_F(ConformingRender, TruncatedJpegGetsItsEndMarkerAfterTheData) {
    const std::string jpg = Encode("cut.jpg", false, false);
    const Picture reference = Decoded(jpg);
    Bytes bytes = ReadBytes(jpg);
    bytes.resize(bytes.size() - 2);
    WriteBytes(jpg, bytes);
    const std::string text = Build({jpg}, ConformingPlan());
    EXPECT_NE(text.find("/Length " + std::to_string(bytes.size() + 2) + ">>\nstream\n"),
              std::string::npos);
    ExpectRenders("truncated-jpeg", reference, 72);
}

// With a JFIF density in inches, no EXIF and an end marker, nothing differs from the window's.
TEST_F(ConformingRender, OrdinaryJpegsGiveTheWindowsBytes) {
    WriteBytes(Path("rgb.jpg"), MakeJpeg(64, 48, 72));
    WriteBytes(Path("grey.jpg"), MakeJpeg(64, 48, 144, 1));
    const std::string conforming = Build({Path("rgb.jpg"), Path("grey.jpg")}, ConformingPlan());
    EXPECT_NE(conforming.find("/ColorSpace /DeviceGray\n"), std::string::npos);
    EXPECT_EQ(conforming, Build({Path("rgb.jpg"), Path("grey.jpg")}, WindowPlan()));
}

} // namespace
} // namespace folionix
