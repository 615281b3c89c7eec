#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace dr420 {

TextEncoding detectEncoding(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString probe = utf8(bytes);
    (void)probe;
    return utf8.hasError() ? TextEncoding::Gbk : TextEncoding::Utf8;
}

QString decodeText(const QByteArray &bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes);
    QStringDecoder gbk("GBK");
    if (!gbk.isValid()) // a Qt without ICU: keep the bytes visible at least
        return QString::fromLatin1(bytes);
    return gbk(bytes);
}

QByteArray encodeText(const QString &text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        return text.toLatin1();
    return gbk(text);
}

} // namespace dr420
