#include <QCoreApplication>

#include <gtest/gtest.h>

// Tests of the core run inside a QCoreApplication so that queued signals and threads work.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
