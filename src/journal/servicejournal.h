#pragma once

// The service journal: one SQLite file that remembers every register the
// program has identified. A register has visits (one per identification:
// when, through which port, by which front end), each visit its operations
// with their outcome, and the register its settings backups (the backup file
// whole), FN documents (raw TLV and a summary, stored once per FN number and
// document number) and firmware dumps (size and MD5 only).
//
// The file is never deleted or overwritten: a file that is not a journal of
// this program, is locked by another process or comes from a newer version
// leaves the journal unavailable (state() says why) and every call a no-op.
// Each recording call is one transaction, so a crash leaves whole records.

#include <fndocumentreader.h>

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariantList>

class QSqlError;
class QSqlQuery;

namespace journal {

// What identification tells of a register.
struct RegisterInfo
{
    QString serial;
    int model = -1;
    QString name;
    QString inn;
    QString regNumber;
    QString fnNumber;
};

struct RegisterRow
{
    qint64 id = 0;
    RegisterInfo info;
    QDateTime firstSeen;
    QDateTime lastSeen;
    int visits = 0;
    int documents = 0;
};

struct OperationRow
{
    QDateTime time;
    QString name;
    QString outcome;
    bool ok = false;
};

struct VisitRow
{
    qint64 id = 0;
    QDateTime started;
    QString port;
    QString frontEnd; // "window" or "kelo-cli"
    QString inn;      // as the register gave them at this visit
    QString regNumber;
    QString fnNumber;
    QList<OperationRow> operations;
};

// One FN of a register, from the documents kept of it.
struct FnRow
{
    QString fnNumber;
    int documents = 0;
    quint32 firstNumber = 0;
    quint32 lastNumber = 0;
    QString firstDate; // "yyyy-MM-ddThh:mm:ss", as the documents carry it
    QString lastDate;
};

struct BackupRow
{
    qint64 id = 0;
    QDateTime time;
    QString fileName;
    QByteArray content; // the backup file, byte for byte
};

struct DumpRow
{
    QDateTime time;
    QString fileName;
    qint64 size = 0;
    QString md5; // lower-case hex
};

struct DocumentRow
{
    enum Ofd { OfdUnknown = -1, OfdNotConfirmed = 0, OfdConfirmed = 1 };
    QString fnNumber;
    quint32 number = 0;
    int type = 0;
    QString typeName;
    QString date;  // "yyyy-MM-ddThh:mm:ss"; empty when the document has none
    QString total; // "1234.50"; empty when none
    QString fiscalSign;
    int ofd = OfdUnknown;
    QString serial;   // the register it was read from
    QByteArray raw;   // the items: tag, length and value each; filled on request
    QDateTime stored; // when it was first read
};

// Which documents of an FN: by number, by date, or all (no bound set).
struct DocumentRange
{
    quint32 fromNumber = 0;
    quint32 toNumber = 0; // 0: no upper bound
    QString fromDate;     // compared as text with the documents' dates
    QString toDate;       // a bare date takes in the whole day
    int limit = -1;       // -1: all
    int offset = 0;
};

class ServiceJournal
{
public:
    static constexpr int kSchemaVersion = 2;
    static constexpr const char *kFileName = "journal.sqlite";
    // A backup file of more than this is no backup of this program.
    static constexpr int kMaxBackupBytes = 16 * 1024 * 1024;

    enum class State {
        Closed,      // not opened yet
        Open,        // working
        NotJournal,  // the file is no SQLite database, or not ours
        Damaged,     // a database, but its contents cannot be read
        Locked,      // another process holds it
        Newer,       // written by a newer version of the program
        Unavailable, // cannot be created or opened at all (a folder, no rights)
    };

    ServiceJournal();
    ~ServiceJournal();
    ServiceJournal(const ServiceJournal &) = delete;
    ServiceJournal &operator=(const ServiceJournal &) = delete;

    // The journal in the program's data folder.
    static QString defaultPath();

    // Opens (creating when missing, upgrading an older schema) the journal.
    // False when it cannot be used; state() and problem() tell why.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_state == State::Open; }
    State state() const { return m_state; }
    const QString &path() const { return m_path; }
    // The database's own words on why the journal could not be opened.
    const QString &problem() const { return m_problem; }
    // The database's own words on the last statement that failed.
    const QString &lastError() const { return m_lastError; }
    // The schema version of the open file (0 when closed).
    int schemaVersion() const;

    // Recording. Each call is one transaction; false when nothing was written.
    // Registers a visit of the register (creating or updating its record);
    // the visit's id, or 0.
    qint64 beginVisit(const RegisterInfo &reg, const QString &port, const QString &frontEnd,
                      const QDateTime &when = QDateTime::currentDateTime());
    // The register was met again within a visit that goes on.
    bool registerSeen(const QString &serial, const QDateTime &when = QDateTime::currentDateTime());
    bool recordOperation(qint64 visit, const QString &name, const QString &outcome, bool ok,
                         const QDateTime &when = QDateTime::currentDateTime());
    // A document read whole. Kept once per FN number and document number: a
    // document read again only adds an OFD confirmation learnt since.
    // `added` tells whether it was new.
    bool recordDocument(qint64 visit, const QString &fnNumber, const ops::FnDocument &doc,
                        int ofd = DocumentRow::OfdUnknown,
                        bool *added = nullptr, const QDateTime &when = QDateTime::currentDateTime());
    bool recordBackup(qint64 visit, const QString &fileName, const QByteArray &content,
                      const QDateTime &when = QDateTime::currentDateTime());
    bool recordDump(qint64 visit, const QString &fileName, qint64 size, const QString &md5,
                    const QDateTime &when = QDateTime::currentDateTime());

    // Reading. Registers whose serial number, INN, registration number or any
    // FN number they had contains `search` (all when empty), latest first.
    QList<RegisterRow> registers(const QString &search = QString()) const;
    bool findRegister(const QString &serial, RegisterRow *row) const;
    // The register's visits with their operations, latest first; at most
    // `limit` of them when it is not negative.
    QList<VisitRow> visits(qint64 registerId, int limit = -1) const;
    QList<FnRow> fns(qint64 registerId) const;
    QList<BackupRow> backups(qint64 registerId) const;
    QList<DumpRow> dumps(qint64 registerId) const;
    // Documents of an FN in number order; raw items only when asked.
    QList<DocumentRow> documents(const QString &fnNumber, const DocumentRange &range = DocumentRange(),
                                 bool withRaw = false) const;
    bool document(const QString &fnNumber, quint32 number, DocumentRow *row) const;

    // The whole journal, or one register (by serial number) when given.
    QJsonObject exportJson(const QString &serial = QString()) const;
    // One record as JSON, as the export writes it and kelo-cli prints it.
    // A register gives its counts of visits and documents; a backup its size
    // and MD5, and with its content the backup file itself; a document its
    // raw items in hex when they were read.
    static QJsonObject toJson(const RegisterRow &row);
    static QJsonObject toJson(const VisitRow &row);
    static QJsonObject toJson(const FnRow &row);
    static QJsonObject toJson(const BackupRow &row, bool withContent);
    static QJsonObject toJson(const DumpRow &row);
    static QJsonObject toJson(const DocumentRow &row);

    // A stored document as read from the FN, for the document views.
    static ops::FnDocument toFnDocument(const DocumentRow &row);
    static QByteArray rawItems(const ops::FnDocument &doc);

private:
    bool fail(State state, const QString &problem);
    void openDatabase(State *state, QString *problem);
    bool migrate(int from, QSqlError *error);
    bool exec(const QString &sql) const;
    // A statement with its values bound, run; isActive() when it went through.
    QSqlQuery run(const QString &sql, const QVariantList &values) const;
    // One row inserted in a transaction of its own.
    bool insertOne(const QString &sql, const QVariantList &values);
    class Transaction;

    QString m_connection;
    QString m_path;
    State m_state = State::Closed;
    QString m_problem;
    mutable QString m_lastError;
};

} // namespace journal
