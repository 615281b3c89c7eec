#include "DriveJobs.h"

#include "StepProgressDlg.h"
#include "paramdb/ParameterStore.h"
#include "common/DialogService.h"

#include <QFileInfo>

namespace dr420 {

namespace {
const QString kMdbFilter = QStringLiteral("DR420 Parameter File(*.mdb)|*.mdb||");
constexpr int kListedAtMost = 40;

QString listed(const QStringList &items)
{
    QStringList shown = items.mid(0, kListedAtMost);
    if (items.size() > kListedAtMost)
        shown << QStringLiteral("... and %1 more").arg(items.size() - kListedAtMost);
    return shown.join(QLatin1Char('\n'));
}
} // namespace

bool readDriveWithProgress(QWidget *parent, const ParameterList &definitions, ParameterList *values,
                           QStringList *failures)
{
    DriveSnapshot snapshot(definitions);
    CStepProgressDlg dialog(QStringLiteral("Read Function Code From DR420"),
                            {[&] { return snapshot.finished(); }, [&] { return snapshot.step(); },
                             [&] { return snapshot.progress(); }},
                            true, parent);
    dialog.exec();
    *values = snapshot.values();
    *failures = snapshot.failures();
    return !dialog.wasStopped();
}

QString backupFileName(const QDateTime &when)
{
    return QStringLiteral("DR420 backup %1.mdb").arg(when.toString(QStringLiteral("yyyy-MM-dd HHmm")));
}

bool backupDriveToFile(QWidget *parent, const ParameterList &definitions)
{
    DialogService::FileRequest request;
    request.save = true;
    request.title = QStringLiteral("Backup Drive to File");
    request.defaultExtension = QStringLiteral("mdb");
    request.filter = kMdbFilter;
    request.initialPath = backupFileName(QDateTime::currentDateTime());
    const QString path = dialogs().chooseFile(parent, request);
    if (path.isEmpty())
        return false;
    const QString refusal = saveTargetRefusal(path);
    if (!refusal.isEmpty()) {
        showMessage(refusal);
        return false;
    }
    ParameterList values;
    QStringList failures;
    if (!readDriveWithProgress(parent, definitions, &values, &failures)) {
        showMessage(QStringLiteral("Backup stopped: nothing was saved."), QString(), MessageIcon::Information);
        return false;
    }
    if (!failures.isEmpty()) {
        showMessage(QStringLiteral("Backup not saved: %1 of %2 parameters could not be read from the drive:\n%3")
                        .arg(failures.size())
                        .arg(definitions.size())
                        .arg(listed(failures)));
        return false;
    }
    if (!SaveParameterList(path, values))
        return false; // the reason has been shown
    showMessage(QStringLiteral("Backup saved: %1 parameters read from the drive into\n%2")
                    .arg(values.size())
                    .arg(QFileInfo(path).fileName()),
                QString(), MessageIcon::Information);
    return true;
}

bool restoreFileToDrive(QWidget *parent)
{
    DialogService::FileRequest request;
    request.title = QStringLiteral("Restore File to Drive");
    request.filter = kMdbFilter;
    const QString path = dialogs().chooseFile(parent, request);
    if (path.isEmpty())
        return false;
    ParameterList file;
    const LoadResult loaded = LoadParameterList(path, &file);
    if (!loaded.opened || file.empty()) {
        if (loaded.opened)
            showMessage(QStringLiteral("No parameters in %1.").arg(QFileInfo(path).fileName()));
        return false;
    }
    ParameterList drive;
    QStringList failures;
    if (!readDriveWithProgress(parent, file, &drive, &failures))
        return false;
    RestoreRun run(file, drive);
    if (run.planned().empty()) {
        QString text = QStringLiteral("The drive already holds the values of %1.").arg(QFileInfo(path).fileName());
        if (!run.skipped().isEmpty())
            text += QStringLiteral("\n%1 parameter(s) left out:\n%2").arg(run.skipped().size()).arg(listed(run.skipped()));
        showMessage(text, QString(), MessageIcon::Information);
        return run.skipped().isEmpty() && failures.isEmpty();
    }
    // What would change, for the engineer to see before anything is sent.
    QHash<QString, QString> now;
    for (const ParameterRecord &r : drive)
        now.insert(r.PNO.trimmed(), r.Value);
    QStringList details;
    for (const ParameterRecord &r : run.planned())
        details << QStringLiteral("%1 %2: %3 -> %4 %5")
                       .arg(r.PNO, r.Name, now.value(r.PNO.trimmed()), r.Value, r.Unit)
                       .trimmed();
    for (const QString &s : run.skipped())
        details << QStringLiteral("left out: %1").arg(s);
    if (!dialogs().confirm(parent, QStringLiteral("Restore File to Drive"),
                           QStringLiteral("%1 parameter(s) of the drive differ from %2 and will be written; "
                                          "%3 left out. Write them now?")
                               .arg(run.planned().size())
                               .arg(QFileInfo(path).fileName())
                               .arg(run.skipped().size()),
                           details))
        return false;
    CStepProgressDlg dialog(QStringLiteral("Write Function Code In DR420"),
                            {[&] { return run.finished(); }, [&] { return run.step(); }, [&] { return run.progress(); }},
                            true, parent);
    dialog.exec();
    QString text = run.summary();
    if (dialog.wasStopped())
        text.prepend(QStringLiteral("Stopped. "));
    const auto section = [&text](const QString &title, const QStringList &items) {
        if (!items.isEmpty())
            text += QStringLiteral("\n\n%1:\n%2").arg(title, listed(items));
    };
    section(QStringLiteral("Refused while the drive runs"), run.refused());
    section(QStringLiteral("Failed"), run.failed());
    section(QStringLiteral("Did not take the value"), run.notTaken());
    section(QStringLiteral("Not read from the drive"), failures);
    const bool ok = run.allDone() && !dialog.wasStopped() && failures.isEmpty();
    showMessage(text, QString(), ok ? MessageIcon::Information : MessageIcon::Warning);
    return ok;
}

} // namespace dr420
