#include "Protocol.h"

namespace dr420::protocol {

uint16_t crc16(const uint8_t *data, size_t size)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

namespace {
void appendCrc(QByteArray &frame)
{
    const uint16_t crc = crc16(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
}

QByteArray commandFrame(uint8_t sync, uint8_t code, const Data4 &data)
{
    QByteArray frame;
    frame.reserve(kCommandFrameBytes);
    frame.append(char(sync));
    frame.append(char(code));
    for (uint8_t b : data)
        frame.append(char(b));
    appendCrc(frame);
    return frame;
}

bool crcMatches(const char *bytes, int size)
{
    const auto *u = reinterpret_cast<const uint8_t *>(bytes);
    const uint16_t crc = crc16(u, size_t(size - 2));
    return u[size - 2] == (crc & 0xFF) && u[size - 1] == (crc >> 8);
}
} // namespace

QByteArray encodeRequest(uint8_t code, const Data4 &data)
{
    return commandFrame(kRequestSync, code, data);
}

QByteArray encodeResponse(uint8_t code, const Data4 &data)
{
    return commandFrame(kResponseSync, code, data);
}

QByteArray encodeRefusal(uint8_t code, uint8_t reason, uint16_t address)
{
    return commandFrame(kResponseSync, uint8_t(code | kErrorFlag),
                        Data4{reason, uint8_t(address & 0xFF), uint8_t(address >> 8), 0});
}

bool answersRequest(uint8_t code, const Data4 &request, const CommandFrame &answer)
{
    if (answer.code != code)
        return false;
    const bool registerCommand = code == 65 || code == 66;
    if (answer.refused)
        return !registerCommand || (answer.data[1] == request[0] && answer.data[2] == request[1]);
    if (code == 65)
        return answer.data[2] == request[0] && answer.data[3] == request[1];
    return answer.data == request;
}

QByteArray encodeSampleFrame(const uint8_t *data64)
{
    QByteArray frame;
    frame.reserve(kSampleFrameBytes);
    frame.append(char(kSampleSync0));
    frame.append(char(kSampleSync1));
    frame.append(reinterpret_cast<const char *>(data64), 64);
    appendCrc(frame);
    return frame;
}

bool decodeCommandFrame(const char *bytes, uint8_t sync, CommandFrame *out)
{
    if (uint8_t(bytes[0]) != sync || !crcMatches(bytes, kCommandFrameBytes))
        return false;
    const uint8_t code = uint8_t(bytes[1]);
    out->refused = sync == kResponseSync && (code & kErrorFlag);
    out->code = sync == kResponseSync ? uint8_t(code & ~kErrorFlag) : code;
    for (int i = 0; i < 4; ++i)
        out->data[size_t(i)] = uint8_t(bytes[2 + i]);
    return true;
}

bool takeCommandFrame(QByteArray &buffer, uint8_t sync, CommandFrame *out)
{
    for (int at = buffer.indexOf(char(sync)); at >= 0 && at + kCommandFrameBytes <= buffer.size();
         at = buffer.indexOf(char(sync), at + 1)) {
        if (decodeCommandFrame(buffer.constData() + at, sync, out)) {
            buffer.remove(0, at + kCommandFrameBytes);
            return true;
        }
    }
    return false;
}

bool isValidSampleFrame(const char *bytes)
{
    return uint8_t(bytes[0]) == kSampleSync0 && uint8_t(bytes[1]) == kSampleSync1 &&
           crcMatches(bytes, kSampleFrameBytes);
}

int resyncSkip(const QByteArray &buffer)
{
    for (int i = 1; i + 1 < buffer.size(); ++i)
        if (uint8_t(buffer[i]) == kSampleSync0 && uint8_t(buffer[i + 1]) == kSampleSync1)
            return i;
    return std::max<int>(int(buffer.size()) - 1, buffer.isEmpty() ? 0 : 1);
}

uint8_t baudCode(int baud)
{
    switch (baud) {
    case 115200: return 1;
    case 57600: return 2;
    default: return 3;
    }
}

int baudFromCode(uint8_t code)
{
    switch (code) {
    case 1: return 115200;
    case 2: return 57600;
    case 3: return 19200;
    default: return 0;
    }
}

} // namespace dr420::protocol
