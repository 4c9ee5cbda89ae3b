// The window tests drive real Win32 dialogs on this thread, which serves their messages.
#include <gtest/gtest.h>

#include "win/CommonControls.h"

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
