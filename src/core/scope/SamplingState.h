#pragma once

#include <atomic>

namespace dr420 {

// Set while the oscilloscope samples; the connect command, the link watch and
// the parameter editor's read, write and edit commands stand still meanwhile.
std::atomic<bool> &samplingActive();
// Set while a sampling engine acquires (each engine owns its own stop flag,
// SamplingEngine::isAcquiring; this mirrors them for the readers that ask
// the process). Written by SamplingEngine only.
std::atomic<bool> &acquiring();

} // namespace dr420
