#include "SamplingState.h"

namespace dr420 {

std::atomic<bool> &samplingActive()
{
    static std::atomic<bool> flag{false};
    return flag;
}

std::atomic<bool> &acquiring()
{
    static std::atomic<bool> flag{false};
    return flag;
}

} // namespace dr420
