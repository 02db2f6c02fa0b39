// Entry point of the window tests: the program's own application object
// (errors reaching the event loop are shown, not fatal) on the offscreen
// platform unless another platform was asked for.
#include "core/OrvaneApplication.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    ::testing::InitGoogleTest(&argc, argv);
    OrvaneApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
