// One QApplication for all window tests: Qt allows only one per process.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // No display is needed: also when the test list is read at build time.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
