#include <gtest/gtest.h>

#include "platform/MainThread.h"

int main(int argc, char** argv)
{
    platform::MarkMainThread();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
