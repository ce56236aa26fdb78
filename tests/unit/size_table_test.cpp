#include "size_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace zerofill {
namespace {

struct ConversionCase {
  const char* text;
  std::uint32_t expected;
};

class ConvertSizeInKb : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConvertSizeInKb, FollowsTheDecimalRuleWrappingModulo2To32) {
  EXPECT_EQ(convert_size_in_kb(GetParam().text), GetParam().expected)
      << "input: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    PlainAndWhiteSpace, ConvertSizeInKb,
    testing::Values(ConversionCase{"128", 128}, ConversionCase{"4096", 4096},
                    ConversionCase{"   128", 128}, ConversionCase{"\t128", 128},
                    ConversionCase{" \t\n\v\f\r128", 128},
                    // Only the six C white-space characters are skipped.
                    ConversionCase{"\xA0"
                                   "128",
                                   0},
                    ConversionCase{"\x85"
                                   "128",
                                   0},
                    ConversionCase{"\x1C"
                                   "128",
                                   0}));

INSTANTIATE_TEST_SUITE_P(
    Signs, ConvertSizeInKb,
    testing::Values(ConversionCase{"+128", 128},
                    ConversionCase{"-128", 0xFFFFFF80U},
                    ConversionCase{"  -1", 0xFFFFFFFFU}, ConversionCase{"+", 0},
                    ConversionCase{"-", 0}, ConversionCase{"+-128", 0},
                    ConversionCase{"--128", 0}, ConversionCase{"- 128", 0},
                    ConversionCase{"-0", 0}));

INSTANTIATE_TEST_SUITE_P(
    LeadingZerosAndTrailingJunk, ConvertSizeInKb,
    testing::Values(ConversionCase{"0128", 128},
                    ConversionCase{"000000000000000000000000128", 128},
                    ConversionCase{"128kb", 128}, ConversionCase{"128.9", 128},
                    ConversionCase{"128 256", 128}, ConversionCase{"kb128", 0},
                    ConversionCase{"abc", 0}, ConversionCase{"", 0},
                    ConversionCase{" ", 0}, ConversionCase{".5", 0},
                    ConversionCase{"0x80", 0}));

INSTANTIATE_TEST_SUITE_P(
    WrapsModulo2To32, ConvertSizeInKb,
    testing::Values(ConversionCase{"2147483647", 0x7FFFFFFFU},
                    ConversionCase{"2147483648", 0x80000000U},
                    ConversionCase{"-2147483648", 0x80000000U},
                    ConversionCase{"4294967295", 0xFFFFFFFFU},
                    ConversionCase{"4294967296", 0},
                    // 2^32 more than an accepted size is that size.
                    ConversionCase{"4294967424", 128},
                    ConversionCase{"8589938688", 4096},
                    // Minus a value that wraps to minus 128 is 128.
                    ConversionCase{"-4294967168", 128},
                    ConversionCase{"99999999999999999999", 1661992959U},
                    // 10^43 is a multiple of 2^32.
                    ConversionCase{
                        "10000000000000000000000000000000000000000000"
                        "128",
                        128}));

TEST(ConvertSizeInKbLongInput, ThousandsOfDigitsStillWrap) {
  // 10^k for k >= 32 is 0 modulo 2^32, so this is 256 however long it is.
  const std::string text = "1" + std::string(5000, '0') + "256";
  EXPECT_EQ(convert_size_in_kb(text.c_str()), 256U);
}

struct LookupCase {
  std::uint32_t size;
  std::uint32_t block_count;  // 0: no row
};

class FindSizeRow : public testing::TestWithParam<LookupCase> {};

TEST_P(FindSizeRow, MatchesExactlyOneOfTheSixRows) {
  const SizeRow* row = find_size_row(GetParam().size);
  if (GetParam().block_count == 0) {
    EXPECT_EQ(row, nullptr) << "size " << GetParam().size;
  } else {
    ASSERT_NE(row, nullptr) << "size " << GetParam().size;
    EXPECT_EQ(row->size_in_kb, GetParam().size);
    EXPECT_EQ(row->block_count, GetParam().block_count);
  }
}

INSTANTIATE_TEST_SUITE_P(
    RowsAndTheirNeighbours, FindSizeRow,
    testing::Values(
        LookupCase{127, 0}, LookupCase{128, 64}, LookupCase{129, 0},
        LookupCase{255, 0}, LookupCase{256, 128}, LookupCase{257, 0},
        LookupCase{511, 0}, LookupCase{512, 256}, LookupCase{513, 0},
        LookupCase{1023, 0}, LookupCase{1024, 512}, LookupCase{1025, 0},
        LookupCase{2047, 0}, LookupCase{2048, 1024}, LookupCase{2049, 0},
        LookupCase{4095, 0}, LookupCase{4096, 2048}, LookupCase{4097, 0},
        // Block counts and other powers of two are not sizes.
        LookupCase{0, 0}, LookupCase{64, 0}, LookupCase{100, 0},
        LookupCase{8192, 0}, LookupCase{0xFFFFFF80U, 0},
        LookupCase{0xFFFFFFFFU, 0}));

}  // namespace
}  // namespace zerofill
