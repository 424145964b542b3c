#pragma once

// kelo-cli's part in the service journal: where the journal is (--journal,
// else $KELO_JOURNAL, else the program's own), whether this run records into
// it (--no-journal), and the recorder of this run. The journal is opened only
// when a register has been identified, so the commands that never talk to a
// register never touch it; a journal that cannot be used costs one warning
// and nothing else.

#include <QByteArray>
#include <QString>

namespace ops {
struct FnDocument;
struct RegisterIdentity;
} // namespace ops

class RegisterSession;

namespace journal {
class ServiceJournal;
}

namespace clijournal {

// Front-end name in the visits of this program.
inline constexpr const char *kFrontEnd = "kelo-cli";

void setPath(const QString &path);
void setDisabled(bool disabled);
bool disabled();
// The journal file this run uses.
QString path();
// "journal <path> unavailable (<reason>)": what is said of a journal that
// exists but cannot be used.
QString unavailableText(const QString &path, const QString &reason);
// Why a journal could not be opened, in a few words.
QString problemText(const journal::ServiceJournal &journal);

// The session has identified its register: opens the journal on the first
// call, reads what the register tells of itself and begins the visit (or
// goes on with it when the same register answers on the same port).
void identified(RegisterSession &session, const ops::RegisterIdentity &identity, const QString &port);

// What the command did, for its operation in the visit; by default the last
// message it wrote.
void setOutcome(const QString &text);
// The command ended with exitCode: its operation goes into the visit.
void finish(const QString &command, int exitCode);

// A document read whole; a backup file as saved (read back whole); a dump
// image as saved.
void document(const ops::FnDocument &doc);
void backup(const QString &path);
void dump(const QString &fileName, const QByteArray &image);

// Closes the journal (before the application object goes).
void close();

} // namespace clijournal
