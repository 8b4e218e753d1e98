#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    // The ports wait for the bridge on the toolkit's event loop.
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
