#include "clijournal.h"

#include "console.h"
#include "registersession.h"

#include <journalrecorder.h>

#include <QFile>
#include <QProcessEnvironment>

#include <memory>

namespace clijournal {

namespace {

// A run that comes later than this after the last one begins a new visit.
constexpr qint64 kVisitGapSecs = 30 * 60;

struct State
{
    QString path; // --journal
    bool disabled = false;
    bool tried = false; // opened once per run, whatever came of it
    std::unique_ptr<journal::JournalRecorder> recorder;
    QString outcome;
};

State &state()
{
    static State s;
    return s;
}

// The recorder with a visit under way, or none.
journal::JournalRecorder *visit()
{
    journal::JournalRecorder *recorder = state().recorder.get();
    return recorder && recorder->isOpen() && recorder->hasVisit() ? recorder : nullptr;
}

} // namespace

QString problemText(const journal::ServiceJournal &journal)
{
    using S = journal::ServiceJournal::State;
    switch (journal.state()) {
    case S::NotJournal:
        return QStringLiteral("not a journal: %1").arg(journal.problem());
    case S::Damaged:
        return QStringLiteral("damaged: %1").arg(journal.problem());
    case S::Locked:
        return QStringLiteral("locked by another program");
    case S::Newer:
        return QStringLiteral("made by a newer version: %1").arg(journal.problem());
    default:
        return journal.problem();
    }
}

void setPath(const QString &path)
{
    state().path = path;
}

void setDisabled(bool disabled)
{
    state().disabled = disabled;
}

bool disabled()
{
    return state().disabled;
}

QString path()
{
    if (!state().path.isEmpty())
        return state().path;
    const QString fromEnvironment =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("KELO_JOURNAL"));
    return fromEnvironment.isEmpty() ? journal::ServiceJournal::defaultPath() : fromEnvironment;
}

QString unavailableText(const QString &path, const QString &reason)
{
    return QStringLiteral("journal %1 unavailable (%2)").arg(path, reason);
}

void identified(RegisterSession &session, const ops::RegisterIdentity &identity, const QString &port)
{
    State &s = state();
    if (s.disabled)
        return;
    if (!s.tried) {
        s.tried = true;
        s.recorder = std::make_unique<journal::JournalRecorder>(QString::fromLatin1(kFrontEnd));
        if (!s.recorder->open(path())) {
            Console::warn(unavailableText(path(), problemText(*s.recorder->journal()))
                          + QStringLiteral("; working without it"));
            return;
        }
    }
    if (!s.recorder || !s.recorder->isOpen())
        return;
    const journal::RegisterInfo info = journal::JournalRecorder::readRegister(
        [&session](const QString &command) { return session.exec(command); }, session.passwordText(),
        identity);
    // Each kelo-cli run is a process of its own: the commands of one service
    // call (identify, read documents, back up, dump) make one visit.
    if (!s.recorder->hasVisit() && s.recorder->resume(info, port, kVisitGapSecs))
        return;
    if (!s.recorder->identified(info, port) && !info.serial.isEmpty()) {
        // Opened, but it takes nothing: another program holds it for writing.
        // Said once; the run does not wait on it again.
        Console::warn(
            unavailableText(path(), QStringLiteral("it cannot be written; another program may hold it"))
            + QStringLiteral("; working without it"));
        s.recorder.reset();
    }
}

void setOutcome(const QString &text)
{
    state().outcome = text;
}

void finish(const QString &command, int exitCode)
{
    journal::JournalRecorder *recorder = visit();
    if (!recorder)
        return;
    const bool ok = exitCode == ExitOk;
    QString outcome = ok ? state().outcome : Console::lastError();
    if (outcome.isEmpty())
        outcome = ok ? Console::lastMessage() : QStringLiteral("exit code %1").arg(exitCode);
    if (outcome.isEmpty())
        outcome = QStringLiteral("done");
    recorder->operation(command, outcome, ok);
    QString why;
    if (recorder->takeWriteFailure(&why))
        Console::warn(QStringLiteral("journal %1: a record of this run could not be written (%2)").arg(path(), why));
}

void document(const ops::FnDocument &doc)
{
    // Neither FF3A nor FF3B tells whether the OFD has confirmed the document.
    if (journal::JournalRecorder *recorder = visit())
        recorder->document(doc, journal::DocumentRow::OfdUnknown);
}

void backup(const QString &path)
{
    journal::JournalRecorder *recorder = visit();
    if (!recorder)
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.read(journal::ServiceJournal::kMaxBackupBytes + 1);
    if (content.size() <= journal::ServiceJournal::kMaxBackupBytes && file.atEnd())
        recorder->backup(path, content);
}

void dump(const QString &fileName, const QByteArray &image)
{
    if (journal::JournalRecorder *recorder = visit())
        recorder->dump(fileName, image);
}

void close()
{
    state().recorder.reset();
}

} // namespace clijournal
