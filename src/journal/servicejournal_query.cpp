// Reading the journal: the lists the page and kelo-cli show, and the export.

#include "servicejournal.h"

#include <mtlvdictionary.h>

#include <QCryptographicHash>
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
    return time.isValid() ? time.toString(Qt::ISODate) : QString();
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

QList<VisitRow> ServiceJournal::visits(qint64 registerId, int limit) const
{
    QList<VisitRow> rows;
    if (m_state != State::Open)
        return rows;
    const QString chosen = QStringLiteral("SELECT id, started, port, front_end, inn, reg_number, fn_number FROM visits"
                                          " WHERE register_id = ? ORDER BY started DESC, id DESC LIMIT ?");
    QSqlQuery query = run(chosen, {registerId, limit});
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
                               " JOIN (%1) v ON v.id = o.visit_id ORDER BY o.id")
                    .arg(chosen),
                {registerId, limit});
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

QJsonObject ServiceJournal::toJson(const RegisterRow &row)
{
    return QJsonObject{{QStringLiteral("serial"), row.info.serial},
                       {QStringLiteral("model"), row.info.model},
                       {QStringLiteral("name"), row.info.name},
                       {QStringLiteral("inn"), row.info.inn},
                       {QStringLiteral("regNumber"), row.info.regNumber},
                       {QStringLiteral("fnNumber"), row.info.fnNumber},
                       {QStringLiteral("firstSeen"), isoText(row.firstSeen)},
                       {QStringLiteral("lastSeen"), isoText(row.lastSeen)},
                       {QStringLiteral("visits"), row.visits},
                       {QStringLiteral("documents"), row.documents}};
}

QJsonObject ServiceJournal::toJson(const VisitRow &row)
{
    QJsonArray operations;
    for (const OperationRow &op : row.operations)
        operations.append(QJsonObject{{QStringLiteral("time"), isoText(op.time)},
                                      {QStringLiteral("name"), op.name},
                                      {QStringLiteral("outcome"), op.outcome},
                                      {QStringLiteral("ok"), op.ok}});
    return QJsonObject{{QStringLiteral("started"), isoText(row.started)},
                       {QStringLiteral("port"), row.port},
                       {QStringLiteral("frontEnd"), row.frontEnd},
                       {QStringLiteral("inn"), row.inn},
                       {QStringLiteral("regNumber"), row.regNumber},
                       {QStringLiteral("fnNumber"), row.fnNumber},
                       {QStringLiteral("operations"), operations}};
}

QJsonObject ServiceJournal::toJson(const FnRow &row)
{
    return QJsonObject{{QStringLiteral("fnNumber"), row.fnNumber},
                       {QStringLiteral("documents"), row.documents},
                       {QStringLiteral("firstNumber"), qint64(row.firstNumber)},
                       {QStringLiteral("lastNumber"), qint64(row.lastNumber)},
                       {QStringLiteral("firstDate"), row.firstDate},
                       {QStringLiteral("lastDate"), row.lastDate}};
}

QJsonObject ServiceJournal::toJson(const BackupRow &row, bool withContent)
{
    QJsonObject json{
        {QStringLiteral("time"), isoText(row.time)},
        {QStringLiteral("fileName"), row.fileName},
        {QStringLiteral("size"), qint64(row.content.size())},
        {QStringLiteral("md5"),
         QString::fromLatin1(QCryptographicHash::hash(row.content, QCryptographicHash::Md5).toHex())}};
    if (!withContent)
        return json;
    QJsonParseError error;
    const QJsonDocument content = QJsonDocument::fromJson(row.content, &error);
    if (error.error == QJsonParseError::NoError && content.isObject())
        json.insert(QStringLiteral("content"), content.object());
    else
        json.insert(QStringLiteral("contentBase64"), QString::fromLatin1(row.content.toBase64()));
    return json;
}

QJsonObject ServiceJournal::toJson(const DumpRow &row)
{
    return QJsonObject{{QStringLiteral("time"), isoText(row.time)},
                       {QStringLiteral("fileName"), row.fileName},
                       {QStringLiteral("size"), row.size},
                       {QStringLiteral("md5"), row.md5}};
}

QJsonObject ServiceJournal::toJson(const DocumentRow &row)
{
    QJsonObject json{{QStringLiteral("fnNumber"), row.fnNumber},
                     {QStringLiteral("number"), qint64(row.number)},
                     {QStringLiteral("type"), row.type},
                     {QStringLiteral("typeName"), row.typeName},
                     {QStringLiteral("date"), row.date},
                     {QStringLiteral("total"), row.total},
                     {QStringLiteral("fiscalSign"), row.fiscalSign},
                     {QStringLiteral("ofdConfirmed"),
                      row.ofd < 0 ? QJsonValue() : QJsonValue(row.ofd == DocumentRow::OfdConfirmed)},
                     {QStringLiteral("serial"), row.serial},
                     {QStringLiteral("stored"), isoText(row.stored)}};
    if (!row.raw.isEmpty())
        json.insert(QStringLiteral("raw"), QString::fromLatin1(row.raw.toHex()));
    return json;
}

QJsonObject ServiceJournal::exportJson(const QString &serial) const
{
    QList<RegisterRow> chosen;
    if (serial.isEmpty()) {
        chosen = registers();
    } else {
        RegisterRow row;
        if (findRegister(serial, &row))
            chosen.append(row);
    }
    QJsonArray registersJson;
    for (const RegisterRow &reg : std::as_const(chosen)) {
        QJsonArray visitsJson;
        for (const VisitRow &visit : visits(reg.id))
            visitsJson.append(toJson(visit));
        QJsonArray fnsJson;
        QJsonArray documentsJson;
        for (const FnRow &fn : fns(reg.id)) {
            fnsJson.append(toJson(fn));
            for (const DocumentRow &doc : documents(fn.fnNumber, DocumentRange(), true)) {
                if (doc.serial == reg.info.serial)
                    documentsJson.append(toJson(doc));
            }
        }
        QJsonArray backupsJson;
        for (const BackupRow &backup : backups(reg.id))
            backupsJson.append(toJson(backup, true));
        QJsonArray dumpsJson;
        for (const DumpRow &dump : dumps(reg.id))
            dumpsJson.append(toJson(dump));
        QJsonObject json = toJson(reg);
        json.insert(QStringLiteral("visits"), visitsJson);
        json.insert(QStringLiteral("fns"), fnsJson);
        json.insert(QStringLiteral("documents"), documentsJson);
        json.insert(QStringLiteral("backups"), backupsJson);
        json.insert(QStringLiteral("dumps"), dumpsJson);
        registersJson.append(json);
    }
    return QJsonObject{{QStringLiteral("journal"), QStringLiteral("KeloAssist service journal")},
                       {QStringLiteral("schemaVersion"), kSchemaVersion},
                       {QStringLiteral("exported"), QDateTime::currentDateTime().toString(Qt::ISODate)},
                       {QStringLiteral("registers"), registersJson}};
}

} // namespace journal
