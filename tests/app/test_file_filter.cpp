#include <gtest/gtest.h>

#include "ui/FileFilter.h"

namespace updater {
namespace {

TEST(FileFilter, TranslatesPairedFiltersIntoQtFilters) {
    const struct {
        const char* paired;
        const char* expected;
    } cases[] = {
        {"MOT File(*.mot)|*.mot||", "MOT File(*.mot)"},
        {"Images|*.png;*.jpg||", "Images (*.png *.jpg)"},
        {"MOT File(*.mot)|*.mot|All Files|*.*||", "MOT File(*.mot);;All Files (*.*)"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QtFileFilter(c.paired).toStdString(), c.expected) << c.paired;
    }
}

}  // namespace
}  // namespace updater
