#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace dr420 {

// Read/write attribute of a parameter.
enum ParameterAttribute : int {
    kReadOnly = 0,            // never edited, never sent
    kReadOnlyWhileRunning = 1, // edited and sent only while the drive is stopped
    kReadWrite = 2,
};

// One parameter definition with its current value text. Copied by value.
struct ParameterRecord {
    QString GroupNO;
    QString GroupName;
    QString PNO;
    QString Description;
    int32_t RW = 0;
    QString Name;
    int32_t Sign = 0;
    uint8_t ZPoint = 0;
    uint8_t MultiLmt = 0;
    QString Value;
    QString Unit;
    int32_t MinLmt = 0;
    QString MinVal;
    int32_t MaxLmt = 0;
    QString MaxVal;
    int32_t InputType = 0;
    // Options[0]: a selection parameter's choices; Options[1..5]: the
    // choices of digit 1..5 of a multi-digit parameter. Each is "key:text".
    std::array<QStringList, 6> Options;

    bool isSelection() const { return InputType != 0; }
    bool isMultiDigit() const { return InputType != 0 && MultiLmt != 0; }
};

// The process-wide table the parameter editor works on. User-interface thread only.
std::vector<ParameterRecord> &ParameterTable();

} // namespace dr420
