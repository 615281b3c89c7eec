// The .wave reader: whatever the file, a result and a consistent model.
#include "FuzzSupport.h"
#include "wave/WaveFile.h"
#include "wave/WaveModel.h"

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    dr420::fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    dr420::WaveModel model;
    const dr420::WaveLoadResult r = dr420::LoadWaveFile(model, dr420::fuzz::asFile(data, size, ".wave"));
    if (model.sampleCount() > 60000 || (!r.ok && r.rows > 0 && model.sampleCount() != 0 && r.message.isEmpty()))
        std::abort();
    // What was loaded saves and loads back alike.
    (void)dr420::waveFileBytes(model);
    return 0;
}
