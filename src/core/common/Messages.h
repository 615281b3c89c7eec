#pragma once

#include <QString>

namespace dr420 {

inline const QString kAppTitle = QStringLiteral("DR420 Monitor");

enum class MessageIcon { None, Information, Warning, Error, Question };

// Every message the user must read goes through here, so that core code can
// report without knowing about windows and tests can record what was said.
// The GUI installs a service that shows a modal box; without one, messages go
// to standard error (command-line tools).
class MessageService
{
public:
    virtual ~MessageService() = default;
    // An empty caption means the application title.
    virtual void message(const QString &text, const QString &caption, MessageIcon icon) = 0;
};

MessageService &messages();
// Installs a service (not owned); nullptr restores the standard-error one.
void setMessageService(MessageService *service);

// Shortcut for the common case.
void showMessage(const QString &text, const QString &caption = QString(),
                 MessageIcon icon = MessageIcon::Warning);

// The system's reason for an errno value in English, whatever the locale:
// the program's messages are English, and scripts match "No space left on
// device".
QString systemErrorText(int err);

} // namespace dr420
