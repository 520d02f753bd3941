// A large file with many distinct operands is scanned in one linear pass.
#include <gtest/gtest.h>

#include <string>

#include "metrics/halstead.h"
#include "testutil.h"

TEST(HalsteadScale, FiftyThousandOperandsAMillionTimes)
{
    const int distinct = 50000, lineCount = 500000;
    std::string text;
    text.reserve(lineCount * 20);
    for (int k = 0; k < lineCount; ++k) {
        text += "id" + std::to_string(k % distinct) + " = id" + std::to_string((k * 7 + 1) % distinct) + ";\n";
    }
    testutil::TempDir dir;
    testutil::writeFile(dir.file("big.c"), text);
    HalsteadCounts c{};
    runHalsteadPass(dir.file("big.c").c_str(), nullptr, &c);
    EXPECT_EQ(c.N2, 2 * lineCount);
    EXPECT_EQ(c.n2, distinct);
    EXPECT_EQ(c.N1, 2 * lineCount);
    EXPECT_EQ(c.n1, 2);
    EXPECT_EQ(c.Total, lineCount);
    EXPECT_EQ(c.Src1, lineCount);
}

// Each pass counts its own operand set: what an earlier file (or the same
// file scanned before) saw must not make an operand look known.
TEST(HalsteadScale, EveryPassStartsWithAnEmptyOperandSet)
{
    testutil::TempDir dir;
    std::string many;
    for (int k = 0; k < 10000; ++k) many += "v" + std::to_string(k) + ";\n";
    testutil::writeFile(dir.file("many.c"), many);
    testutil::writeFile(dir.file("few.c"), "v1 = v2 + v1;\n");
    HalsteadCounts first{}, few{}, again{};
    runHalsteadPass(dir.file("many.c").c_str(), nullptr, &first);
    runHalsteadPass(dir.file("few.c").c_str(), nullptr, &few);
    runHalsteadPass(dir.file("many.c").c_str(), nullptr, &again);
    EXPECT_EQ(first.n2, 10000);
    EXPECT_EQ(few.n2, 2);
    EXPECT_EQ(few.N2, 3);
    EXPECT_EQ(again.n2, 10000);
    EXPECT_EQ(again.N2, 10000);
}
