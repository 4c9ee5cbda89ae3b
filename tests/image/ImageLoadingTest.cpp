#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>

#include "image/FirmwareImage.h"
#include "image/ImageFile.h"
#include "image/ImageLoader.h"
#include "image/ImageText.h"
#include "res/EmbeddedImage.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

std::vector<test::Line> ValidLines(const std::string& version) {
    return test::ValidImageLines(version);
}

TEST(LoadImage, EmbeddedImageLoadsWithoutAnyFile) {
    ASSERT_GT(EmbeddedImageBytes().size(), 100000u);
    RecordList low, main, top;
    ImageLoader loader;
    EXPECT_TRUE(loader.LoadImage(low, main, top, EmbeddedImage()));
    EXPECT_FALSE(low.Empty());
    EXPECT_FALSE(main.Empty());
    EXPECT_FALSE(top.Empty());
}

// The image the program carries is read where it lies; bytes given in memory are copied, since
// the blocks may outlive them; a program without an image says so.
TEST(StoredImage, CarriedBytesAreSharedGivenBytesCopied) {
    const std::vector<uint8_t> bytes = test::Scrambled(test::PlainImageText(ValidLines("V1")));
    const StoredImage carried = StoredImage::Carried(bytes);
    ASSERT_EQ(carried.Problem(), ImageProblem::None);
    EXPECT_EQ(carried.Text()->Bytes().data(), bytes.data());
    const StoredImage copied = StoredImage::Copied(bytes);
    ASSERT_EQ(copied.Problem(), ImageProblem::None);
    EXPECT_NE(copied.Text()->Bytes().data(), bytes.data());
    EXPECT_TRUE(std::ranges::equal(copied.Text()->Bytes(), bytes));

    RecordList low, main, top;
    ImageLoader loader;
    EXPECT_FALSE(loader.LoadImage(low, main, top, StoredImage::Carried({})));
    EXPECT_EQ(loader.Problem(), ImageProblem::EmbeddedImageMissing);
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
    EXPECT_TRUE(loader.LoadImage(low, main, top, StoredImage::ReadFile(path.string())));
    EXPECT_EQ(loader.Path(), std::optional(path.string()));
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
    ASSERT_TRUE(first.LoadImage(low, main, top, StoredImage::ReadFile(path.string())));
    const int blocks = low.Size() + main.Size() + top.Size();
    ASSERT_TRUE(second.LoadImage(low, main, top, StoredImage::ReadFile(path.string())));
    EXPECT_EQ(low.Size() + main.Size() + top.Size(), blocks);
}

TEST(LoadImage, UnreadableSourceLeavesTheListsAsTheyWere) {
    RecordList low, main, top;
    low.Append(test::MakeRecord(0x10000, {1, 2, 3, 4}));
    ImageLoader loader;
    EXPECT_FALSE(
        loader.LoadImage(low, main, top, StoredImage::ReadFile("/nonexistent/dir/image.mot")));
    EXPECT_EQ(low.Size(), 1);
}

TEST(LoadImage, BadFilesFailWithTheirReasons) {
    test::TempDir dir;
    const std::string plain = test::PlainImageText(ValidLines("V1"));
    std::string malformed = plain;
    malformed[malformed.find("S2") + 12] ^= 1;  // a data digit: the checksum no longer holds
    const struct {
        std::string path;
        ImageProblem problem;
    } cases[] = {
        {dir.Write("empty.mot", {}).string(), ImageProblem::EmptyFile},
        // A plain text is descrambled like any file, into noise; its own bytes read as records.
        {dir.Write("plain.mot", {plain.begin(), plain.end()}).string(),
         ImageProblem::PlainSRecordText},
        {dir.Write("noise.mot", {'n', 'o', 't'}).string(), ImageProblem::NotSRecordText},
        {dir.Write("bad.mot", test::Scrambled(malformed)).string(), ImageProblem::MalformedSRecord},
        {dir.Write("headless.mot", test::Scrambled(plain.substr(plain.find('\n') + 1))).string(),
         ImageProblem::NoHeader},
#ifndef _WIN32
        // It reports a size of 0, but has content: read to its end, it is no image.
        {"/proc/self/status", ImageProblem::NotSRecordText},
#endif
        {dir.Path().string(), ImageProblem::Directory},
        {(dir.Path() / "missing.mot").string(), ImageProblem::FileMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        RecordList low, main, top;
        ImageLoader loader;
        EXPECT_FALSE(loader.LoadImage(low, main, top, StoredImage::ReadFile(c.path)));
        EXPECT_EQ(loader.Problem(), c.problem);
    }
}

TEST(LoadImage, DataLinesBeyondTheLimitAreRefused) {
    // Empty lines outside the areas: only the count of lines matters.
    std::vector<test::Line> lines(static_cast<size_t>(kMaxDataLines), {0x20000, {}});
    ImageLoader loader;
    RecordList low, main, top;
    EXPECT_TRUE(loader.LoadImage(
        low, main, top, StoredImage::Copied(test::Scrambled(test::PlainImageText(lines)))));
    lines.push_back({0x20000, {}});
    EXPECT_FALSE(loader.LoadImage(
        low, main, top, StoredImage::Copied(test::Scrambled(test::PlainImageText(lines)))));
    EXPECT_EQ(loader.Problem(), ImageProblem::TooManyDataLines);
}

TEST(LoadImage, LeadingBlanksBeforeTheHeaderAreSkipped) {
    const std::string text = " \n\r\n  " + test::PlainImageText(ValidLines("V1"));
    EXPECT_TRUE(test::LoadPlainText(text).loaded);
}

TEST(ImageFile, FileLargerThanTheLimitIsRefusedBeforeReading) {
    test::TempDir dir;
    const auto path = dir.Write("big.mot", {});
    std::vector<uint8_t> bytes;
    std::filesystem::resize_file(path, kMaxImageFileSize + 1);
    EXPECT_EQ(ReadImageFile(path.string(), kMaxImageFileSize, bytes), ImageProblem::TooLarge);
    EXPECT_TRUE(bytes.empty());
    RecordList low, main, top;
    ImageLoader loader;
    EXPECT_FALSE(loader.LoadImage(low, main, top, StoredImage::ReadFile(path.string())));
    EXPECT_EQ(loader.Problem(), ImageProblem::TooLarge);

    std::filesystem::resize_file(path, kMaxImageFileSize);
    EXPECT_EQ(ReadImageFile(path.string(), kMaxImageFileSize, bytes), ImageProblem::None);
    EXPECT_EQ(bytes.size(), kMaxImageFileSize);
}

#ifndef _WIN32
TEST(ImageFile, ReadShorterThanTheSizeFails) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "SSSSSSSSSS", 10), 10);
    close(ends[1]);  // the reader then meets the end after 10 bytes
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadWhole(ends[0], 11, bytes), ImageProblem::ReadFailed);
    EXPECT_TRUE(bytes.empty());
    close(ends[0]);

    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "SSSSSSSSSS", 10), 10);
    EXPECT_EQ(ReadWhole(ends[0], 10, bytes), ImageProblem::None);
    EXPECT_EQ(bytes.size(), 10u);
    close(ends[0]);
    close(ends[1]);
}

// None of these may block: a FIFO without a writer would wait for ever if it were opened for
// reading in the ordinary way.
TEST(ImageFile, OnlyRegularFilesAreRead) {
    test::TempDir dir;
    const auto fifo = dir.Path() / "image.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        ImageProblem problem;
    } cases[] = {
        {fifo.string(), ImageProblem::NotRegularFile},
        {"/dev/null", ImageProblem::NotRegularFile},
        {dir.Path().string(), ImageProblem::Directory},
        {(dir.Path() / "missing.mot").string(), ImageProblem::FileMissing},
        {(dir.Path() / "missing" / "image.mot").string(), ImageProblem::FileMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ReadImageFile(c.path, kMaxImageFileSize, bytes), c.problem);
        EXPECT_TRUE(bytes.empty());
    }
}
#endif

class LoadAndValidate : public ::testing::Test {
  protected:
    StoredImage Write(const std::string& name, const std::vector<test::Line>& lines) {
        return StoredImage::ReadFile(
            dir_.Write(name, test::Scrambled(test::PlainImageText(lines))).string());
    }
    test::TempDir dir_;
};

TEST_F(LoadAndValidate, EmbeddedImageIsValid) {
    FirmwareImage image;
    EXPECT_TRUE(LoadAndValidateImage(image, EmbeddedImage()));
    EXPECT_EQ(image.VersionText(), "V2.10.07");
    ASSERT_FALSE(image.topAreaTransferList.Empty());
    EXPECT_EQ(image.topAreaTransferList[0].address, 0xFFF00u);
}

TEST_F(LoadAndValidate, UserFileGivesVersionTagAndTransferList) {
    FirmwareImage image;
    EXPECT_TRUE(LoadAndValidateImage(image, Write("ok.mot", ValidLines("V3.4")),
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
        LoadAndValidateImage(image, Write("other.mot", lines), ImageLoadForm::SpecialSettings));
    EXPECT_EQ(image.VersionText(), "");  // never read
    EXPECT_EQ(image.problem, ImageProblem::OtherModel);
}

TEST_F(LoadAndValidate, TopAreaWithoutItsVersionBlockFirstIsInvalid) {
    FirmwareImage image;
    EXPECT_FALSE(LoadAndValidateImage(image, Write("top.mot", {{0xF0100, {1, 2, 3, 4}}})));
    EXPECT_EQ(image.problem, ImageProblem::TopAreaOutOfOrder);
}

// Writing such an image would open the port and change nothing in the radio.
TEST_F(LoadAndValidate, ImageWithNothingToWriteIsRefused) {
    const struct {
        const char* name;
        std::vector<test::Line> lines;
    } cases[] = {
        {"no data lines", {}},
        {"empty data lines", {{0x80000, {}}, {0xF0000, {}}}},
        {"only lines outside the areas", {{0x20000, {1, 2, 3, 4}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FirmwareImage image;
        EXPECT_FALSE(LoadAndValidateImage(image, Write("nothing.mot", c.lines)));
        EXPECT_EQ(image.problem, ImageProblem::NothingToWrite);
    }
    FirmwareImage one;
    EXPECT_TRUE(LoadAndValidateImage(one, Write("one.mot", {{0x10000, {1, 2, 3, 4}}})));
    EXPECT_EQ(one.problem, ImageProblem::None);
}

TEST_F(LoadAndValidate, FormsDifferAfterAFailedLoad) {
    // The identity block is stored, then the top area fails; the version block precedes it.
    auto lines = ValidLines("V7");
    lines.push_back({0xFFFF8, test::PatternBytes(5, 6)});
    const StoredImage stored = Write("bad.mot", lines);

    FirmwareImage startUp;
    EXPECT_FALSE(LoadAndValidateImage(startUp, stored, ImageLoadForm::StartUp));
    EXPECT_EQ(startUp.VersionText(), "V7");  // the checks ran over the stored blocks
    EXPECT_EQ(startUp.problem, ImageProblem::BlocksDoNotFit);  // the first refusal is kept

    FirmwareImage special;
    EXPECT_FALSE(LoadAndValidateImage(special, stored, ImageLoadForm::SpecialSettings));
    EXPECT_EQ(special.VersionText(), "");  // the checks were skipped
    // The transfer list is rebuilt in both forms from what the load left.
    EXPECT_EQ(special.topAreaTransferList.Size(), startUp.topAreaTransferList.Size());
}

TEST_F(LoadAndValidate, VersionIsKeptWhenTheNewImageHasNone) {
    FirmwareImage image;
    ASSERT_TRUE(LoadAndValidateImage(image, Write("a.mot", ValidLines("V1.2.3.4.5"))));
    EXPECT_EQ(image.VersionText(), "V1.2.3.4");  // at most 8 characters
    EXPECT_TRUE(LoadAndValidateImage(image, Write("b.mot", {{0x80000, {1, 2, 3, 4}}})));
    EXPECT_EQ(image.VersionText(), "V1.2.3.4");
    EXPECT_TRUE(image.topAreaTransferList.Empty());
}

}  // namespace
}  // namespace updater
