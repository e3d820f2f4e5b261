#pragma once
// For a test whose fault cannot be set up on this machine (no tmpfs to fill,
// no file attributes to keep): skipped with the reason, which ctest then
// counts as skipped, or failed when the CI variable is set, so that a CI run
// cannot pass without having tried the fault.
#include <cstdlib>
#include <gtest/gtest.h>

#define SKIP_OR_FAIL_IN_CI(reason)                 \
    do {                                           \
        if (std::getenv("CI")) FAIL() << (reason); \
        else GTEST_SKIP() << (reason);             \
    } while (0)
