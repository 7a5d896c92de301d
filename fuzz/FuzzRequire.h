#pragma once

#include <cstdlib>

// A broken promise of a reader under the fuzzer is a finding, like a crash.
inline void require(bool holds)
{
    if (!holds)
        std::abort();
}
