#pragma once

#include "link/Link.h"
#include "common/DialogService.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace dr420::test {

// Records every message and answers file and colour dialogs from queues.
class RecordingDialogs final : public DialogService
{
public:
    struct Message {
        QString text;
        QString caption;
        MessageIcon icon;
    };

    RecordingDialogs() { setDialogService(this); }
    ~RecordingDialogs() override { setDialogService(nullptr); }

    void message(const QString &text, const QString &caption, MessageIcon icon) override
    {
        messages.append({text, caption, icon});
    }
    QString chooseFile(QWidget *, const FileRequest &request) override
    {
        fileRequests.append(request);
        return fileAnswers.empty() ? QString() : takeFirst(fileAnswers);
    }
    bool chooseColour(QWidget *, QColor &colour) override
    {
        ++colourRequests;
        if (colourAnswers.empty() || !colourAnswers.front().isValid()) {
            if (!colourAnswers.empty())
                colourAnswers.pop_front();
            return false;
        }
        colour = colourAnswers.front();
        colourAnswers.pop_front();
        return true;
    }

    bool confirm(QWidget *, const QString &title, const QString &text, const QStringList &details) override
    {
        confirmations.append({title, text, details});
        return confirmAnswers.empty() ? false : takeFirstBool();
    }

    QStringList texts() const
    {
        QStringList t;
        for (const Message &m : messages)
            t << m.text;
        return t;
    }

    QList<Message> messages;
    QList<FileRequest> fileRequests;
    std::deque<QString> fileAnswers;     // empty text = Cancel
    std::deque<QColor> colourAnswers;    // invalid colour = Cancel
    int colourRequests = 0;
    struct Confirmation {
        QString title;
        QString text;
        QStringList details;
    };
    QList<Confirmation> confirmations;
    std::deque<bool> confirmAnswers; // none left = Cancel

private:
    bool takeFirstBool()
    {
        const bool b = confirmAnswers.front();
        confirmAnswers.pop_front();
        return b;
    }
    static QString takeFirst(std::deque<QString> &q)
    {
        QString s = q.front();
        q.pop_front();
        return s;
    }
};

// A link whose answers the test scripts; logs every call. Installed for the
// lifetime of the object.
class ScriptedLink final : public LinkDriver
{
public:
    struct Call {
        QString op;
        int a = 0;
        int b = 0;
        std::vector<uint8_t> data;
        bool linkLockHeld = false; // commands 65/66 only
    };

    ScriptedLink() { setLinkDriver(this); }
    ~ScriptedLink() override { setLinkDriver(nullptr); }

    int open(int port, int baud, int, int, int stopCode) override;
    void close() override;
    int readRegister(uint8_t station, uint16_t address, uint32_t *value) override;
    int writeRegister(uint8_t station, uint16_t address, uint16_t value) override;
    int bytesAvailable() override;
    int receive(uint8_t *data64, uint32_t *unread, int reserved) override;
    int command(uint8_t code, const uint8_t *data4, uint8_t *response4) override;

    QList<Call> calls() const;
    int count(const QString &op) const;

    // Behaviour knobs.
    bool opens = true;
    bool answers = true;        // register reads and commands succeed
    uint16_t registerValue = 3; // what register reads return (and 0x3000)
    QHash<int, uint16_t> registers;  // per-address values, where set
    QSet<int> failingAddresses;      // reads and writes of these fail
    std::deque<int> openResults;     // when not empty, each open takes the next
    std::deque<int> commandResults;  // when not empty, each command takes the next
    // Notes something the code under test did between link calls (a wait).
    void mark(const QString &op, int a, bool linkLockHeld = false) { log({op, a, 0, {}, linkLockHeld}); }

private:
    void log(Call call);
    mutable std::mutex m_lock;
    QList<Call> m_calls;
};

// Collects the log lines that contain `needle` while it exists (for example
// Qt's "Ambiguous shortcut" warnings, which say a key did nothing).
class LogWatch
{
public:
    explicit LogWatch(QString needle);
    ~LogWatch();
    QStringList lines() const;

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    QString m_needle;
    mutable std::mutex m_lock; // messages may come from any thread
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

// True when the link lock is held, by the caller or anyone (asked from a
// helper thread: trying a lock one already holds is undefined).
bool linkLockHeld();

// A scratch program directory with copies of the sample files; restores the
// real program directory when it goes away.
class ScratchProgramDir
{
public:
    ScratchProgramDir();
    ~ScratchProgramDir();
    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString file(const QString &name) const { return path() + name; }
    // Copies a file of the build's program directory (the test's own).
    bool copyFromBuild(const QString &name);

private:
    QTemporaryDir m_dir;
};

// Folder of the shared test data, or empty when it is not beside the checkout.
QString sharedTestData();

// A tmpfs of `kilobytes` mounted on a temporary directory for the life of the
// object: a disk that fills up. Needs root (CI runs as root); ok() says
// whether it is there.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(int kilobytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;
    bool ok() const { return m_mounted; }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Gives the process private runtime and profile folders, so tests never meet
// the user's running program or settings. Call before anything uses them.
void isolateUserFolders();

} // namespace dr420::test
