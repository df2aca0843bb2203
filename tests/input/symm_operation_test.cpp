#include "input/symm_operation.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tessaro {
namespace {

using textio::ReadStatus;
using Rows = std::array<std::array<std::int32_t, 3>, 3>;

struct SymmCase {
  const char* text;
  Rows coefficient;  // [output j][input c]
  std::array<double, 3> translation;
};

// Expected values worked out by hand from the operation texts.
const SymmCase kCases[] = {
    {"x,y,z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 0}},
    {"-x+1/2,-y,z+1/2", {{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}, {0.5, 0, 0.5}},
    {"y-1/2,x,-z", {{{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}}, {-0.5, 0, 0}},
    {"x+0.25,y,z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.25, 0, 0}},
    {"1/2+x,y,z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.5, 0, 0}},
    {"x+1,y,z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {1, 0, 0}},
    // The trailing integer of the last component is read like x+1 above.
    {"x,y,z+1", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 1}},
    {"x,y,-z-12", {{{1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, {0, 0, -12}},
    {"x,y", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 0}}}, {0, 0, 0}},
    {"X,-Y,Z+1/4", {{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}, {0, 0, 0.25}},
    {" x , y+1/2 , -z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, -1}}}, {0, 0.5, 0}},
    {"x-y,x,z+0.75", {{{1, -1, 0}, {1, 0, 0}, {0, 0, 1}}}, {0, 0, 0.75}},
    {"-x,-y,-z-1/3", {{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}, {0, 0, -static_cast<double>(1.0f / 3.0f)}},
    // A colon straight before x is none of the component start, '+', '-' or
    // a blank: the coefficient stays 0. With a blank between, it is set.
    {":x,y,z", {{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 0}},
    {": x,y,z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 0}},
    // A decimal point straight before the digits belongs to the number.
    {"x+.5,y,z-.25", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.5, 0, -0.25}},
    // Only the first number of a component is taken.
    {"x+1/2+1/4,y,z", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0.5, 0, 0}},
    // Anything after the third component is ignored.
    {"x,y,z,1/2", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 0}},
    {",y,z", {{{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 0}},
    {"", {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}, {0, 0, 0}},
    // A decimal translation that ends the text, and a fraction whose
    // denominator ends it.
    {"x,y,z-0.125", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, -0.125}},
    {"x,y,z+3/4", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {0, 0, 0.75}},
};

TEST(InputSymmOperation, TableOfOperationTexts) {
  for (const SymmCase& c : kCases) {
    SymmOperation op;
    // The text is the 40 columns 5-44 of the line: padded with blanks.
    std::string text = c.text;
    text.resize(40, ' ');
    ASSERT_EQ(parse_symm_operation(text, op), ReadStatus::Ok) << c.text;
    EXPECT_EQ(op.coefficient, c.coefficient) << c.text;
    for (int j = 0; j < 3; ++j) EXPECT_EQ(op.translation[j], c.translation[j]) << c.text << " component " << j;
  }
}

TEST(InputSymmOperation, DecimalsAreDoubleFractionsSingle) {
  SymmOperation op;
  ASSERT_EQ(parse_symm_operation("x+0.1,y+1/3,z", op), ReadStatus::Ok);
  EXPECT_EQ(op.translation[0], 0.1);  // not 0.1f widened
  EXPECT_EQ(op.translation[1], 0.3333333432674408);
}

TEST(InputSymmOperation, MalformedNumbersFailAsReads) {
  SymmOperation op;
  // A letter does not end a number: "2x" is read as a number and fails.
  EXPECT_EQ(parse_symm_operation("2x,y,z", op), ReadStatus::Error);
  EXPECT_EQ(parse_symm_operation("x,y,z+1a", op), ReadStatus::Error);
  // A fraction without a denominator, or with a zero one.
  EXPECT_EQ(parse_symm_operation("x+1/,y,z", op), ReadStatus::Error);
  EXPECT_EQ(parse_symm_operation("x,y,z+1/", op), ReadStatus::Error);
  EXPECT_EQ(parse_symm_operation("x,y,z+1/ 2", op), ReadStatus::Error);
  EXPECT_EQ(parse_symm_operation("x+1/0,y,z", op), ReadStatus::Error);
  // A numerator beyond a 4-byte integer.
  EXPECT_NE(parse_symm_operation("x+99999999999/2,y,z", op), ReadStatus::Ok);
}

// Any text of the 40 columns parses or fails as a read, without reading
// outside the text.
TEST(InputSymmOperation, RandomTextsNeverCrash) {
  std::mt19937 gen(12345);
  const std::string alphabet = "xyzXYZ+-,./:0123456789 \t*'a";
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 40);
  for (int n = 0; n < 20000; ++n) {
    std::string text(static_cast<std::size_t>(length(gen)), ' ');
    for (char& ch : text) ch = alphabet[pick(gen)];
    text.resize(40, ' ');
    SymmOperation op;
    const ReadStatus status = parse_symm_operation(text, op);
    if (status != ReadStatus::Ok) continue;
    for (const auto& row : op.coefficient)
      for (std::int32_t c : row) EXPECT_TRUE(c >= -1 && c <= 1) << text;
  }
}

}  // namespace
}  // namespace tessaro
