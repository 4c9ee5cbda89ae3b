// The terminal's progress line: the figures and the text drawn from them.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <ostream>

#include "cli/ProgressLine.h"

namespace updater::cli {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

struct EstimateCase {
    int done, total;
    milliseconds elapsed;
    std::optional<seconds> left;
};

void PrintTo(const EstimateCase& c, std::ostream* out) {
    *out << c.done << " of " << c.total << " in " << c.elapsed.count() << " ms";
}

class ProgressEstimates : public ::testing::TestWithParam<EstimateCase> {};

TEST_P(ProgressEstimates, FollowThePaceSoFar) {
    const EstimateCase& c = GetParam();
    const ProgressFigures figures = EstimateProgress(c.done, c.total, c.elapsed);
    EXPECT_EQ(figures.left, c.left);
    EXPECT_EQ(figures.elapsed, std::chrono::duration_cast<seconds>(c.elapsed));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressEstimates,
    ::testing::Values(EstimateCase{0, 100, milliseconds(5000), std::nullopt},  // no pace yet
                      EstimateCase{25, 100, milliseconds(30000), seconds(90)},
                      EstimateCase{1, 3, milliseconds(1500), seconds(3)},
                      EstimateCase{99, 100, milliseconds(99001), seconds(2)},  // rounded up
                      EstimateCase{100, 100, milliseconds(120000), seconds(0)},
                      EstimateCase{120, 100, milliseconds(1000), seconds(0)}));  // pinned

TEST(ProgressLineText, ShowsBarPercentBlocksAndTimes) {
    ProgressFigures figures;
    figures.done = 1180;
    figures.total = 2950;
    figures.elapsed = seconds(48);
    figures.left = seconds(72);
    EXPECT_EQ(ProgressLineText(figures),
              "Writing [############..................]  40%  1180/2950 blocks  0:48 elapsed  "
              "1:12 left");
    figures.done = 0;
    figures.left.reset();
    EXPECT_EQ(ProgressLineText(figures),
              "Writing [..............................]   0%  0/2950 blocks  0:48 elapsed  -:-- "
              "left");
}

TEST(DurationText, MinutesAndHours) {
    EXPECT_EQ(DurationText(seconds(0)), "0:00");
    EXPECT_EQ(DurationText(seconds(59)), "0:59");
    EXPECT_EQ(DurationText(seconds(125)), "2:05");
    EXPECT_EQ(DurationText(seconds(3725)), "1:02:05");
}

}  // namespace
}  // namespace updater::cli
