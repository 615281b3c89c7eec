#pragma once

#include <atomic>

namespace dr420 {

// Set while the oscilloscope samples; the connect command, the link watch and
// the parameter editor's read, write and edit commands stand still meanwhile.
std::atomic<bool> &samplingActive();
// The oscilloscope's worker threads loop while this is set.
std::atomic<bool> &acquiring();

} // namespace dr420
