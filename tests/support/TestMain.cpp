#include <QCoreApplication>

#include <gtest/gtest.h>

// Every test runs with a QCoreApplication on the main thread, which is the GUI thread of the
// core: event loops, timers and the hand-off queue work as in the program.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
