// Reading the journal: the lists the page and kelo-cli show, and the export.

#include "servicejournal.h"

#include <mtlvdictionary.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace journal {

namespace {

QDateTime storedTime(const QVariant &value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs).toLocalTime();
}

QString likePattern(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// "2026-12-07" takes in the whole day as an upper bound.
QString upperDate(const QString &date)
{
    return date.size() == 10 ? date + QStringLiteral("T99") : date;
}

const char kRegisterColumns[] =
    "SELECT r.id, r.serial, r.model, r.name, r.inn, r.reg_number, r.fn_number, r.first_seen, r.last_seen,"
    " (SELECT count(*) FROM visits v WHERE v.register_id = r.id),"
    " (SELECT count(*) FROM documents d WHERE d.register_id = r.id) FROM registers r";

RegisterRow registerRow(const QSqlQuery &query)
{
    RegisterRow row;
    row.id = query.value(0).toLongLong();
    row.info.serial = query.value(1).toString();
    row.info.model = query.value(2).toInt();
    row.info.name = query.value(3).toString();
    row.info.inn = query.value(4).toString();
    row.info.regNumber = query.value(5).toString();
    row.info.fnNumber = query.value(6).toString();
    row.firstSeen = storedTime(query.value(7));
    row.lastSeen = storedTime(query.value(8));
    row.visits = query.value(9).toInt();
    row.documents = query.value(10).toInt();
    return row;
}

QString isoText(const QDateTime &time)
{
    return time.toString(Qt::ISODate);
}

} // namespace

QList<RegisterRow> ServiceJournal::registers(const QString &search) const
{
    QList<RegisterRow> rows;
    if (m_state != State::Open)
        return rows;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    QString sql = QLatin1String(kRegisterColumns);
    const QString text = search.trimmed();
    if (!text.isEmpty()) {
        sql += QStringLiteral(" WHERE r.serial LIKE :p ESCAPE '\\' OR r.inn LIKE :p ESCAPE '\\'"
                              " OR r.reg_number LIKE :p ESCAPE '\\' OR r.fn_number LIKE :p ESCAPE '\\'"
                              " OR EXISTS (SELECT 1 FROM visits v WHERE v.register_id = r.id"
                              " AND (v.fn_number LIKE :p ESCAPE '\\' OR v.inn LIKE :p ESCAPE '\\'"
                              " OR v.reg_number LIKE :p ESCAPE '\\'))");
    }
    sql += QStringLiteral(" ORDER BY r.last_seen DESC, r.serial");
    query.prepare(sql);
    if (!text.isEmpty())
        query.bindValue(QStringLiteral(":p"), likePattern(text));
    if (!query.exec())
        return rows;
    while (query.next())
        rows.append(registerRow(query));
    return rows;
}

bool ServiceJournal::findRegister(const QString &serial, RegisterRow *row) const
{
    if (m_state != State::Open)
        return false;
    QSqlQuery query = run(QLatin1String(kRegisterColumns) + QStringLiteral(" WHERE r.serial = ?"), {serial});
    if (!query.next())
        return false;
    *row = registerRow(query);
    return true;
}

QList<VisitRow> ServiceJournal::visits(qint64 registerId) const
{
    QList<VisitRow> rows;
    if (m_state != State::Open)
        return rows;
    QSqlQuery query = run(QStringLiteral("SELECT id, started, port, front_end, inn, reg_number, fn_number FROM visits"
                                         " WHERE register_id = ? ORDER BY started DESC, id DESC"),
                          {registerId});
    QHash<qint64, int> byId;
    while (query.next()) {
        VisitRow row;
        row.id = query.value(0).toLongLong();
        row.started = storedTime(query.value(1));
        row.port = query.value(2).toString();
        row.frontEnd = query.value(3).toString();
        row.inn = query.value(4).toString();
        row.regNumber = query.value(5).toString();
        row.fnNumber = query.value(6).toString();
        byId.insert(row.id, int(rows.size()));
        rows.append(row);
    }
    query = run(QStringLiteral("SELECT o.visit_id, o.time, o.name, o.outcome, o.ok FROM operations o"
                               " JOIN visits v ON v.id = o.visit_id WHERE v.register_id = ? ORDER BY o.id"),
                {registerId});
    while (query.next()) {
        const auto at = byId.constFind(query.value(0).toLongLong());
        if (at == byId.cend())
            continue;
        OperationRow op;
        op.time = storedTime(query.value(1));
        op.name = query.value(2).toString();
        op.outcome = query.value(3).toString();
        op.ok = query.value(4).toInt() != 0;
        rows[*at].operations.append(op);
    }
    return rows;
}

QList<FnRow> ServiceJournal::fns(qint64 registerId) const
{
    QList<FnRow> rows;
    if (m_state != State::Open)
        return rows;
    // The FNs the register had: those of its documents, and those it named
    // at a visit even when none of their documents was read.
    QSqlQuery query = run(
        QStringLiteral(
            "SELECT fn_number, count(*), min(number), max(number), min(NULLIF(date, '')), max(NULLIF(date, ''))"
            " FROM documents WHERE register_id = ? GROUP BY fn_number"
            " UNION ALL SELECT DISTINCT fn_number, 0, 0, 0, NULL, NULL FROM visits"
            " WHERE register_id = ? AND fn_number <> ''"
            " AND fn_number NOT IN (SELECT fn_number FROM documents WHERE register_id = ?)"
            " ORDER BY 1"),
        {registerId, registerId, registerId});
    while (query.next()) {
        FnRow row;
        row.fnNumber = query.value(0).toString();
        row.documents = query.value(1).toInt();
        row.firstNumber = query.value(2).toUInt();
        row.lastNumber = query.value(3).toUInt();
        row.firstDate = query.value(4).toString();
        row.lastDate = query.value(5).toString();
        rows.append(row);
    }
    return rows;
}

QList<BackupRow> ServiceJournal::backups(qint64 registerId) const
{
    QList<BackupRow> rows;
    if (m_state != State::Open)
        return rows;
    QSqlQuery query =
        run(QStringLiteral("SELECT b.id, b.time, b.file_name, b.content FROM backups b"
                           " JOIN visits v ON v.id = b.visit_id WHERE v.register_id = ? ORDER BY b.time, b.id"),
            {registerId});
    while (query.next()) {
        BackupRow row;
        row.id = query.value(0).toLongLong();
        row.time = storedTime(query.value(1));
        row.fileName = query.value(2).toString();
        row.content = query.value(3).toByteArray();
        rows.append(row);
    }
    return rows;
}

QList<DumpRow> ServiceJournal::dumps(qint64 registerId) const
{
    QList<DumpRow> rows;
    if (m_state != State::Open)
        return rows;
    QSqlQuery query =
        run(QStringLiteral("SELECT d.time, d.file_name, d.size, d.md5 FROM dumps d"
                           " JOIN visits v ON v.id = d.visit_id WHERE v.register_id = ? ORDER BY d.time, d.id"),
            {registerId});
    while (query.next()) {
        DumpRow row;
        row.time = storedTime(query.value(0));
        row.fileName = query.value(1).toString();
        row.size = query.value(2).toLongLong();
        row.md5 = query.value(3).toString();
        rows.append(row);
    }
    return rows;
}

QList<DocumentRow> ServiceJournal::documents(const QString &fnNumber, const DocumentRange &range,
                                             bool withRaw) const
{
    QList<DocumentRow> rows;
    if (m_state != State::Open)
        return rows;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT d.number, d.type, d.date, d.total, d.fiscal_sign, d.ofd, d.stored, r.serial%1"
                                 " FROM documents d LEFT JOIN registers r ON r.id = d.register_id"
                                 " WHERE d.fn_number = :fn")
                      .arg(withRaw ? QStringLiteral(", d.raw") : QString());
    if (range.fromNumber > 0)
        sql += QStringLiteral(" AND d.number >= :from");
    if (range.toNumber > 0)
        sql += QStringLiteral(" AND d.number <= :to");
    if (!range.fromDate.isEmpty())
        sql += QStringLiteral(" AND d.date >= :fromDate");
    if (!range.toDate.isEmpty())
        sql += QStringLiteral(" AND d.date <= :toDate AND d.date <> ''");
    sql += QStringLiteral(" ORDER BY d.number LIMIT :limit OFFSET :offset");
    query.prepare(sql);
    query.bindValue(QStringLiteral(":fn"), fnNumber);
    if (range.fromNumber > 0)
        query.bindValue(QStringLiteral(":from"), qint64(range.fromNumber));
    if (range.toNumber > 0)
        query.bindValue(QStringLiteral(":to"), qint64(range.toNumber));
    if (!range.fromDate.isEmpty())
        query.bindValue(QStringLiteral(":fromDate"), range.fromDate);
    if (!range.toDate.isEmpty())
        query.bindValue(QStringLiteral(":toDate"), upperDate(range.toDate));
    query.bindValue(QStringLiteral(":limit"), range.limit);
    query.bindValue(QStringLiteral(":offset"), qMax(0, range.offset));
    if (!query.exec())
        return rows;
    const QMap<int, QString> &typeNames = MTLVDictionary::docTypeNames();
    while (query.next()) {
        DocumentRow row;
        row.fnNumber = fnNumber;
        row.number = query.value(0).toUInt();
        row.type = query.value(1).toInt();
        row.typeName = typeNames.value(row.type);
        row.date = query.value(2).toString();
        row.total = query.value(3).toString();
        row.fiscalSign = query.value(4).toString();
        row.ofd = query.value(5).toInt();
        row.stored = storedTime(query.value(6));
        row.serial = query.value(7).toString();
        if (withRaw)
            row.raw = query.value(8).toByteArray();
        rows.append(row);
    }
    return rows;
}

int ServiceJournal::documentCount(const QString &fnNumber) const
{
    if (m_state != State::Open)
        return 0;
    QSqlQuery query = run(QStringLiteral("SELECT count(*) FROM documents WHERE fn_number = ?"), {fnNumber});
    return query.next() ? query.value(0).toInt() : 0;
}

bool ServiceJournal::document(const QString &fnNumber, quint32 number, DocumentRow *row) const
{
    DocumentRange range;
    range.fromNumber = number;
    range.toNumber = number;
    const QList<DocumentRow> rows = number > 0 ? documents(fnNumber, range, true) : QList<DocumentRow>();
    if (rows.isEmpty())
        return false;
    *row = rows.first();
    return true;
}

QJsonObject ServiceJournal::exportJson(const QString &serial) const
{
    QJsonArray registersJson;
    QList<RegisterRow> chosen;
    if (serial.isEmpty()) {
        chosen = registers();
    } else {
        RegisterRow row;
        if (findRegister(serial, &row))
            chosen.append(row);
    }
    for (const RegisterRow &reg : std::as_const(chosen)) {
        QJsonArray visitsJson;
        for (const VisitRow &visit : visits(reg.id)) {
            QJsonArray opsJson;
            for (const OperationRow &op : visit.operations)
                opsJson.append(QJsonObject{{QStringLiteral("time"), isoText(op.time)},
                                           {QStringLiteral("name"), op.name},
                                           {QStringLiteral("outcome"), op.outcome},
                                           {QStringLiteral("ok"), op.ok}});
            visitsJson.append(QJsonObject{{QStringLiteral("started"), isoText(visit.started)},
                                          {QStringLiteral("port"), visit.port},
                                          {QStringLiteral("frontEnd"), visit.frontEnd},
                                          {QStringLiteral("inn"), visit.inn},
                                          {QStringLiteral("regNumber"), visit.regNumber},
                                          {QStringLiteral("fnNumber"), visit.fnNumber},
                                          {QStringLiteral("operations"), opsJson}});
        }
        QJsonArray fnsJson;
        QJsonArray documentsJson;
        for (const FnRow &fn : fns(reg.id)) {
            fnsJson.append(QJsonObject{{QStringLiteral("fnNumber"), fn.fnNumber},
                                       {QStringLiteral("documents"), fn.documents},
                                       {QStringLiteral("firstNumber"), qint64(fn.firstNumber)},
                                       {QStringLiteral("lastNumber"), qint64(fn.lastNumber)},
                                       {QStringLiteral("firstDate"), fn.firstDate},
                                       {QStringLiteral("lastDate"), fn.lastDate}});
            for (const DocumentRow &doc : documents(fn.fnNumber, DocumentRange(), true)) {
                if (doc.serial != reg.info.serial)
                    continue;
                documentsJson.append(QJsonObject{
                    {QStringLiteral("fnNumber"), doc.fnNumber},
                    {QStringLiteral("number"), qint64(doc.number)},
                    {QStringLiteral("type"), doc.type},
                    {QStringLiteral("typeName"), doc.typeName},
                    {QStringLiteral("date"), doc.date},
                    {QStringLiteral("total"), doc.total},
                    {QStringLiteral("fiscalSign"), doc.fiscalSign},
                    {QStringLiteral("ofdConfirmed"),
                     doc.ofd < 0 ? QJsonValue() : QJsonValue(doc.ofd == DocumentRow::OfdConfirmed)},
                    {QStringLiteral("stored"), isoText(doc.stored)},
                    {QStringLiteral("raw"), QString::fromLatin1(doc.raw.toHex())}});
            }
        }
        QJsonArray backupsJson;
        for (const BackupRow &backup : backups(reg.id)) {
            QJsonObject entry{{QStringLiteral("time"), isoText(backup.time)},
                              {QStringLiteral("fileName"), backup.fileName}};
            QJsonParseError error;
            const QJsonDocument content = QJsonDocument::fromJson(backup.content, &error);
            if (error.error == QJsonParseError::NoError && content.isObject())
                entry.insert(QStringLiteral("content"), content.object());
            else
                entry.insert(QStringLiteral("contentBase64"), QString::fromLatin1(backup.content.toBase64()));
            backupsJson.append(entry);
        }
        QJsonArray dumpsJson;
        for (const DumpRow &dump : dumps(reg.id))
            dumpsJson.append(QJsonObject{{QStringLiteral("time"), isoText(dump.time)},
                                         {QStringLiteral("fileName"), dump.fileName},
                                         {QStringLiteral("size"), dump.size},
                                         {QStringLiteral("md5"), dump.md5}});
        registersJson.append(QJsonObject{{QStringLiteral("serial"), reg.info.serial},
                                         {QStringLiteral("model"), reg.info.model},
                                         {QStringLiteral("name"), reg.info.name},
                                         {QStringLiteral("inn"), reg.info.inn},
                                         {QStringLiteral("regNumber"), reg.info.regNumber},
                                         {QStringLiteral("fnNumber"), reg.info.fnNumber},
                                         {QStringLiteral("firstSeen"), isoText(reg.firstSeen)},
                                         {QStringLiteral("lastSeen"), isoText(reg.lastSeen)},
                                         {QStringLiteral("visits"), visitsJson},
                                         {QStringLiteral("fns"), fnsJson},
                                         {QStringLiteral("documents"), documentsJson},
                                         {QStringLiteral("backups"), backupsJson},
                                         {QStringLiteral("dumps"), dumpsJson}});
    }
    return QJsonObject{{QStringLiteral("journal"), QStringLiteral("KeloAssist service journal")},
                       {QStringLiteral("schemaVersion"), kSchemaVersion},
                       {QStringLiteral("exported"), QDateTime::currentDateTime().toString(Qt::ISODate)},
                       {QStringLiteral("registers"), registersJson}};
}

} // namespace journal
