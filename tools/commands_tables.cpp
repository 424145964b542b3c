// The commands of the register's settings tables: tables, table-get,
// table-set, tables-export and tables-import.

#include "clijournal.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "documentformat.h"
#include "progressbar.h"
#include "registersession.h"
#include "settingstables.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace {

using ops::CellChange;
using ops::SettingsTables;
using ops::TableField;
using ops::TableStructure;

SettingsTables tablesOf(RegisterSession *session)
{
    return SettingsTables([session](const QString &command) { return session->exec(command); },
                          session->passwordText());
}

// How a failed reading ends: the register's refusal, a stop, or the link.
int failed(const SettingsTables &tables)
{
    Console::err(tables.error());
    if (tables.stopped())
        return ExitInterrupted;
    return tables.errorCode() > 0 ? ExitRefused : ExitDriver;
}

QJsonValue jsonValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::ULongLong) {
        const quint64 v = value.toULongLong();
        // Beyond 2^53 a JSON number is rounded by most readers: such a value is given as text.
        return v < (quint64(1) << 53) ? QJsonValue(double(v)) : QJsonValue(QString::number(v));
    }
    return value.toString();
}

QJsonObject fieldJson(const TableField &f)
{
    QJsonObject o{{QStringLiteral("number"), f.number},
                  {QStringLiteral("name"), f.name},
                  {QStringLiteral("type"), f.typeName()},
                  {QStringLiteral("size"), f.size}};
    if (!f.text) {
        o.insert(QStringLiteral("min"), jsonValue(QVariant(qulonglong(f.min))));
        o.insert(QStringLiteral("max"), jsonValue(QVariant(qulonglong(f.max))));
    }
    return o;
}

QString cellText(const CellChange &c)
{
    return QStringLiteral("table %1 «%2», row %3, field %4 «%5»")
        .arg(c.table)
        .arg(c.tableName)
        .arg(c.row)
        .arg(c.field.number)
        .arg(c.field.name);
}

QString quoted(const TableField &field, const QVariant &value)
{
    const QString text = DocumentFormat::printable(SettingsTables::valueText(value));
    return field.text ? QStringLiteral("\"%1\"").arg(text) : text;
}

QJsonObject changeJson(const CellChange &c)
{
    return QJsonObject{{QStringLiteral("table"), c.table},
                       {QStringLiteral("tableName"), c.tableName},
                       {QStringLiteral("row"), c.row},
                       {QStringLiteral("field"), c.field.number},
                       {QStringLiteral("fieldName"), c.field.name},
                       {QStringLiteral("register"), jsonValue(c.current)},
                       {QStringLiteral("file"), jsonValue(c.wanted)}};
}

// The progress of reading every table, drawn when asked for.
void showProgress(SettingsTables &tables, ProgressBar &bar)
{
    tables.setProgress([&bar, started = false](int done, int total) mutable {
        if (total > 0) {
            if (!started) {
                bar.start(total);
                started = true;
            }
            bar.update(done);
        }
        return !Console::stopRequested();
    });
}

} // namespace

int cmdTables(const QStringList &args)
{
    CommandLine cl(QStringLiteral("tables"),
                   QStringLiteral("Lists the register's settings tables: number, name, rows and fields.\n"
                                  "Table numbers are asked from 1 on; the list ends after 16 numbers in\n"
                                  "a row that the register has no table for."),
                   QString());
    cl.addLinkOptions();
    cl.addFormatOption(false);
    if (const int r = cl.parse(args, 0, 0); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    if (!cl.linkOptions(&link) || !cl.format(&format, false))
        return ExitUsage;
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    SettingsTables tables = tablesOf(session.get());
    tables.setProgress([](int, int) { return !Console::stopRequested(); });
    QList<TableStructure> list;
    if (!tables.listTables(&list))
        return failed(tables);
    QJsonArray json;
    QString text;
    for (const TableStructure &t : list) {
        json.append(QJsonObject{{QStringLiteral("number"), t.number},
                                {QStringLiteral("name"), t.name},
                                {QStringLiteral("rows"), t.rows},
                                {QStringLiteral("fields"), t.fieldCount}});
        text += QStringLiteral("%1  %2  (rows %3, fields %4)\n")
                    .arg(t.number, 3)
                    .arg(DocumentFormat::printable(t.name))
                    .arg(t.rows)
                    .arg(t.fieldCount);
    }
    if (format == DocFormat::Json)
        Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("tables"), json}}).toJson());
    else
        Console::out(text);
    clijournal::setOutcome(QStringLiteral("%1 tables listed").arg(list.size()));
    return ExitOk;
}

int cmdTableGet(const QStringList &args)
{
    CommandLine cl(QStringLiteral("table-get"),
                   QStringLiteral("Prints the values of table T: every row, row ROW, or the one field FIELD\n"
                                  "of it. Text: one line per value, \"ROW.FIELD name: value\" (a single\n"
                                  "field: the value alone). JSON: the table's structure and its values."),
                   QStringLiteral("T [ROW [FIELD]]"));
    cl.addLinkOptions();
    cl.addFormatOption(false);
    if (const int r = cl.parse(args, 1, 3); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    const QStringList pos = cl.positional();
    quint64 table = 0, row = 0, field = 0;
    if (!cl.linkOptions(&link) || !cl.format(&format, false)
        || !cl.number(pos.at(0), QStringLiteral("T"), 1, SettingsTables::kMaxTable, &table)
        || (pos.size() > 1 && !cl.number(pos.at(1), QStringLiteral("ROW"), 1, 0xFFFF, &row))
        || (pos.size() > 2 && !cl.number(pos.at(2), QStringLiteral("FIELD"), 1, 255, &field)))
        return ExitUsage;
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    SettingsTables tables = tablesOf(session.get());
    tables.setProgress([](int, int) { return !Console::stopRequested(); });
    TableStructure s;
    if (!tables.readStructure(int(table), &s))
        return failed(tables);
    if (row > quint64(s.rows))
        return cl.usage(QStringLiteral("table %1 has rows 1..%2, not %3").arg(table).arg(s.rows).arg(row));
    if (field > quint64(s.fields.size()))
        return cl.usage(
            QStringLiteral("table %1 has fields 1..%2, not %3").arg(table).arg(s.fields.size()).arg(field));
    const int firstRow = row ? int(row) : 1;
    const int lastRow = row ? int(row) : s.rows;
    const int firstField = field ? int(field) : 1;
    const int lastField = field ? int(field) : int(s.fields.size());
    QJsonArray values;
    QString text;
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int f = firstField; f <= lastField; ++f) {
            QVariant v;
            if (!tables.readValue(s, r, f, &v))
                return failed(tables);
            const TableField &tf = s.fields.at(f - 1);
            values.append(QJsonObject{{QStringLiteral("row"), r},
                                      {QStringLiteral("field"), f},
                                      {QStringLiteral("name"), tf.name},
                                      {QStringLiteral("value"), jsonValue(v)}});
            if (field)
                text += DocumentFormat::printable(SettingsTables::valueText(v)) + QLatin1Char('\n');
            else
                text += QStringLiteral("%1.%2 %3: %4\n").arg(r).arg(f).arg(tf.name, quoted(tf, v));
        }
    }
    if (format == DocFormat::Json) {
        QJsonArray fields;
        for (const TableField &f : s.fields)
            fields.append(fieldJson(f));
        const QJsonObject structure{{QStringLiteral("number"), s.number},
                                    {QStringLiteral("name"), s.name},
                                    {QStringLiteral("rows"), s.rows},
                                    {QStringLiteral("fields"), fields}};
        Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("table"), structure},
                                                    {QStringLiteral("values"), values}})
                              .toJson());
    } else {
        Console::out(text);
    }
    clijournal::setOutcome(QStringLiteral("table %1: %2 values read").arg(table).arg(values.size()));
    return ExitOk;
}

int cmdTableSet(const QStringList &args)
{
    CommandLine cl(QStringLiteral("table-set"),
                   QStringLiteral("Writes VALUE into field FIELD of row ROW of table T and reads it back.\n"
                                  "A number is decimal and must lie within the field's range; a text may\n"
                                  "take as many bytes in Windows-1251 as the field has. A value that does\n"
                                  "not fit is refused with the range or size (exit 2), nothing written."),
                   QStringLiteral("T ROW FIELD VALUE"));
    cl.addLinkOptions();
    if (const int r = cl.parse(args, 4, 4); r >= 0)
        return r;
    LinkOptions link;
    const QStringList pos = cl.positional();
    quint64 table = 0, row = 0, field = 0;
    if (!cl.linkOptions(&link)
        || !cl.number(pos.at(0), QStringLiteral("T"), 1, SettingsTables::kMaxTable, &table)
        || !cl.number(pos.at(1), QStringLiteral("ROW"), 1, 0xFFFF, &row)
        || !cl.number(pos.at(2), QStringLiteral("FIELD"), 1, 255, &field))
        return ExitUsage;
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    SettingsTables tables = tablesOf(session.get());
    TableStructure s;
    if (!tables.readStructure(int(table), &s))
        return failed(tables);
    if (row > quint64(s.rows))
        return cl.usage(QStringLiteral("table %1 has rows 1..%2, not %3").arg(table).arg(s.rows).arg(row));
    if (field > quint64(s.fields.size()))
        return cl.usage(
            QStringLiteral("table %1 has fields 1..%2, not %3").arg(table).arg(s.fields.size()).arg(field));
    CellChange cell;
    cell.table = s.number;
    cell.tableName = s.name;
    cell.row = int(row);
    cell.field = s.fields.at(int(field) - 1);
    QString error;
    if (!SettingsTables::parseValue(cell.field, pos.at(3), &cell.wanted, &error))
        return cl.usage(error);
    if (!tables.readValue(s, cell.row, cell.field.number, &cell.current))
        return failed(tables);
    const ops::CellWrite w = tables.write({cell}).value(0);
    if (!w.written) {
        Console::err(QStringLiteral("%1: %2").arg(cellText(cell), w.error));
        return w.errorCode > 0 ? ExitRefused : ExitDriver;
    }
    if (!w.matches()) {
        Console::err(QStringLiteral("%1: %2").arg(cellText(cell), w.error));
        return w.readBack ? ExitCheckFailed : (w.errorCode > 0 ? ExitRefused : ExitDriver);
    }
    const QString done =
        QStringLiteral("%1.%2.%3 %4: %5 -> %6")
            .arg(cell.table)
            .arg(cell.row)
            .arg(cell.field.number)
            .arg(cell.field.name, quoted(cell.field, cell.current), quoted(cell.field, w.value));
    Console::out(done + QLatin1Char('\n'));
    clijournal::setOutcome(done);
    return ExitOk;
}

int cmdTablesExport(const QStringList &args)
{
    CommandLine cl(QStringLiteral("tables-export"),
                   QStringLiteral("Reads every settings table of the register into FILE (JSON): the model,\n"
                                  "serial number and date, and for each table its number and name, each\n"
                                  "field's name, type, size and range, and the values row by row. The file\n"
                                  "is written only when everything was read."),
                   QStringLiteral("FILE"));
    cl.addLinkOptions();
    cl.addProgressOption();
    if (const int r = cl.parse(args, 1, 1); r >= 0)
        return r;
    LinkOptions link;
    if (!cl.linkOptions(&link))
        return ExitUsage;
    const QString file = cl.positional().at(0);
    if (QFileInfo(file).isDir())
        return cl.usage(QStringLiteral("%1 is a directory").arg(file));
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    SettingsTables tables = tablesOf(session.get());
    ProgressBar bar(cl.progress(), QStringLiteral("values"));
    showProgress(tables, bar);
    ops::RegisterBackup backup;
    const bool read = tables.readAll(&backup);
    bar.finish();
    if (!read)
        return failed(tables);
    QString error;
    if (!backup.save(file, &error)) {
        Console::err(QStringLiteral("cannot write %1: %2").arg(file, error));
        return ExitDriver;
    }
    clijournal::backup(file);
    int values = 0;
    for (const ops::TableContents &t : backup.tables)
        values += t.structure.rows * int(t.structure.fields.size());
    Console::err(
        QStringLiteral("%1 tables, %2 values written to %3").arg(backup.tables.size()).arg(values).arg(file));
    return ExitOk;
}

int cmdTablesImport(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("tables-import"),
        QStringLiteral("Restores the settings tables from FILE (written by tables-export): reads the\n"
                       "register, prints every difference (\"table, row, field: register -> file\")\n"
                       "and writes only those, each read back. Fields the register keeps for itself\n"
                       "(serial number, INN, registration number, FN number, work modes) are listed\n"
                       "as skipped and never written. A file of another model, with tables or fields\n"
                       "that differ in name, type or size, or with a value out of its field's range is\n"
                       "refused with nothing written (exit 2). Exit 1 when a difference could not be\n"
                       "written."),
        QStringLiteral("FILE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Print the differences and write nothing."));
    cl.addOption(dryRun);
    cl.addLinkOptions();
    cl.addFormatOption(false);
    cl.addProgressOption();
    if (const int r = cl.parse(args, 1, 1); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    if (!cl.linkOptions(&link) || !cl.format(&format, false))
        return ExitUsage;
    const QString file = cl.positional().at(0);
    ops::RegisterBackup backup;
    QString error;
    if (!backup.load(file, &error))
        return cl.usage(QStringLiteral("%1: %2").arg(file, error));
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    // A file of another model is refused before the register is read through.
    const QString otherModel =
        SettingsTables::modelMismatch(backup, session->deviceModel(), session->deviceName());
    if (!otherModel.isEmpty()) {
        Console::err(QStringLiteral("%1: nothing written: %2").arg(file, otherModel));
        return ExitUsage;
    }
    SettingsTables tables = tablesOf(session.get());
    ProgressBar bar(cl.progress(), QStringLiteral("values"));
    showProgress(tables, bar);
    ops::RegisterBackup current;
    const bool read = tables.readAll(&current);
    bar.finish();
    if (!read)
        return failed(tables);
    const ops::RestorePlan plan = SettingsTables::planRestore(backup, current);
    if (!plan.refusal.isEmpty()) {
        Console::err(QStringLiteral("%1: nothing written: %2").arg(file, plan.refusal));
        return ExitUsage;
    }
    QJsonArray differences, skipped, written;
    QString text;
    for (const CellChange &c : plan.changes) {
        differences.append(changeJson(c));
        text += QStringLiteral("%1: %2 -> %3\n")
                    .arg(cellText(c), quoted(c.field, c.current), quoted(c.field, c.wanted));
    }
    for (const CellChange &c : plan.skipped) {
        skipped.append(changeJson(c));
        text += QStringLiteral("skipped, kept by the register: %1: %2 -> %3\n")
                    .arg(cellText(c), quoted(c.field, c.current), quoted(c.field, c.wanted));
    }
    if (format == DocFormat::Text)
        Console::out(text);
    int notWritten = 0;
    bool linkFailed = false;
    tables.setProgress([](int, int) { return !Console::stopRequested(); });
    if (!cl.parser().isSet(dryRun)) {
        for (const ops::CellWrite &w : tables.write(plan.changes)) {
            QJsonObject o = changeJson(w.cell);
            o.insert(QStringLiteral("ok"), w.matches());
            if (!w.matches()) {
                ++notWritten;
                linkFailed = linkFailed || (!w.written && w.errorCode < 0);
                o.insert(QStringLiteral("error"), w.error);
                Console::err(QStringLiteral("not written: %1: %2").arg(cellText(w.cell), w.error));
            }
            written.append(o);
        }
    }
    if (format == DocFormat::Json) {
        QJsonObject out{{QStringLiteral("differences"), differences}, {QStringLiteral("skipped"), skipped}};
        if (!cl.parser().isSet(dryRun))
            out.insert(QStringLiteral("written"), written);
        Console::outBytes(QJsonDocument(out).toJson());
    }
    Console::err(cl.parser().isSet(dryRun)
                     ? QStringLiteral("%1 differences, %2 skipped; nothing written (--dry-run)")
                           .arg(plan.changes.size())
                           .arg(plan.skipped.size())
                     : QStringLiteral("%1 differences, %2 written, %3 skipped")
                           .arg(plan.changes.size())
                           .arg(plan.changes.size() - notWritten)
                           .arg(plan.skipped.size()));
    if (tables.stopped())
        return ExitInterrupted;
    if (linkFailed)
        return ExitDriver;
    return notWritten ? ExitCheckFailed : ExitOk;
}
