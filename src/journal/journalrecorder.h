#pragma once

// What both front ends do with the journal: open it once, begin a visit when
// a register is identified, and add the operations, documents, backups and
// dumps of that visit. Without a journal (turned off, or unavailable) every
// call does nothing, so the callers need not ask.

#include "servicejournal.h"

#include <exec.h>
#include <registerconnector.h>

#include <memory>

namespace journal {

// How the window names itself in the visits it records.
inline constexpr char kWindowFrontEnd[] = "window";

class JournalRecorder
{
public:
    explicit JournalRecorder(const QString &frontEnd);
    ~JournalRecorder();

    // Opens the journal; false when it cannot be used (journal()->state()
    // says why). An empty path means the program's own journal.
    bool open(const QString &path = QString());
    void close();
    bool isOpen() const { return m_journal && m_journal->isOpen(); }
    // The journal, also when it could not be opened (for its state and path).
    ServiceJournal *journal() const { return m_journal.get(); }

    // What the register tells of itself for the journal: the serial number
    // (from its table; from the state reply "11" when the table gives none),
    // and from its tables INN, registration number and FN number. Fields the
    // register refuses stay empty.
    static RegisterInfo readRegister(const ops::Exec &exec, const QString &password,
                                     const ops::RegisterIdentity &identity);

    // A register was identified through `port`: its visit begins, unless it
    // is the register of the current visit, on the same port and unchanged.
    bool identified(const RegisterInfo &info, const QString &port);
    // For a front end whose every run is a process of its own: goes on with
    // the register's latest visit instead of beginning one, when that visit
    // was made by this front end through `port`, the register tells the same
    // of itself, and the visit's last record is at most maxGapSecs old.
    // False (nothing changed) otherwise.
    bool resume(const RegisterInfo &info, const QString &port, qint64 maxGapSecs);
    // The register is no longer the one identified (another port, a new search).
    void forget();
    bool hasVisit() const { return m_visit > 0; }
    qint64 visit() const { return m_visit; }
    const RegisterInfo &current() const { return m_current; }

    // Whether a record could not be written since the journal was opened;
    // true only the first time, so that it is told once. `why` gets the
    // database's words.
    bool takeWriteFailure(QString *why);

    void operation(const QString &name, const QString &outcome, bool ok);
    // A document read whole from the FN of the visit's register.
    void document(const ops::FnDocument &doc, int ofd = DocumentRow::OfdUnknown);
    void backup(const QString &fileName, const QByteArray &content);
    void dump(const QString &fileName, const QByteArray &image);

private:
    QString m_frontEnd;
    std::unique_ptr<ServiceJournal> m_journal;
    qint64 m_visit = 0;
    RegisterInfo m_current;
    QString m_port;
    enum class WriteFailure { None, Pending, Told } m_writeFailure = WriteFailure::None;
    void written(bool ok);
};

} // namespace journal
