#include "Wait.h"

#include <chrono>
#include <thread>

namespace dr420 {

void waitMs(const std::function<void(int)> &sleep, int ms)
{
    if (sleep)
        sleep(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace dr420
