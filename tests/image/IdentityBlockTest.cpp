#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "image/ImageLoader.h"
#include "tests/image/ImageTestSupport.h"

namespace updater {
namespace {

const std::string& kIdentity = test::kModelIdentityText;

// Bytes of an identity block: the identity, 16 other bytes, the version, more bytes.
std::vector<uint8_t> IdentityBytes(const std::string& identity, const std::string& version,
                                   int total) {
    std::vector<uint8_t> bytes(identity.begin(), identity.end());
    bytes.resize(48, 0x11);
    bytes.insert(bytes.end(), version.begin(), version.end());
    bytes.resize(static_cast<size_t>(total), 0x22);
    return bytes;
}

std::array<uint8_t, 8> VersionOf(const std::string& text) {
    std::array<uint8_t, 8> version{};
    std::memcpy(version.data(), text.data(), std::min<size_t>(text.size(), 8));
    return version;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    for (uint8_t byte : b) a.push_back(byte);
    return a;
}

TEST(CheckIdentityBlock, AcceptsTheModelAndReadsTheVersion) {
    RecordList main;
    main.Append(test::MakeRecord(0xD0000, IdentityBytes(kIdentity, "V1.02.03", 64)));
    std::array<uint8_t, 8> version{};
    EXPECT_TRUE(ImageLoader::CheckIdentityBlock(main, version));
    EXPECT_EQ(version, VersionOf("V1.02.03"));
}

TEST(CheckIdentityBlock, BlockStartingBeforeTheIdentityIsOffset) {
    // 16 bytes before 0xD0000, then the identity block: byte 16 is the one at 0xD0000.
    RecordList main;
    main.Append(test::MakeRecord(0xCFF00, std::vector<uint8_t>(16, 0x33)));  // ends too early
    main.Append(test::MakeRecord(0xCFFF0, Concat(std::vector<uint8_t>(16, 0x44),
                                                 IdentityBytes(kIdentity, "ABCDEFGH", 112))));
    std::array<uint8_t, 8> version{};
    EXPECT_TRUE(ImageLoader::CheckIdentityBlock(main, version));
    EXPECT_EQ(version, VersionOf("ABCDEFGH"));
}

TEST(CheckIdentityBlock, NoIdentityBlockPassesAndKeepsTheVersion) {
    RecordList main;
    main.Append(test::MakeRecord(0x80000, IdentityBytes("wrong", "V9", 64)));
    main.Append(test::MakeRecord(0xCFE00, std::vector<uint8_t>(128, 0x55)));
    std::array<uint8_t, 8> version = VersionOf("KEEPME!!");
    EXPECT_TRUE(ImageLoader::CheckIdentityBlock(main, version));
    EXPECT_EQ(version, VersionOf("KEEPME!!"));
    EXPECT_TRUE(ImageLoader::CheckIdentityBlock(RecordList{}, version));
    EXPECT_EQ(version, VersionOf("KEEPME!!"));
}

struct IdentityCase {
    const char* name;
    uint32_t address;
    std::vector<uint8_t> bytes;
    bool accepted;
    std::array<uint8_t, 8> version;  // after the call; starts as "unset!!!"
};

class CheckIdentityBlockCase : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(CheckIdentityBlockCase, GivesResultAndVersion) {
    RecordList main;
    main.Append(test::MakeRecord(GetParam().address, GetParam().bytes));
    std::array<uint8_t, 8> version = VersionOf("unset!!!");
    EXPECT_EQ(ImageLoader::CheckIdentityBlock(main, version), GetParam().accepted);
    EXPECT_EQ(version, GetParam().version);
}

std::string WithByte(std::string s, size_t i, char c) {
    s[i] = c;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckIdentityBlockCase,
    ::testing::Values(
        IdentityCase{"ThreeTrailingSpaces", 0xD0000,
                     IdentityBytes(std::string("QA-7712/7713 NORVALE LMR BI   \0\0", 32), "V1", 64),
                     false, VersionOf("unset!!!")},
        IdentityCase{"NoZeroAfterTheString", 0xD0000,
                     IdentityBytes(WithByte(kIdentity, 31, ' '), "V1", 64), false,
                     VersionOf("unset!!!")},
        IdentityCase{"OtherModel", 0xD0000, IdentityBytes(WithByte(kIdentity, 5, '3'), "V1", 64),
                     false, VersionOf("unset!!!")},
        // A block that ends exactly at 0xD0000 holds no identity byte.
        IdentityCase{"BlockEndsAtIdentity", 0xCFFF0, std::vector<uint8_t>(16, 0x20), false,
                     VersionOf("unset!!!")},
        IdentityCase{"FewerThan32IdentityBytes", 0xD0000,
                     std::vector<uint8_t>(kIdentity.begin(), kIdentity.begin() + 28), false,
                     VersionOf("unset!!!")},
        IdentityCase{"BlockStartsAfterIdentity",
                     0xD0040,
                     IdentityBytes(kIdentity, "V1", 64),
                     true,
                     {'V', '1', 0x22, 0x22, 0x22, 0x22, 0x22, 0x22}},
        // Version bytes the block does not hold read as 0xFF.
        IdentityCase{"VersionMissing",
                     0xD0000,
                     IdentityBytes(kIdentity, "", 32),
                     true,
                     {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        IdentityCase{"VersionCut",
                     0xD0000,
                     IdentityBytes(kIdentity, "V1.2", 52),
                     true,
                     {'V', '1', '.', '2', 0xFF, 0xFF, 0xFF, 0xFF}}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<uint8_t> TagBlockBytes(int total) {
    std::vector<uint8_t> bytes(32, 0x01);
    for (int i = 0; i < 16; ++i) bytes.push_back(static_cast<uint8_t>(0x80 + 7 * i));
    bytes.resize(static_cast<size_t>(total), 0x02);
    return bytes;
}

std::array<uint8_t, 16> ExpectedTag() {
    std::array<uint8_t, 16> tag{};
    for (int i = 0; i < 16; ++i) tag[static_cast<size_t>(i)] = static_cast<uint8_t>(0x80 + 7 * i);
    return tag;
}

TEST(ReadTopAreaTag, ReadsTheTagOfTheVersionBlock) {
    RecordList top;
    top.Append(test::MakeRecord(0xF0080, std::vector<uint8_t>(16, 0)));  // passed over
    top.Append(test::MakeRecord(0xF0000, TagBlockBytes(128)));
    std::array<uint8_t, 16> tag{};
    EXPECT_TRUE(ImageLoader::ReadTopAreaTag(top, tag));
    EXPECT_EQ(tag, ExpectedTag());
}

TEST(ReadTopAreaTag, MissingTagBytesReadAsFF) {
    RecordList top;
    top.Append(test::MakeRecord(0xF0000, TagBlockBytes(40)));
    std::array<uint8_t, 16> tag{};
    EXPECT_TRUE(ImageLoader::ReadTopAreaTag(top, tag));
    auto expected = ExpectedTag();
    std::fill(expected.begin() + 8, expected.end(), 0xFF);
    EXPECT_EQ(tag, expected);
}

TEST(ReadTopAreaTag, WithoutVersionBlock) {
    std::array<uint8_t, 16> tag{};
    tag.fill(0x5A);
    const auto unchanged = tag;
    RecordList onlyLow;
    onlyLow.Append(test::MakeRecord(0xF0080, std::vector<uint8_t>(16, 0)));
    EXPECT_TRUE(ImageLoader::ReadTopAreaTag(onlyLow, tag));
    EXPECT_EQ(tag, unchanged);

    RecordList high = onlyLow;
    high.Append(test::MakeRecord(0xF0100, std::vector<uint8_t>(16, 0)));
    high.Append(test::MakeRecord(0xF0000, TagBlockBytes(128)));  // too late
    EXPECT_FALSE(ImageLoader::ReadTopAreaTag(high, tag));
    EXPECT_EQ(tag, unchanged);
}

std::vector<uint32_t> Addresses(const RecordList& list) {
    std::vector<uint32_t> addresses;
    for (const ImageRecord& r : list) addresses.push_back(r.address);
    return addresses;
}

TEST(BuildTopAreaTransferList, TopBlockFirstAndBlocksAboveLeftOut) {
    RecordList top, transfer;
    std::vector<uint32_t> expected = {0xFFF00};
    for (uint32_t a = 0xF0000; a <= 0xFFF80; a += 0x80) {
        top.Append(test::MakeRecord(a, std::vector<uint8_t>(128, 0)));
        if (a <= 0xFFF00) expected.push_back(a);
    }
    EXPECT_TRUE(ImageLoader::BuildTopAreaTransferList(top, transfer));
    EXPECT_EQ(Addresses(transfer), expected);
}

TEST(BuildTopAreaTransferList, FirstBlockAboveTheLimitNeedNotBeAtIt) {
    RecordList top, transfer;
    for (uint32_t a : {0xF0000u, 0xF0080u, 0xFFF40u, 0xFFFC0u}) {
        top.Append(test::MakeRecord(a, std::vector<uint8_t>(64, 0)));
    }
    ImageLoader::BuildTopAreaTransferList(top, transfer);
    EXPECT_EQ(Addresses(transfer), (std::vector<uint32_t>{0xFFF40, 0xF0000, 0xF0080}));
}

TEST(BuildTopAreaTransferList, WithoutTopBlocksKeepsListOrder) {
    RecordList top, transfer;
    for (uint32_t a : {0xF0000u, 0xF8000u, 0xF0080u}) {
        top.Append(test::MakeRecord(a, std::vector<uint8_t>(8, 0)));
    }
    ImageLoader::BuildTopAreaTransferList(top, transfer);
    EXPECT_EQ(Addresses(transfer), (std::vector<uint32_t>{0xF0000, 0xF8000, 0xF0080}));
    RecordList empty, emptyTransfer;
    ImageLoader::BuildTopAreaTransferList(empty, emptyTransfer);
    EXPECT_TRUE(emptyTransfer.Empty());
}

}  // namespace
}  // namespace updater
