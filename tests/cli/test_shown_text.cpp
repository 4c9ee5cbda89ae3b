// Texts from outside the program as the human-readable output shows them: nothing that a
// terminal would take as a command, everything else as it is.
#include <gtest/gtest.h>

#include <string>

#include "cli/ShownText.h"

namespace updater::cli {
namespace {

TEST(ShownText, EscapesWhatATerminalWouldObeyAndKeepsTheRest) {
    const struct {
        std::string text;
        bool keepLineEnds;
        std::string shown;
    } cases[] = {
        {"V2.00.01", false, "V2.00.01"},
        {"\x1b]0;title\x07", false, "\\x1B]0;title\\x07"},
        {"a\nb\rc\td", false, "a\\x0Ab\\x0Dc\\x09d"},
        {"a\nb", true, "a\nb"},
        {"del\x7f", false, "del\\x7F"},
        {"Pr\xc3\xbc"
         "fstand",
         false,
         "Pr\xc3\xbc"
         "fstand"},  // UTF-8 stays readable
        {"c1 \xc2\x9b"
         "2J",
         false, "c1 \\xC2\\x9B2J"},  // a C1 control in UTF-8
        {"raw \x9b"
         "2J",
         false, "raw \\x9B2J"},                       // a C1 control byte alone
        {"cut \xe2\x82", false, "cut \\xE2\\x82"},    // a sequence cut short
        {"long \xc0\xaf", false, "long \\xC0\\xAF"},  // an overlong form
    };
    for (const auto& c : cases) EXPECT_EQ(Shown(c.text, c.keepLineEnds), c.shown) << c.shown;
}

}  // namespace
}  // namespace updater::cli
