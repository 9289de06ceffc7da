#include <QApplication>

#include <gtest/gtest.h>

// Widget tests run with a QApplication on the main thread, offscreen unless a platform is
// chosen, so they need no display.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
