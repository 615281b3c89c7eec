#include "Messages.h"

#include <cstring>

#include <cstdio>

namespace dr420 {
namespace {
class StderrMessages final : public MessageService
{
public:
    void message(const QString &text, const QString &caption, MessageIcon) override
    {
        const QString head = caption.isEmpty() ? kAppTitle : caption;
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(head), qUtf8Printable(text.trimmed()));
    }
};

StderrMessages g_stderrMessages;
MessageService *g_service = &g_stderrMessages;
} // namespace

MessageService &messages()
{
    return *g_service;
}

void setMessageService(MessageService *service)
{
    g_service = service ? service : &g_stderrMessages;
}

void showMessage(const QString &text, const QString &caption, MessageIcon icon)
{
    messages().message(text, caption, icon);
}

QString systemErrorText(int err)
{
    const char *text = strerrordesc_np(err);
    return text ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(err);
}

} // namespace dr420
