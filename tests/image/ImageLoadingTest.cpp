#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "image/FirmwareImage.h"
#include "image/ImageFile.h"
#include "image/ImageLoader.h"
#include "res/EmbeddedImage.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

const std::string kIdentity("QA-7712/7713 NORVALE LMR BI    \0", 32);

// A small valid image: the identity block with a version, and the top area's version block.
std::vector<test::Line> ValidLines(const std::string& version) {
    std::vector<uint8_t> identity(kIdentity.begin(), kIdentity.end());
    identity.resize(48, 0);
    identity.insert(identity.end(), version.begin(), version.end());
    identity.resize(64, 0);
    return {{0x10000, test::PatternBytes(0, 32)},
            {0xD0000, identity},
            {0xF0000, test::PatternBytes(2, 64)},
            {0xFFF00, test::PatternBytes(3, 32)}};
}

TEST(LoadImage, EmbeddedImageLoadsWithoutAnyFile) {
    ASSERT_GT(EmbeddedImageBytes().size(), 100000u);
    RecordList low, main, top;
    ImageLoader loader;
    EXPECT_EQ(loader.LoadImage(low, main, top, "", 0), 0);
    EXPECT_FALSE(low.Empty());
    EXPECT_FALSE(main.Empty());
    EXPECT_FALSE(top.Empty());
}

TEST(LoadImage, UserFileIsReadOnlyAndUnchanged) {
    test::TempDir dir;
    const auto stored = test::Scrambled(test::PlainImageText(ValidLines("V1.00.00")));
    const auto path = dir.Write("own image.mot", stored);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
    const auto written = std::filesystem::last_write_time(path);

    RecordList low, main, top;
    ImageLoader loader;
    EXPECT_EQ(loader.LoadImage(low, main, top, path.string(), 1), 0);
    EXPECT_EQ(loader.Path(), path.string());
    EXPECT_EQ(main.Size(), 1);
    EXPECT_EQ(test::ReadAll(path), stored);
    EXPECT_EQ(std::filesystem::last_write_time(path), written);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
}

TEST(LoadImage, SecondLoadReplacesTheLists) {
    test::TempDir dir;
    const auto path = dir.Write("a.mot", test::Scrambled(test::PlainImageText(ValidLines("V1"))));
    RecordList low, main, top;
    ImageLoader first, second;
    ASSERT_EQ(first.LoadImage(low, main, top, path.string(), 1), 0);
    const int blocks = low.Size() + main.Size() + top.Size();
    ASSERT_EQ(second.LoadImage(low, main, top, path.string(), 1), 0);
    EXPECT_EQ(low.Size() + main.Size() + top.Size(), blocks);
}

TEST(LoadImage, UnreadableSourceLeavesTheListsAsTheyWere) {
    RecordList low, main, top;
    low.Append(test::MakeRecord(0x10000, {1, 2, 3, 4}));
    ImageLoader loader;
    EXPECT_EQ(loader.LoadImage(low, main, top, "/nonexistent/dir/image.mot", 1), 1);
    EXPECT_EQ(low.Size(), 1);
}

TEST(LoadImage, BadFilesFail) {
    test::TempDir dir;
    RecordList low, main, top;
    ImageLoader loader;
    // Empty: nothing to read. Plain text: it is descrambled like any file, into garbage.
    EXPECT_EQ(loader.LoadImage(low, main, top, dir.Write("empty.mot", {}).string(), 1), 1);
    const std::string plain = test::PlainImageText(ValidLines("V1"));
    EXPECT_EQ(loader.LoadImage(low, main, top,
                               dir.Write("plain.mot", {plain.begin(), plain.end()}).string(), 1),
              1);
    EXPECT_EQ(loader.LoadImage(low, main, top, dir.Path().string(), 1), 1);  // a directory
}

TEST(LoadImage, LeadingBlanksBeforeTheHeaderAreSkipped) {
    const std::string text = " \n\r\n  " + test::PlainImageText(ValidLines("V1"));
    EXPECT_EQ(test::LoadPlainText(text).result, 0);
}

TEST(ImageFile, FileLargerThanTheLimitIsRefusedBeforeReading) {
    test::TempDir dir;
    const auto path = dir.Write("big.mot", {});
    std::vector<uint8_t> bytes;
    std::filesystem::resize_file(path, kMaxImageFileSize + 1);
    EXPECT_EQ(ReadImageFile(path.string(), kMaxImageFileSize, bytes), FileReadResult::TooLarge);
    EXPECT_TRUE(bytes.empty());
    RecordList low, main, top;
    ImageLoader loader;
    EXPECT_EQ(loader.LoadImage(low, main, top, path.string(), 1), 1);

    std::filesystem::resize_file(path, kMaxImageFileSize);
    EXPECT_EQ(ReadImageFile(path.string(), kMaxImageFileSize, bytes), FileReadResult::Ok);
    EXPECT_EQ(bytes.size(), kMaxImageFileSize);
}

TEST(ImageFile, ReadShorterThanTheSizeFails) {
    std::istringstream in(std::string(10, 'S'));
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadExactly(in, 11, bytes), FileReadResult::ShortRead);
    EXPECT_TRUE(bytes.empty());
    std::istringstream whole(std::string(10, 'S'));
    EXPECT_EQ(ReadExactly(whole, 10, bytes), FileReadResult::Ok);
    EXPECT_EQ(bytes.size(), 10u);
}

TEST(ImageFile, MissingFileCannotBeOpened) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadImageFile("/nonexistent/image.mot", kMaxImageFileSize, bytes),
              FileReadResult::CannotOpen);
}

class LoadAndValidate : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::vector<test::Line>& lines) {
        return dir_.Write(name, test::Scrambled(test::PlainImageText(lines))).string();
    }
    test::TempDir dir_;
};

TEST_F(LoadAndValidate, EmbeddedImageIsValid) {
    FirmwareImage image;
    EXPECT_TRUE(LoadAndValidateImage(image, "", 0));
    EXPECT_EQ(image.VersionText(), "V2.10.07");
    ASSERT_FALSE(image.topAreaTransferList.Empty());
    EXPECT_EQ(image.topAreaTransferList[0].address, 0xFFF00u);
}

TEST_F(LoadAndValidate, UserFileGivesVersionTagAndTransferList) {
    FirmwareImage image;
    EXPECT_TRUE(LoadAndValidateImage(image, Write("ok.mot", ValidLines("V3.4")), 1,
                                     ImageLoadForm::SpecialSettings));
    EXPECT_EQ(image.VersionText(), "V3.4");
    EXPECT_EQ(image.imageTopAreaTag[0], test::PatternBytes(2, 64)[32]);
    EXPECT_EQ(image.topAreaTransferList.Size(), 3);  // 0xFFF00 first, then both in order
}

TEST_F(LoadAndValidate, WrongModelIsInvalid) {
    auto lines = ValidLines("V1");
    lines[1].bytes[3] = 'X';
    FirmwareImage image;
    EXPECT_FALSE(
        LoadAndValidateImage(image, Write("other.mot", lines), 1, ImageLoadForm::SpecialSettings));
    EXPECT_EQ(image.VersionText(), "");  // never read
}

TEST_F(LoadAndValidate, FormsDifferAfterAFailedLoad) {
    // The identity block is stored, then the top area fails; the version block precedes it.
    auto lines = ValidLines("V7");
    lines.push_back({0xFFFF8, test::PatternBytes(5, 6)});
    const std::string path = Write("bad.mot", lines);

    FirmwareImage startUp;
    EXPECT_FALSE(LoadAndValidateImage(startUp, path, 1, ImageLoadForm::StartUp));
    EXPECT_EQ(startUp.VersionText(), "V7");  // the checks ran over the stored blocks

    FirmwareImage special;
    EXPECT_FALSE(LoadAndValidateImage(special, path, 1, ImageLoadForm::SpecialSettings));
    EXPECT_EQ(special.VersionText(), "");  // the checks were skipped
    // The transfer list is rebuilt in both forms from what the load left.
    EXPECT_EQ(special.topAreaTransferList.Size(), startUp.topAreaTransferList.Size());
}

TEST_F(LoadAndValidate, VersionIsKeptWhenTheNewImageHasNone) {
    FirmwareImage image;
    ASSERT_TRUE(LoadAndValidateImage(image, Write("a.mot", ValidLines("V1.2.3.4.5")), 1));
    EXPECT_EQ(image.VersionText(), "V1.2.3.4");  // at most 8 characters
    EXPECT_TRUE(LoadAndValidateImage(image, Write("b.mot", {{0x80000, {1, 2, 3, 4}}}), 1));
    EXPECT_EQ(image.VersionText(), "V1.2.3.4");
    EXPECT_TRUE(image.topAreaTransferList.Empty());
}

}  // namespace
}  // namespace updater
