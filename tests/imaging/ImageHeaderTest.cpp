#include "imaging/ImageHeader.h"
#include "ImageFixtures.h"
#include "imaging/modJ2K.h"
#include "imaging/modJP2.h"
#include "imaging/modJPG.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

namespace folionix {
namespace {

using fixture::Bytes;

// --- The byte sources ----------------------------------------------------------------------------

class Sources : public ::testing::TestWithParam<bool> {
protected:
    // Ten bytes 0..9, in memory or in a file.
    const ByteSource& Source() {
        if (!GetParam()) {
            memory_ = std::make_unique<MemorySource>(bytes_);
            return *memory_;
        }
        const std::string path = dir_.File("ten.bin");
        test::WriteBytes(path, bytes_);
        file_ = FileSource::Open(path);
        EXPECT_TRUE(file_);
        return *file_;
    }

    const Bytes bytes_{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    test::TempDir dir_;
    std::unique_ptr<MemorySource> memory_;
    std::optional<FileSource> file_;
};

TEST_P(Sources, ReadUpToTheEndAndRefuseNegativePositions) {
    const ByteSource& source = Source();
    EXPECT_EQ(source.Size(), 10);
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(source.ReadAt(3, buffer), 4);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{3, 4, 5, 6}));
    EXPECT_EQ(source.ReadAt(8, buffer), 2);
    EXPECT_EQ(buffer[1], 9);
    EXPECT_EQ(source.ReadAt(10, buffer), 0);
    EXPECT_EQ(source.ReadAt(1000, buffer), 0);
    EXPECT_EQ(source.ReadAt(-1, buffer), -1);
    EXPECT_TRUE(source.ReadExactlyAt(6, buffer));
    EXPECT_FALSE(source.ReadExactlyAt(7, buffer));
    EXPECT_FALSE(source.ReadExactlyAt(-1, buffer));
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, Sources, ::testing::Bool());

TEST(FileSource, MissingFileOrFolderDoesNotOpen) {
    test::TempDir dir;
    EXPECT_FALSE(FileSource::Open(dir.File("missing.jpg")));
    EXPECT_FALSE(FileSource::Open(Utf8FromPath(dir.Path())));
}

// --- The kind by the file name -------------------------------------------------------------------

struct KindRow {
    const char* name;
    ImageKind kind;
};

class KindOfFile : public ::testing::TestWithParam<KindRow> {};

TEST_P(KindOfFile, ByTheTextFromTheLastDot) {
    EXPECT_EQ(ImageKindOfFile(GetParam().name), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KindOfFile,
    ::testing::Values(KindRow{"a.jpg", ImageKind::Jpeg}, KindRow{"B.JPEG", ImageKind::Jpeg},
                      KindRow{"c.JpE", ImageKind::Jpeg}, KindRow{"/x.y/d.jp2", ImageKind::Jp2},
                      KindRow{"e.J2k", ImageKind::J2k}, KindRow{".jpg", ImageKind::Jpeg},
                      KindRow{"f.jpg.png", ImageKind::Unknown},
                      KindRow{"g.jpx", ImageKind::Unknown}, KindRow{"h.jpg.", ImageKind::Unknown},
                      KindRow{"jpg", ImageKind::Unknown}, KindRow{"i.jpeg2", ImageKind::Unknown},
                      KindRow{"\xC3\xA4.JP\xC3\xA9", ImageKind::Unknown}));

// --- One walk per header read ------------------------------------------------------------------

TEST(HeaderWalkCount, EveryHeaderReadIsOneWalk) {
    const Bytes jpeg = fixture::SimpleJpeg(4, 3, 8, 3);
    const Bytes codestream = fixture::Codestream(4, 3, {7});
    const Bytes jp2 = fixture::SimpleJp2(codestream);
    const std::array<std::pair<ImageKind, const Bytes*>, 3> files{
        {{ImageKind::Jpeg, &jpeg}, {ImageKind::Jp2, &jp2}, {ImageKind::J2k, &codestream}}};
    for (const auto& [kind, bytes] : files) {
        const MemorySource source(*bytes);
        ImageHeader header;
        const std::uint64_t before = HeaderWalkCount();
        ASSERT_TRUE(ReadImageHeader(source, kind, header));
        EXPECT_EQ(HeaderWalkCount(), before + 1);
        EXPECT_EQ(header.info.Width, 4);
    }

    // The standard readers count one each, a JP2 file's codestream included.
    test::TempDir dir;
    const std::string path = dir.File("a.jp2");
    test::WriteBytes(path, jp2);
    ImageInfo info;
    const std::uint64_t before = HeaderWalkCount();
    ASSERT_TRUE(GetJp2Info(path, info, 1));
    ASSERT_TRUE(GetJpegInfo(MemorySource(jpeg), info, 1));
    EXPECT_FALSE(GetJ2kInfo(dir.File("missing.j2k"), info, 1));
    EXPECT_EQ(HeaderWalkCount(), before + 3);
}

} // namespace
} // namespace folionix
