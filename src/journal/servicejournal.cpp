#include "servicejournal.h"

#include <documentformat.h>
#include <mpathworks.h>

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace journal {

namespace {

// Marks the file as this program's journal ("KELO").
constexpr int kApplicationId = 0x4B454C4F;
constexpr int kBusyTimeoutMs = 2000;

// SQLite's primary result codes the opening tells apart (any other: damaged).
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteNotADb = 26;

// The schema, one step per version: step N turns version N-1 into N.
const char *const kVersion1[] = {
    ("CREATE TABLE registers (id INTEGER PRIMARY KEY, serial TEXT NOT NULL UNIQUE,"
    " model INTEGER NOT NULL DEFAULT -1, name TEXT NOT NULL DEFAULT '', inn TEXT NOT NULL DEFAULT '',"
    " reg_number TEXT NOT NULL DEFAULT '', fn_number TEXT NOT NULL DEFAULT '',"
    " first_seen TEXT NOT NULL, last_seen TEXT NOT NULL)"),
    ("CREATE TABLE visits (id INTEGER PRIMARY KEY, register_id INTEGER NOT NULL REFERENCES registers(id),"
    " started TEXT NOT NULL, port TEXT NOT NULL DEFAULT '', front_end TEXT NOT NULL DEFAULT '',"
    " inn TEXT NOT NULL DEFAULT '', reg_number TEXT NOT NULL DEFAULT '', fn_number TEXT NOT NULL DEFAULT '')"),
    ("CREATE TABLE operations (id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL REFERENCES visits(id),"
    " time TEXT NOT NULL, name TEXT NOT NULL, outcome TEXT NOT NULL, ok INTEGER NOT NULL)"),
    ("CREATE TABLE documents (id INTEGER PRIMARY KEY, fn_number TEXT NOT NULL, number INTEGER NOT NULL,"
    " type INTEGER NOT NULL, date TEXT NOT NULL DEFAULT '', total TEXT NOT NULL DEFAULT '',"
    " fiscal_sign TEXT NOT NULL DEFAULT '', raw BLOB NOT NULL,"
    " visit_id INTEGER NOT NULL REFERENCES visits(id), stored TEXT NOT NULL, UNIQUE (fn_number, number))"),
    ("CREATE TABLE backups (id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL REFERENCES visits(id),"
    " time TEXT NOT NULL, file_name TEXT NOT NULL, content BLOB NOT NULL)"),
    "CREATE INDEX visits_register ON visits (register_id)",
    "CREATE INDEX operations_visit ON operations (visit_id)",
    "CREATE INDEX backups_visit ON backups (visit_id)",
};

// Version 2: documents keep whether the OFD confirmed them and the register
// they were read from (for its FN list without going through the visits);
// firmware dumps are kept; FN numbers and dates are searched by index.
const char *const kVersion2[] = {
    "ALTER TABLE documents ADD COLUMN ofd INTEGER NOT NULL DEFAULT -1",
    "ALTER TABLE documents ADD COLUMN register_id INTEGER REFERENCES registers(id)",
    "UPDATE documents SET register_id = (SELECT register_id FROM visits WHERE visits.id = documents.visit_id)",
    ("CREATE TABLE dumps (id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL REFERENCES visits(id),"
    " time TEXT NOT NULL, file_name TEXT NOT NULL DEFAULT '', size INTEGER NOT NULL, md5 TEXT NOT NULL)"),
    "CREATE INDEX documents_register ON documents (register_id, fn_number, number)",
    "CREATE INDEX documents_date ON documents (fn_number, date)",
    "CREATE INDEX visits_fn ON visits (fn_number)",
    "CREATE INDEX dumps_visit ON dumps (visit_id)",
};

template<size_t N>
QStringList statements(const char *const (&list)[N])
{
    QStringList out;
    for (const char *sql : list)
        out << QString::fromLatin1(sql);
    return out;
}

int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

QString timeText(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

// Rolls back unless committed: an operation's records are kept all or none.
class ServiceJournal::Transaction
{
public:
    explicit Transaction(const QString &connection)
        : m_db(QSqlDatabase::database(connection, false))
    {
        m_open = m_db.transaction();
    }
    ~Transaction()
    {
        if (m_open)
            m_db.rollback();
    }
    bool isOpen() const { return m_open; }
    bool commit()
    {
        if (!m_open)
            return false;
        m_open = false;
        if (m_db.commit())
            return true;
        m_db.rollback();
        return false;
    }

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

ServiceJournal::ServiceJournal()
{
    static QAtomicInt counter;
    m_connection = QStringLiteral("kelo-journal-%1").arg(counter.fetchAndAddRelaxed(1));
}

ServiceJournal::~ServiceJournal()
{
    close();
}

QString ServiceJournal::defaultPath()
{
    return MPathWorks::dataDir().absoluteFilePath(QLatin1String(kFileName));
}

bool ServiceJournal::fail(State state, const QString &problem)
{
    close();
    m_state = state;
    m_problem = problem;
    return false;
}

void ServiceJournal::close()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_state = State::Closed;
}

bool ServiceJournal::exec(const QString &sql) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return query.exec(sql);
}

QSqlQuery ServiceJournal::run(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        m_lastError = query.lastError().text();
        return query;
    }
    for (const QVariant &value : values) {
        // A null text or byte string would be bound as NULL, which the NOT
        // NULL columns refuse: a field the register did not tell, a document
        // without a total, is stored empty.
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            query.addBindValue(QStringLiteral(""));
        else if (value.typeId() == QMetaType::QByteArray && value.toByteArray().isNull())
            query.addBindValue(QByteArray(""));
        else
            query.addBindValue(value);
    }
    if (!query.exec())
        m_lastError = query.lastError().text();
    return query;
}

bool ServiceJournal::insertOne(const QString &sql, const QVariantList &values)
{
    if (m_state != State::Open)
        return false;
    Transaction transaction(m_connection);
    return transaction.isOpen() && run(sql, values).isActive() && transaction.commit();
}

bool ServiceJournal::open(const QString &path)
{
    close();
    m_path = path;
    m_problem.clear();
    const QFileInfo info(path);
    if (info.exists()) {
        // Looked at before SQLite is let near it: a file that is not a
        // database is not to be turned into one.
        if (!info.isFile())
            return fail(State::Unavailable, QStringLiteral("not a file"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(State::Unavailable, file.errorString());
        const QByteArray head = file.read(16);
        if (!head.isEmpty() && head != QByteArray("SQLite format 3\0", 16))
            return fail(State::NotJournal, QStringLiteral("the file is not an SQLite database"));
    } else if (!QDir().mkpath(info.absolutePath())) {
        return fail(State::Unavailable, QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
    }

    State state = State::Open;
    QString problem;
    openDatabase(&state, &problem);
    // Every handle of the connection is gone by now, so it can be removed.
    if (state != State::Open)
        return fail(state, problem);
    m_state = State::Open;
    return true;
}

void ServiceJournal::openDatabase(State *state, QString *problem)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid()) {
        *state = State::Unavailable;
        *problem = QStringLiteral("the SQLite driver of Qt SQL is not installed");
        return;
    }
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) {
        *state = State::Unavailable;
        *problem = db.lastError().text();
        return;
    }
    const auto classify = [state, problem](const QSqlError &error) {
        const int code = sqliteCode(error);
        *state = State::Damaged;
        if (code == kSqliteNotADb)
            *state = State::NotJournal;
        else if (code == kSqliteBusy || code == kSqliteLocked)
            *state = State::Locked;
        *problem = error.text();
    };

    // Only reading until the file is known to be ours and of a version we know.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA application_id")) || !query.next())
        return classify(query.lastError());
    const int applicationId = query.value(0).toInt();
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return classify(query.lastError());
    const int version = query.value(0).toInt();
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
        return classify(query.lastError());
    const int objects = query.value(0).toInt();
    query.finish();

    if (objects > 0 && applicationId != kApplicationId) {
        *state = State::NotJournal;
        *problem = QStringLiteral("a database of another program");
        return;
    }
    if (version > kSchemaVersion) {
        *state = State::Newer;
        *problem = QStringLiteral("schema version %1, this program knows up to %2").arg(version).arg(kSchemaVersion);
        return;
    }
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return classify(query.lastError());
    query.finish();
    exec(QStringLiteral("PRAGMA synchronous=FULL"));
    exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    QSqlError error;
    if (version < kSchemaVersion && !migrate(version, &error))
        return classify(error);
}

bool ServiceJournal::migrate(int from, QSqlError *error)
{
    const QList<QStringList> steps = {statements(kVersion1), statements(kVersion2)};
    Transaction transaction(m_connection);
    if (!transaction.isOpen()) {
        *error = QSqlDatabase::database(m_connection, false).lastError();
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    for (int version = from + 1; version <= kSchemaVersion; ++version) {
        for (const QString &sql : steps.at(version - 1)) {
            if (!query.exec(sql)) {
                *error = query.lastError();
                return false;
            }
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId))
        || !query.exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion))) {
        *error = query.lastError();
        return false;
    }
    if (transaction.commit())
        return true;
    *error = QSqlDatabase::database(m_connection, false).lastError();
    return false;
}

int ServiceJournal::schemaVersion() const
{
    if (m_state != State::Open)
        return 0;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    return query.exec(QStringLiteral("PRAGMA user_version")) && query.next() ? query.value(0).toInt() : 0;
}

qint64 ServiceJournal::beginVisit(const RegisterInfo &reg, const QString &port, const QString &frontEnd,
                                  const QDateTime &when)
{
    if (m_state != State::Open || reg.serial.isEmpty())
        return 0;
    Transaction transaction(m_connection);
    if (!transaction.isOpen())
        return 0;
    const QString now = timeText(when);
    // What the register says now replaces what it said before, except a
    // field it could not tell this time.
    const QString upsert = QStringLiteral(
        "INSERT INTO registers (serial, model, name, inn, reg_number, fn_number, first_seen, last_seen)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (serial) DO UPDATE SET model = excluded.model,"
        " name = CASE WHEN excluded.name <> '' THEN excluded.name ELSE name END,"
        " inn = CASE WHEN excluded.inn <> '' THEN excluded.inn ELSE inn END,"
        " reg_number = CASE WHEN excluded.reg_number <> '' THEN excluded.reg_number ELSE reg_number END,"
        " fn_number = CASE WHEN excluded.fn_number <> '' THEN excluded.fn_number ELSE fn_number END,"
        " last_seen = excluded.last_seen");
    if (!run(upsert, {reg.serial, reg.model, reg.name, reg.inn, reg.regNumber, reg.fnNumber, now, now}).isActive())
        return 0;
    QSqlQuery id = run(QStringLiteral("SELECT id FROM registers WHERE serial = ?"), {reg.serial});
    if (!id.next())
        return 0;
    const qint64 registerId = id.value(0).toLongLong();
    id.finish();
    const QSqlQuery query =
        run(QStringLiteral("INSERT INTO visits (register_id, started, port, front_end, inn, reg_number, fn_number)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {registerId, now, port, frontEnd, reg.inn, reg.regNumber, reg.fnNumber});
    if (!query.isActive())
        return 0;
    const qint64 visit = query.lastInsertId().toLongLong();
    return transaction.commit() ? visit : 0;
}

bool ServiceJournal::registerSeen(const QString &serial, const QDateTime &when)
{
    if (m_state != State::Open || serial.isEmpty())
        return false;
    Transaction transaction(m_connection);
    return transaction.isOpen()
           && run(QStringLiteral("UPDATE registers SET last_seen = ? WHERE serial = ?"), {timeText(when), serial})
                      .numRowsAffected()
                  == 1
           && transaction.commit();
}

bool ServiceJournal::recordOperation(qint64 visit, const QString &name, const QString &outcome, bool ok,
                                     const QDateTime &when)
{
    return visit > 0
           && insertOne(QStringLiteral("INSERT INTO operations (visit_id, time, name, outcome, ok) VALUES (?, ?, ?, ?, ?)"),
                        {visit, timeText(when), name, outcome, ok ? 1 : 0});
}

bool ServiceJournal::recordDocument(qint64 visit, const QString &fnNumber, const ops::FnDocument &doc, int ofd,
                                    bool *added, const QDateTime &when)
{
    if (added)
        *added = false;
    if (m_state != State::Open || visit <= 0 || fnNumber.isEmpty() || !doc.isComplete())
        return false;
    Transaction transaction(m_connection);
    if (!transaction.isOpen())
        return false;
    QSqlQuery kept = run(QStringLiteral("SELECT id, ofd FROM documents WHERE fn_number = ? AND number = ?"),
                         {fnNumber, qint64(doc.number)});
    if (!kept.isActive())
        return false;
    if (kept.next()) {
        // Kept already: the FN never changes a document, only the OFD's
        // confirmation may have come since.
        const qint64 id = kept.value(0).toLongLong();
        const bool confirmedSince = ofd > kept.value(1).toInt();
        kept.finish();
        if (confirmedSince && !run(QStringLiteral("UPDATE documents SET ofd = ? WHERE id = ?"), {ofd, id}).isActive())
            return false;
        return transaction.commit();
    }
    kept.finish();
    const QList<MTLVDocument> items = doc.tlvItems();
    const QSqlQuery insert = run(
        QStringLiteral("INSERT INTO documents (fn_number, number, type, date, total, fiscal_sign, raw, visit_id,"
                       " stored, ofd, register_id)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, (SELECT register_id FROM visits WHERE id = ?))"),
        {fnNumber, qint64(doc.number), int(doc.docType), DocumentFormat::dateText(items),
         DocumentFormat::totalText(items), DocumentFormat::signText(items), rawItems(doc), visit, timeText(when),
         ofd < 0 ? -1 : (ofd > 0 ? 1 : 0), visit});
    if (!insert.isActive() || !transaction.commit())
        return false;
    if (added)
        *added = true;
    return true;
}

bool ServiceJournal::recordBackup(qint64 visit, const QString &fileName, const QByteArray &content,
                                  const QDateTime &when)
{
    return visit > 0 && content.size() <= kMaxBackupBytes
           && insertOne(QStringLiteral("INSERT INTO backups (visit_id, time, file_name, content) VALUES (?, ?, ?, ?)"),
                        {visit, timeText(when), fileName, content});
}

bool ServiceJournal::recordDump(qint64 visit, const QString &fileName, qint64 size, const QString &md5,
                                const QDateTime &when)
{
    return visit > 0
           && insertOne(QStringLiteral("INSERT INTO dumps (visit_id, time, file_name, size, md5) VALUES (?, ?, ?, ?, ?)"),
                        {visit, timeText(when), fileName, size, md5.toLower()});
}

QByteArray ServiceJournal::rawItems(const ops::FnDocument &doc)
{
    QByteArray raw;
    raw.reserve(doc.bytes);
    for (const ops::FnItem &item : doc.items) {
        const quint16 length = quint16(item.value.size());
        const char head[4] = {char(item.tag & 0xFF), char(item.tag >> 8), char(length & 0xFF), char(length >> 8)};
        raw.append(head, 4);
        raw.append(item.value);
    }
    return raw;
}

ops::FnDocument ServiceJournal::toFnDocument(const DocumentRow &row)
{
    ops::FnDocument doc;
    doc.number = row.number;
    doc.opened = true;
    doc.docType = quint16(row.type);
    doc.status = ops::FnDocument::Complete;
    const QByteArray &raw = row.raw;
    qsizetype pos = 0;
    while (pos < raw.size()) {
        if (raw.size() - pos < 4 || doc.items.size() >= ops::FnDocumentReader::kMaxItems) {
            doc.status = ops::FnDocument::Damaged;
            doc.error = QStringLiteral("stored items end inside an item at byte %1").arg(pos);
            break;
        }
        ops::FnItem item;
        item.tag = quint16(quint8(raw.at(pos)) | quint8(raw.at(pos + 1)) << 8);
        item.length = quint16(quint8(raw.at(pos + 2)) | quint8(raw.at(pos + 3)) << 8);
        if (raw.size() - pos - 4 < item.length) {
            doc.status = ops::FnDocument::Damaged;
            doc.error = QStringLiteral("stored item %1 is cut short").arg(item.tag);
            break;
        }
        item.value = raw.mid(pos + 4, item.length);
        pos += 4 + item.length;
        doc.items.append(item);
    }
    doc.bytes = int(pos);
    return doc;
}

} // namespace journal
