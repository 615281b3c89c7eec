#pragma once

#include <QByteArray>
#include <QString>

namespace dr420 {

// Text files of existing installations are in code page 936 (GBK); newer
// ones in UTF-8. A file is UTF-8 when its bytes are valid UTF-8, else GBK,
// and is written back in the encoding it came in.
enum class TextEncoding { Utf8, Gbk };

TextEncoding detectEncoding(const QByteArray &bytes);
QString decodeText(const QByteArray &bytes, TextEncoding encoding);
// UTF-8 when valid, else GBK.
inline QString decodeText(const QByteArray &bytes)
{
    return decodeText(bytes, detectEncoding(bytes));
}
QByteArray encodeText(const QString &text, TextEncoding encoding);

} // namespace dr420
