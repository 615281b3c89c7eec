#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

// The RS232 command protocol and sample stream (docs/protocol.md); the link
// library and the drive simulator both speak it. Pure functions over bytes.
namespace dr420::protocol {

constexpr uint8_t kRequestSync = 0x3C;
constexpr uint8_t kResponseSync = 0xC3;
constexpr uint8_t kErrorFlag = 0x80; // set in a response's code byte for a refusal
constexpr uint8_t kSampleSync0 = 0xA5;
constexpr uint8_t kSampleSync1 = 0x5A;
constexpr int kCommandFrameBytes = 8; // sync, code, 4 data, CRC low, CRC high
constexpr int kSampleFrameBytes = 68; // sync 2, 64 data, CRC low, CRC high

// Refusal reasons carried in the first data byte of an error response.
enum RefusalCode : uint8_t {
    kRefusedUnknownCommand = 1,
    kRefusedUnknownRegister = 2,
    kRefusedValue = 3,
    kRefusedWhileRunning = 4,
};

// CRC-16/MODBUS (poly 0xA001 reflected, init 0xFFFF), as Modbus RTU uses.
uint16_t crc16(const uint8_t *data, size_t size);
inline uint16_t crc16(const QByteArray &bytes)
{
    return crc16(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
}

using Data4 = std::array<uint8_t, 4>;

QByteArray encodeRequest(uint8_t code, const Data4 &data);
QByteArray encodeResponse(uint8_t code, const Data4 &data);
// A refusal of 65/66 names the register (data bytes 1, 2) so that a late
// refusal is never taken for the answer to another register.
QByteArray encodeRefusal(uint8_t code, uint8_t reason, uint16_t address = 0);
QByteArray encodeSampleFrame(const uint8_t *data64);

struct CommandFrame {
    uint8_t code = 0;
    Data4 data{};
    bool refused = false; // responses only: the error flag was set
};

// Decodes one whole frame of kCommandFrameBytes starting with `sync`; false
// for a wrong sync byte or CRC.
bool decodeCommandFrame(const char *bytes, uint8_t sync, CommandFrame *out);

// Finds the first whole, valid frame with `sync` in `buffer` and removes it
// together with everything before it. Returns false (buffer untouched) when
// no whole valid frame is there yet.
bool takeCommandFrame(QByteArray &buffer, uint8_t sync, CommandFrame *out);

// True when `bytes` (68 of them) is a sample frame with a valid CRC.
bool isValidSampleFrame(const char *bytes);
// Bytes to drop from the front of a sample buffer that does not start with a
// valid frame: up to the next sample sync pair after the first byte, or all
// but the last byte when there is none (it may be the first half of a sync).
int resyncSkip(const QByteArray &buffer);

// True when `answer` answers `request` (code, data): 65 must echo the
// register (its data bytes 2, 3; a refusal in bytes 1, 2), 66 and the other
// commands their request data (a refusal of 66 the register). An answer to an
// earlier request that arrived late fails this test.
bool answersRequest(uint8_t code, const Data4 &request, const CommandFrame &answer);

// Wire time of `bytes` bytes at `baud` with one start, 8 data and `stopBits` stop bits.
inline double wireSeconds(int bytes, int baud, int stopBits = 1)
{
    return baud > 0 ? bytes * (9.0 + stopBits) / baud : 0.0;
}

// Baud code of command 50 at connection: 19200 -> 3, 57600 -> 2, 115200 -> 1, other -> 3.
uint8_t baudCode(int baud);
// The rate a baud code stands for (0 for an unknown code).
int baudFromCode(uint8_t code);

} // namespace dr420::protocol
