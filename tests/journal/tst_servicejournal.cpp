// The service journal's store: an older file upgraded, a process killed in a
// transaction, documents kept once, and files that are not a usable journal
// left exactly as they were.

#include "journalrecorder.h"
#include "servicejournal.h"
#include "tlvfixtures.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using journal::DocumentRange;
using journal::DocumentRow;
using journal::RegisterInfo;
using journal::ServiceJournal;
using tlvfix::le;
using tlvfix::tlv;

namespace {

const char kChildEnv[] = "KELO_JOURNAL_CHILD";

ops::FnDocument receipt(quint32 number, quint32 unixTime = 1765000000, quint32 total = 22530)
{
    const QByteArray raw = tlv(1012, le(unixTime, 4)) + tlv(1020, le(total, 3)) + tlv(1040, le(number, 4))
                           + tlv(1077, QByteArray::fromHex("00001280abcd"));
    ops::FnDocument doc;
    doc.number = number;
    doc.opened = true;
    doc.docType = 3;
    doc.status = ops::FnDocument::Complete;
    for (int pos = 0; pos < raw.size();) {
        ops::FnItem item;
        item.tag = quint16(quint8(raw[pos]) | quint8(raw[pos + 1]) << 8);
        item.length = quint16(quint8(raw[pos + 2]) | quint8(raw[pos + 3]) << 8);
        item.value = raw.mid(pos + 4, item.length);
        doc.items.append(item);
        pos += 4 + item.length;
    }
    doc.bytes = int(raw.size());
    return doc;
}

RegisterInfo kelo(const QString &serial = QStringLiteral("00000123"), const QString &fn = QStringLiteral("9999078900001234"))
{
    return RegisterInfo{serial, 250, QStringLiteral("Kelo-Vint-Ф"), QStringLiteral("7700000000"),
                        QStringLiteral("0000000001012345"), fn};
}

QByteArray md5Of(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5)
                                          : QByteArray();
}

// A plain connection of the test's own, beside the journal's.
struct RawDb
{
    explicit RawDb(const QString &path, const QString &name = QStringLiteral("raw"))
        : name(name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawDb()
    {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    bool run(const QString &sql) const
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        return query.exec(sql);
    }
    QVariant value(const QString &sql) const
    {
        QSqlQuery query(QSqlDatabase::database(name, false));
        return query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }
    QString name;
};

// The child of killedInTheMiddleOfATransaction: five documents recorded,
// then a large transaction begun by hand and the process killed inside it.
[[noreturn]] void childRun(const QString &path)
{
    {
        ServiceJournal store;
        if (!store.open(path))
            std::_Exit(3);
        const qint64 visit = store.beginVisit(kelo(), QStringLiteral("/dev/ttyS0"), QStringLiteral("test"));
        for (quint32 n = 1; n <= 5; ++n)
            store.recordDocument(visit, kelo().fnNumber, receipt(n));
    }
    RawDb raw(path);
    raw.run(QStringLiteral("BEGIN"));
    raw.run(QStringLiteral("INSERT INTO documents (fn_number, number, type, raw, visit_id, stored, register_id)"
                           " VALUES ('9999078900001234', 6, 3, x'00', 1, 'now', 1)"));
    // Enough to spill pages of the open transaction into the write-ahead log.
    const QString outcome = QString(2000, QLatin1Char('x'));
    for (int i = 0; i < 3000; ++i)
        raw.run(QStringLiteral("INSERT INTO operations (visit_id, time, name, outcome, ok) VALUES (1, 'now', 'x', '%1', 0)")
                    .arg(outcome));
    std::raise(SIGKILL);
    std::_Exit(4);
}

} // namespace

class TestServiceJournal : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void olderSchemaUpgraded();
    void killedInTheMiddleOfATransaction();
    void documentKeptOnce();
    void unusableFileLeftAlone_data();
    void unusableFileLeftAlone();
    void lockedFile();
    void searchAndRead();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestServiceJournal::olderSchemaUpgraded()
{
    // A journal as the first version wrote it.
    const QString path = file(QStringLiteral("v1.sqlite"));
    {
        RawDb raw(path);
        for (const char *sql : {
                 ("CREATE TABLE registers (id INTEGER PRIMARY KEY, serial TEXT NOT NULL UNIQUE, model INTEGER NOT NULL"
                 " DEFAULT -1, name TEXT NOT NULL DEFAULT '', inn TEXT NOT NULL DEFAULT '', reg_number TEXT NOT NULL"
                 " DEFAULT '', fn_number TEXT NOT NULL DEFAULT '', first_seen TEXT NOT NULL, last_seen TEXT NOT NULL)"),
                 ("CREATE TABLE visits (id INTEGER PRIMARY KEY, register_id INTEGER NOT NULL REFERENCES registers(id),"
                 " started TEXT NOT NULL, port TEXT NOT NULL DEFAULT '', front_end TEXT NOT NULL DEFAULT '', inn TEXT"
                 " NOT NULL DEFAULT '', reg_number TEXT NOT NULL DEFAULT '', fn_number TEXT NOT NULL DEFAULT '')"),
                 ("CREATE TABLE operations (id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL REFERENCES visits(id),"
                 " time TEXT NOT NULL, name TEXT NOT NULL, outcome TEXT NOT NULL, ok INTEGER NOT NULL)"),
                 ("CREATE TABLE documents (id INTEGER PRIMARY KEY, fn_number TEXT NOT NULL, number INTEGER NOT NULL,"
                 " type INTEGER NOT NULL, date TEXT NOT NULL DEFAULT '', total TEXT NOT NULL DEFAULT '', fiscal_sign"
                 " TEXT NOT NULL DEFAULT '', raw BLOB NOT NULL, visit_id INTEGER NOT NULL REFERENCES visits(id),"
                 " stored TEXT NOT NULL, UNIQUE (fn_number, number))"),
                 ("CREATE TABLE backups (id INTEGER PRIMARY KEY, visit_id INTEGER NOT NULL REFERENCES visits(id),"
                 " time TEXT NOT NULL, file_name TEXT NOT NULL, content BLOB NOT NULL)"),
                 ("INSERT INTO registers VALUES (1, '00000123', 250, 'Kelo-Vint-Ф', '7700000000', '', '9999078900001234',"
                 " '2025-03-01T10:00:00.000Z', '2025-03-01T10:00:00.000Z')"),
                 ("INSERT INTO visits VALUES (1, 1, '2025-03-01T10:00:00.000Z', '/dev/ttyS0', 'window', '7700000000', '',"
                 " '9999078900001234')"),
                 "INSERT INTO operations VALUES (1, 1, '2025-03-01T10:01:00.000Z', 'Тест связи', 'Ошибок нет.', 1)",
                 ("INSERT INTO documents VALUES (1, '9999078900001234', 7, 3, '2025-03-01T10:02:00', '225.30', '',"
                 " x'14040300fa5700', 1, '2025-03-01T10:02:00.000Z')"),
                 "INSERT INTO backups VALUES (1, 1, '2025-03-01T10:03:00.000Z', 'b.json', '{}')",
                 "PRAGMA application_id=1262832719", "PRAGMA user_version=1"})
            QVERIFY2(raw.run(QString::fromUtf8(sql)), sql);
    }
    ServiceJournal store;
    QVERIFY2(store.open(path), qPrintable(store.problem()));
    QCOMPARE(store.schemaVersion(), ServiceJournal::kSchemaVersion);
    journal::RegisterRow reg;
    QVERIFY(store.findRegister(QStringLiteral("00000123"), &reg));
    QCOMPARE(reg.visits, 1);
    QCOMPARE(reg.documents, 1); // the old document now belongs to its register
    const QList<journal::FnRow> fns = store.fns(reg.id);
    QCOMPARE(fns.size(), 1);
    QCOMPARE(fns.first().documents, 1);
    QCOMPARE(fns.first().firstDate, QStringLiteral("2025-03-01T10:02:00"));
    QCOMPARE(store.visits(reg.id).first().operations.first().outcome, QStringLiteral("Ошибок нет."));
    QCOMPARE(store.backups(reg.id).size(), 1);
    DocumentRow doc;
    QVERIFY(store.document(QStringLiteral("9999078900001234"), 7, &doc));
    QCOMPARE(doc.ofd, int(DocumentRow::OfdUnknown));
    // What the new version adds works on the upgraded file.
    const qint64 visit = store.beginVisit(kelo(), QStringLiteral("/dev/ttyS0"), QStringLiteral("window"));
    QVERIFY(store.recordDump(visit, QStringLiteral("d.bin"), 1024, QStringLiteral("ABCDEF")));
    QCOMPARE(store.dumps(reg.id).first().md5, QStringLiteral("abcdef"));
    store.close();
    // Opened again, nothing is migrated twice.
    QVERIFY(store.open(path));
    QCOMPARE(store.visits(reg.id).size(), 2);
}

void TestServiceJournal::killedInTheMiddleOfATransaction()
{
    const QString path = file(QStringLiteral("killed.sqlite"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChildEnv), path);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit); // killed, not ended

    ServiceJournal store;
    QVERIFY2(store.open(path), qPrintable(store.problem()));
    RawDb raw(path, QStringLiteral("check"));
    QCOMPARE(raw.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM operations")).toInt(), 0);
    const QList<DocumentRow> docs = store.documents(kelo().fnNumber, DocumentRange(), true);
    QCOMPARE(docs.size(), 5);
    for (const DocumentRow &doc : docs)
        QCOMPARE(ServiceJournal::toFnDocument(doc).status, ops::FnDocument::Complete);
    // And the journal takes new records.
    const qint64 visit = store.beginVisit(kelo(), QStringLiteral("/dev/ttyS0"), QStringLiteral("test"));
    QVERIFY(store.recordDocument(visit, kelo().fnNumber, receipt(6)));
}

void TestServiceJournal::documentKeptOnce()
{
    ServiceJournal store;
    QVERIFY(store.open(file(QStringLiteral("dedup.sqlite"))));
    const QString fn = kelo().fnNumber;
    const qint64 first = store.beginVisit(kelo(), QStringLiteral("/dev/ttyS0"), QStringLiteral("window"));
    bool added = false;
    QVERIFY(store.recordDocument(first, fn, receipt(42), DocumentRow::OfdNotConfirmed, &added));
    QVERIFY(added);
    // Read again, at another visit and by the other front end: still one,
    // and the OFD's confirmation learnt since is taken in, never taken back.
    const qint64 second = store.beginVisit(kelo(), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("kelo-cli"));
    QVERIFY(store.recordDocument(second, fn, receipt(42), DocumentRow::OfdConfirmed, &added));
    QVERIFY(!added);
    QVERIFY(store.recordDocument(second, fn, receipt(42), DocumentRow::OfdUnknown, &added));
    QCOMPARE(store.documents(fn).size(), 1);
    DocumentRow row;
    QVERIFY(store.document(fn, 42, &row));
    QCOMPARE(row.ofd, int(DocumentRow::OfdConfirmed));
    QCOMPARE(row.total, QStringLiteral("225.30"));
    QCOMPARE(row.fiscalSign.isEmpty(), false);
    QCOMPARE(ServiceJournal::rawItems(ServiceJournal::toFnDocument(row)), ServiceJournal::rawItems(receipt(42)));
    // The same number in another FN is another document; a document read in
    // part is none.
    QVERIFY(store.recordDocument(second, QStringLiteral("9999078900005678"), receipt(42), -1, &added));
    QVERIFY(added);
    ops::FnDocument cut = receipt(43);
    cut.status = ops::FnDocument::Cut;
    QVERIFY(!store.recordDocument(second, fn, cut));
    QCOMPARE(store.documents(fn).size(), 1);
}

void TestServiceJournal::unusableFileLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("sql"); // run on a fresh database to make the file
    QTest::addColumn<int>("state");
    QByteArray noise(64 * 1024, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("random bytes") << noise << QString() << int(ServiceJournal::State::NotJournal);
    QTest::newRow("database header, then noise")
        << QByteArray("SQLite format 3\0", 16) + noise << QString() << int(ServiceJournal::State::NotJournal);
    QTest::newRow("another program's database")
        << QByteArray() << QStringLiteral("CREATE TABLE notes (text TEXT)") << int(ServiceJournal::State::NotJournal);
    QTest::newRow("written by a newer version")
        << QByteArray() << QStringLiteral("PRAGMA application_id=1262832719;PRAGMA user_version=99")
        << int(ServiceJournal::State::Newer);
}

void TestServiceJournal::unusableFileLeftAlone()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, sql);
    QFETCH(int, state);
    const QString path = file(QStringLiteral("bad-%1.sqlite").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
    if (sql.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    } else {
        RawDb raw(path);
        for (const QString &one : sql.split(QLatin1Char(';')))
            QVERIFY(raw.run(one));
    }
    const QByteArray before = md5Of(path);
    ServiceJournal store;
    QVERIFY(!store.open(path));
    QCOMPARE(int(store.state()), state);
    QVERIFY(!store.problem().isEmpty());
    // Nothing recorded, nothing written: calls are harmless no-ops.
    QCOMPARE(store.beginVisit(kelo(), QStringLiteral("p"), QStringLiteral("t")), 0);
    QVERIFY(store.registers().isEmpty());
    store.close();
    QCOMPARE(md5Of(path), before);
    QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
}

void TestServiceJournal::lockedFile()
{
    const QString path = file(QStringLiteral("locked.sqlite"));
    auto recorder = std::make_unique<journal::JournalRecorder>(QStringLiteral("test"));
    QVERIFY(recorder->open(path));
    QVERIFY(recorder->identified(kelo(), QStringLiteral("/dev/ttyS0")));
    RawDb holder(path, QStringLiteral("holder"));
    // Another program writing: a record that cannot wait longer is lost,
    // and that is told once.
    QVERIFY(holder.run(QStringLiteral("BEGIN EXCLUSIVE")));
    recorder->operation(QStringLiteral("Тест связи"), QStringLiteral("Ошибок нет."), true);
    QString why;
    QVERIFY(recorder->takeWriteFailure(&why));
    QVERIFY(!why.isEmpty());
    recorder->operation(QStringLiteral("Тест связи"), QStringLiteral("Ошибок нет."), true);
    QVERIFY(!recorder->takeWriteFailure(&why));
    QVERIFY(holder.run(QStringLiteral("COMMIT")));
    recorder.reset();
    // Held whole, it cannot even be read: the journal is not opened.
    QVERIFY(holder.run(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")));
    QVERIFY(holder.run(QStringLiteral("BEGIN EXCLUSIVE")));
    ServiceJournal store;
    QVERIFY(!store.open(path));
    QCOMPARE(int(store.state()), int(ServiceJournal::State::Locked));
    holder.run(QStringLiteral("COMMIT"));
}

void TestServiceJournal::searchAndRead()
{
    ServiceJournal store;
    QVERIFY(store.open(file(QStringLiteral("search.sqlite"))));
    const qint64 a = store.beginVisit(kelo(QStringLiteral("00000123"), QStringLiteral("9999078900001111")),
                                      QStringLiteral("/dev/ttyS0"), QStringLiteral("window"));
    // The register's FN was replaced since: the old FN still finds it.
    store.beginVisit(kelo(QStringLiteral("00000123"), QStringLiteral("9999078900002222")), QStringLiteral("/dev/ttyS0"),
                     QStringLiteral("window"));
    RegisterInfo other = kelo(QStringLiteral("00000777"), QStringLiteral("9999078900003333"));
    other.inn = QStringLiteral("5000000000");
    store.beginVisit(other, QStringLiteral("/dev/ttyS1"), QStringLiteral("kelo-cli"));
    const auto serials = [&store](const QString &search) {
        QStringList out;
        for (const journal::RegisterRow &row : store.registers(search))
            out << row.info.serial;
        out.sort();
        return out;
    };
    QCOMPARE(serials(QString()), QStringList({"00000123", "00000777"}));
    QCOMPARE(serials(QStringLiteral("1111")), QStringList({"00000123"}));
    QCOMPARE(serials(QStringLiteral("500000")), QStringList({"00000777"}));
    QCOMPARE(serials(QStringLiteral("1012345")), QStringList({"00000123", "00000777"}));
    QCOMPARE(serials(QStringLiteral("%")), QStringList()); // a pattern character is a character
    // Documents by number and by date; a bare date takes in its whole day.
    for (quint32 n = 1; n <= 4; ++n)
        store.recordDocument(a, QStringLiteral("9999078900001111"), receipt(n, 1764979200 + n * 86400 - 1));
    const auto numbers = [&store](const DocumentRange &range) {
        QList<quint32> out;
        for (const DocumentRow &row : store.documents(QStringLiteral("9999078900001111"), range))
            out << row.number;
        return out;
    };
    QCOMPARE(numbers(DocumentRange{2, 3, {}, {}, -1, 0}), QList<quint32>({2, 3}));
    QCOMPARE(numbers(DocumentRange{0, 0, QStringLiteral("2025-12-07"), QStringLiteral("2025-12-08"), -1, 0}),
             QList<quint32>({2, 3}));
    QCOMPARE(numbers(DocumentRange{0, 0, {}, {}, 2, 1}), QList<quint32>({2, 3}));
    // A stored document cut short is shown as damaged, never read past its end.
    DocumentRow cut;
    cut.raw = tlv(1020, le(100, 3)).left(5);
    QCOMPARE(ServiceJournal::toFnDocument(cut).status, ops::FnDocument::Damaged);
    const QJsonObject whole = store.exportJson(QStringLiteral("00000123"));
    QCOMPARE(whole.value(QStringLiteral("registers")).toArray().size(), 1);
    QCOMPARE(whole.value(QStringLiteral("registers")).toArray().first().toObject().value(QStringLiteral("documents")).toArray().size(), 4);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray child = qgetenv(kChildEnv);
    if (!child.isEmpty())
        childRun(QString::fromLocal8Bit(child));
    TestServiceJournal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_servicejournal.moc"
