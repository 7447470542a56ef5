// folionix-cli --conforming: the option in --help, refusals as left-out files (exit 3), the
// warning for a truncated JPEG, and that --as-window keeps the window's bytes.

#include "cli/FolionixCli.h"
#include "common/Clock.h"
#include "conforming/ImageFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace folionix {
namespace {

class ConformingCli : public testing::Test {
protected:
    void SetUp() override {}

    int Run(const std::vector<std::string>& arguments) {
        out_.str("");
        err_.str("");
        return cli::RunCli(arguments, out_, err_, [] { return LocalTime{2026, 12, 5, 18, 30, 0}; });
    }

    // A small JPEG built in code: a baseline frame with the given components, a JFIF density
    // of 72 dpi, and an end marker unless cut.
    std::string Jpeg(const std::string& name, std::uint8_t components, bool cut = false) {
        const std::string path = dir_.File(name);
        test::WriteBytes(path, test::JpegFile({test::JfifSegment(1, 72, 72),
                                               test::FrameSegment(0xC0, 8, 64, 48, components)},
                                              !cut));
        return path;
    }

    test::TempDir dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(ConformingCli, HelpNamesTheOption) {
    ASSERT_EQ(Run({"--help"}), cli::kExitOk);
    EXPECT_NE(out_.str().find("      --conforming "), std::string::npos) << out_.str();
}

TEST_F(ConformingCli, RefusedFilesAreLeftOutWithTheirReason) {
    const std::string cmyk = Jpeg("cmyk.jpg", 4);
    const std::string two = Jpeg("two.jpg", 2);
    const std::string folder = dir_.Path().string();
    EXPECT_EQ(Run({"--conforming", "-o", folder, "-f", "c.pdf", cmyk, two}),
              cli::kExitImagesRefused);
    EXPECT_NE(err_.str().find("folionix-cli: left out " + two + ": two-component JPEG"),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(out_.str().rfind("Done creating PDF.  Duration:  18:30:00 - 18:30:00\n", 0), 0u);
    const std::string pdf = test::ReadText(dir_.File("c.pdf"));
    EXPECT_NE(pdf.find("/ColorSpace /DeviceCMYK\n"), std::string::npos);
    EXPECT_NE(pdf.find("/Count 1\n"), std::string::npos);

    // As the window, both files are taken, as the window takes them.
    EXPECT_EQ(Run({"--as-window", "-o", folder, "-f", "d.pdf", cmyk, two}), cli::kExitOk);
    EXPECT_EQ(err_.str(), "");
    const std::string before = test::ReadText(dir_.File("d.pdf"));
    EXPECT_NE(before.find("/Count 2\n"), std::string::npos);
    EXPECT_EQ(before.find("/DeviceCMYK"), std::string::npos);
}

TEST_F(ConformingCli, TruncatedJpegIsAcceptedWithAWarning) {
    const std::string cut = Jpeg("cut.jpg", 3, /*cut*/ true);
    EXPECT_EQ(Run({"--conforming", "-o", dir_.Path().string(), cut}), cli::kExitOk);
    EXPECT_NE(err_.str().find("truncated"), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find(cut), std::string::npos);
    EXPECT_EQ(Run({"--as-window", "-o", dir_.Path().string(), cut}), cli::kExitOk);
    EXPECT_EQ(err_.str(), "");
}

TEST_F(ConformingCli, OrdinaryFilesGiveTheSameBytesEitherWay) {
    const std::string rgb = Jpeg("rgb.jpg", 3);
    const std::string grey = Jpeg("grey.jpg", 1);
    const std::string folder = dir_.Path().string();
    ASSERT_EQ(Run({"--conforming", "-o", folder, "-f", "c.pdf", rgb, grey}), cli::kExitOk);
    ASSERT_EQ(Run({"--as-window", "-o", folder, "-f", "d.pdf", rgb, grey}), cli::kExitOk);
    EXPECT_EQ(test::ReadBytes(dir_.File("c.pdf")), test::ReadBytes(dir_.File("d.pdf")));
}

} // namespace
} // namespace folionix
