// The test program's entry. With "--second-instance NAME" it plays the
// second start of a program instead of running the tests: it builds the
// single-instance guard and answers by its exit code.
#include "shell/SingleInstanceGuard.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
// 0: another instance was found and its window handled; 1: this was the
// first instance; 2: another instance was found but had stored no window;
// 3: the guard could not be made.
int RunSecondInstance(const char* name)
{
    CSingleInstanceGuard guard(name);
    if (!guard.IsValid()) {
        return 3;
    }
    if (guard.IsFirstInstance()) {
        return 1;
    }
    return guard.GetFirstWindow() != nullptr ? 0 : 2;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--second-instance") == 0) {
        return RunSecondInstance(argv[2]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
