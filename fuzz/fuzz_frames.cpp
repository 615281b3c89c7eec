// The RS232 command frames and the sample stream's resynchronisation: any
// bytes, no fault, and the buffer always shrinks.
#include "link/Protocol.h"

#include <cstdlib>

using namespace dr420::protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray buffer(reinterpret_cast<const char *>(data), qsizetype(size));
    CommandFrame frame;
    QByteArray commands = buffer;
    while (takeCommandFrame(commands, kResponseSync, &frame))
        (void)answersRequest(frame.code, frame.data, frame);
    QByteArray samples = buffer;
    while (samples.size() >= kSampleFrameBytes) {
        if (isValidSampleFrame(samples.constData())) {
            samples.remove(0, kSampleFrameBytes);
            continue;
        }
        const int skip = resyncSkip(samples);
        if (skip <= 0 || skip > samples.size())
            std::abort();
        samples.remove(0, skip);
    }
    return 0;
}
