#pragma once

#include <functional>

namespace dr420 {

// A wait of `ms` milliseconds: through `sleep` when one is given (tests pass
// one that only counts), else the calling thread really sleeps.
void waitMs(const std::function<void(int)> &sleep, int ms);

} // namespace dr420
