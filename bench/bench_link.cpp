// Drive link throughput against the simulator on a pseudo-terminal:
//  1. register round trips per second without wire-time emulation (goal >= 5000/s)
//  2. parameter-sized reads at 115200 bit/s with wire-time emulation, as a
//     fraction of what the wire allows for the frames (goal >= 90 %)
// for both the RS232 command protocol and Modbus RTU.
#include "DriveSimulator.h"
#include "link/Protocol.h"
#include "link/SerialLinkDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace dr420;

namespace {
struct Result {
    double perSecond;
    int failures;
};

Result run(bool rs485, bool wire, int count)
{
    sim::SimOptions o;
    o.rs485 = rs485;
    o.wireTime = wire;
    sim::DriveSimulator drive(o);
    drive.start();
    SerialLinkDriver link;
    link.openDevice(drive.slavePath(), 115200, rs485 ? 2 : 0);
    int failures = 0;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        if (rs485) {
            uint32_t v;
            failures += link.readRegister(1, 0x3000, &v) != 0;
        } else {
            const uint8_t data[4] = {0x00, 0x30, 0, 0};
            uint8_t response[4];
            failures += link.command(65, data, response) == 0;
        }
    }
    return {count / (t.nsecsElapsed() / 1e9), failures};
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (bool rs485 : {false, true}) {
        const char *name = rs485 ? "RS485 Modbus read" : "RS232 command 65";
        const Result fast = run(rs485, false, 20000);
        std::printf("%-18s no wire emulation: %8.0f round trips/s (goal >= 5000), %d failures\n", name,
                    fast.perSecond, fast.failures);
        const int bytes = rs485 ? 8 + 7 : 2 * protocol::kCommandFrameBytes;
        const double limit = 1.0 / protocol::wireSeconds(bytes, 115200, rs485 ? 2 : 1);
        const Result wire = run(rs485, true, 2000);
        std::printf("%-18s 115200 with wire time: %6.0f reads/s of %6.0f the wire allows = %5.1f %% (goal >= 90 %%), %d failures\n",
                    name, wire.perSecond, limit, 100.0 * wire.perSecond / limit, wire.failures);
    }
    return 0;
}
