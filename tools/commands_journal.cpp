// journal: what the service journal holds, without a register — the
// registers met, one register's visits, FNs, backups and dumps, the documents
// kept of an FN, one document, and the whole journal as JSON.

#include "clijournal.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "documentformat.h"
#include "dumpfiles.h"
#include "fnexporter.h"

#include <servicejournal.h>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

using journal::ServiceJournal;

const char kJournalHelp[] =
    "Usage: kelo-cli journal SUBCOMMAND [options] [arguments]\n\n"
    "The service journal: every register the program has identified, with its visits\n"
    "(when, which port, which front end) and their operations, the FN documents read\n"
    "whole, settings backups and firmware dumps. Nothing here talks to the register.\n\n"
    "Subcommands:\n"
    "  registers [--search TEXT]   the registers met: serial, model, INN, registration\n"
    "                              number, FN, last seen, visits, documents\n"
    "  show SERIAL                 one register: its visits with their operations, its\n"
    "                              FNs, backups and dumps\n"
    "  documents FN [--from A] [--to B]\n"
    "                              the documents kept of an FN, by number (A, B document\n"
    "                              numbers) or by date (yyyy-MM-dd or yyyy-MM-ddThh:mm:ss;\n"
    "                              a bare date as --to takes in the whole day)\n"
    "  document FN NUMBER [--format text|json|html] [--output FILE]\n"
    "                              one stored document, as fn-doc prints it\n"
    "  export FILE [--serial SERIAL]\n"
    "                              the whole journal, or one register, as JSON\n\n"
    "--journal FILE names the journal (default: $KELO_JOURNAL, else journal.sqlite in\n"
    "the program's data folder). A journal that does not exist yet is empty.\n"
    "\"kelo-cli journal SUBCOMMAND --help\" describes a subcommand.\n"
    "Exit codes: 0 success, 1 no such register or document, 2 usage, 3 the journal or\n"
    "the output file cannot be used.\n";

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString();
}

QString modelText(const journal::RegisterInfo &info)
{
    if (info.name.isEmpty())
        return info.model >= 0 ? QStringLiteral("model %1").arg(info.model) : QString();
    return info.model >= 0 ? QStringLiteral("%1 (%2)").arg(info.name).arg(info.model) : info.name;
}

// The journal of this run opened for reading. A journal that does not exist
// is left closed (every list empty) and is not created; one that exists but
// cannot be used ends the command.
bool openJournal(ServiceJournal *journal, int *exitCode)
{
    if (clijournal::disabled()) {
        Console::err(QStringLiteral("journal: --no-journal leaves nothing to read"));
        *exitCode = ExitUsage;
        return false;
    }
    const QString path = clijournal::path();
    if (!QFileInfo::exists(path))
        return true;
    if (journal->open(path))
        return true;
    Console::err(clijournal::unavailableText(path, clijournal::problemText(*journal)));
    *exitCode = ExitDriver;
    return false;
}

// Parses the command line of a subcommand; -1 to go on.
int parseCommon(CommandLine &cl, const QStringList &args, int minPositional, int maxPositional, bool json,
                DocFormat *format)
{
    cl.addJournalOption();
    if (json)
        cl.addFormatOption(false);
    if (const int r = cl.parse(args, minPositional, maxPositional); r >= 0)
        return r;
    cl.journalOptions();
    if (json && !cl.format(format, false))
        return ExitUsage;
    return -1;
}

int journalRegisters(const QStringList &args)
{
    CommandLine cl(QStringLiteral("journal registers"),
                   QStringLiteral("Lists the registers of the journal, the last seen first: serial number,\n"
                                  "model and name, INN, registration number, FN number, when last seen,\n"
                                  "visits and documents kept."),
                   QString());
    const QCommandLineOption search(QStringLiteral("search"),
                                    QStringLiteral("Only registers whose serial number, INN, registration "
                                                   "number or any FN number they had contains TEXT."),
                                    QStringLiteral("TEXT"));
    cl.addOption(search);
    DocFormat format = DocFormat::Text;
    if (const int r = parseCommon(cl, args, 0, 0, true, &format); r >= 0)
        return r;
    ServiceJournal journal;
    int exitCode = ExitOk;
    if (!openJournal(&journal, &exitCode))
        return exitCode;
    const QList<journal::RegisterRow> rows = journal.registers(cl.parser().value(search));
    if (format == DocFormat::Json) {
        QJsonArray list;
        for (const journal::RegisterRow &row : rows)
            list.append(ServiceJournal::toJson(row));
        Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("registers"), list}}).toJson());
        return ExitOk;
    }
    QList<QStringList> table{{QStringLiteral("serial"), QStringLiteral("model"), QStringLiteral("INN"),
                              QStringLiteral("reg number"), QStringLiteral("FN number"),
                              QStringLiteral("last seen"), QStringLiteral("visits"),
                              QStringLiteral("documents")}};
    for (const journal::RegisterRow &row : rows)
        table << QStringList{row.info.serial,
                             DocumentFormat::printable(modelText(row.info)),
                             row.info.inn,
                             row.info.regNumber,
                             row.info.fnNumber,
                             timeText(row.lastSeen),
                             QString::number(row.visits),
                             QString::number(row.documents)};
    Console::out(rows.isEmpty() ? QStringLiteral("no register in the journal\n")
                                : alignedRows(table, QString()));
    return ExitOk;
}

QString fnRange(const journal::FnRow &fn)
{
    if (fn.documents == 0)
        return QStringLiteral("no documents");
    QString text =
        QStringLiteral("%1 documents, %2..%3").arg(fn.documents).arg(fn.firstNumber).arg(fn.lastNumber);
    if (!fn.firstDate.isEmpty())
        text += QStringLiteral(", %1 .. %2").arg(fn.firstDate, fn.lastDate);
    return text;
}

int journalShow(const QStringList &args)
{
    CommandLine cl(QStringLiteral("journal show"),
                   QStringLiteral("Shows one register of the journal: what it told of itself, its visits in\n"
                                  "order with the operations of each and their outcome, its FNs (documents\n"
                                  "kept, their numbers and dates), its settings backups and firmware dumps.\n"
                                  "With --format json also each document kept (without its items)."),
                   QStringLiteral("SERIAL"));
    DocFormat format = DocFormat::Text;
    if (const int r = parseCommon(cl, args, 1, 1, true, &format); r >= 0)
        return r;
    ServiceJournal journal;
    int exitCode = ExitOk;
    if (!openJournal(&journal, &exitCode))
        return exitCode;
    const QString serial = cl.positional().at(0);
    journal::RegisterRow reg;
    if (!journal.findRegister(serial, &reg)) {
        Console::err(QStringLiteral("no register %1 in the journal").arg(serial));
        return ExitCheckFailed;
    }
    // The journal gives the latest visit first; a timeline runs forward.
    QList<journal::VisitRow> visits = journal.visits(reg.id);
    std::reverse(visits.begin(), visits.end());
    const QList<journal::FnRow> fns = journal.fns(reg.id);
    const QList<journal::BackupRow> backups = journal.backups(reg.id);
    const QList<journal::DumpRow> dumps = journal.dumps(reg.id);

    if (format == DocFormat::Json) {
        QJsonArray visitsJson;
        for (const journal::VisitRow &visit : std::as_const(visits))
            visitsJson.append(ServiceJournal::toJson(visit));
        QJsonArray fnsJson;
        QJsonArray documentsJson; // what each FN's count stands for, one by one
        for (const journal::FnRow &fn : fns) {
            fnsJson.append(ServiceJournal::toJson(fn));
            for (const journal::DocumentRow &doc : journal.documents(fn.fnNumber)) {
                if (doc.serial == reg.info.serial)
                    documentsJson.append(ServiceJournal::toJson(doc));
            }
        }
        QJsonArray backupsJson;
        for (const journal::BackupRow &backup : backups)
            backupsJson.append(ServiceJournal::toJson(backup, false));
        QJsonArray dumpsJson;
        for (const journal::DumpRow &dump : dumps)
            dumpsJson.append(ServiceJournal::toJson(dump));
        Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("register"), ServiceJournal::toJson(reg)},
                                                    {QStringLiteral("visits"), visitsJson},
                                                    {QStringLiteral("fns"), fnsJson},
                                                    {QStringLiteral("documents"), documentsJson},
                                                    {QStringLiteral("backups"), backupsJson},
                                                    {QStringLiteral("dumps"), dumpsJson}})
                              .toJson());
        return ExitOk;
    }

    const auto printable = [](const QString &text) {
        return DocumentFormat::printable(text);
    };
    QString text = QStringLiteral("Register %1  %2\n").arg(reg.info.serial, printable(modelText(reg.info)));
    text += QStringLiteral("INN %1, registration number %2, FN %3\n")
                .arg(printable(reg.info.inn), printable(reg.info.regNumber), printable(reg.info.fnNumber));
    text +=
        QStringLiteral("First seen %1, last seen %2\n").arg(timeText(reg.firstSeen), timeText(reg.lastSeen));
    text += QStringLiteral("\nVisits (%1):\n").arg(visits.size());
    for (const journal::VisitRow &visit : std::as_const(visits)) {
        text += QStringLiteral("  %1  %2  %3  FN %4\n")
                    .arg(timeText(visit.started), printable(visit.frontEnd), printable(visit.port),
                         printable(visit.fnNumber));
        QList<QStringList> ops;
        for (const journal::OperationRow &op : visit.operations)
            ops << QStringList{op.time.toString(QStringLiteral("hh:mm:ss")), printable(op.name),
                               op.ok ? QStringLiteral("ok") : QStringLiteral("FAILED"),
                               printable(op.outcome)};
        text += alignedRows(ops, QStringLiteral("    "));
    }
    text += QStringLiteral("\nFNs (%1):\n").arg(fns.size());
    for (const journal::FnRow &fn : fns)
        text += QStringLiteral("  %1  %2\n").arg(printable(fn.fnNumber), fnRange(fn));
    text += QStringLiteral("\nBackups (%1):\n").arg(backups.size());
    QList<QStringList> rows;
    for (const journal::BackupRow &backup : backups)
        rows << QStringList{timeText(backup.time), printable(backup.fileName),
                            QStringLiteral("%1 bytes").arg(backup.content.size())};
    text += alignedRows(rows, QStringLiteral("  "));
    text += QStringLiteral("\nDumps (%1):\n").arg(dumps.size());
    rows.clear();
    for (const journal::DumpRow &dump : dumps)
        rows << QStringList{timeText(dump.time), printable(dump.fileName),
                            QStringLiteral("%1 bytes").arg(dump.size),
                            QStringLiteral("MD5 %1").arg(dump.md5)};
    text += alignedRows(rows, QStringLiteral("  "));
    Console::out(text);
    return ExitOk;
}

// One bound of a document range: a document number or a date.
struct Bound
{
    enum Kind { None, Number, Date } kind = None;
    quint32 number = 0;
    QString date; // "yyyy-MM-dd" or "yyyy-MM-ddThh:mm:ss"
};

bool parseBound(const CommandLine &cl, const QString &option, Bound *bound)
{
    if (!cl.parser().isSet(option))
        return true;
    const QString text = cl.parser().value(option).trimmed();
    bool number = !text.isEmpty()
                  && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (number) {
        quint64 n = 0;
        if (!cl.number(text, QStringLiteral("--") + option, 1, 0xFFFFFFFFull, &n))
            return false;
        bound->kind = Bound::Number;
        bound->number = quint32(n);
        return true;
    }
    const bool day = text.size() == 10 && QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid();
    const bool moment =
        text.size() == 19 && QDateTime::fromString(text, QStringLiteral("yyyy-MM-ddTHH:mm:ss")).isValid();
    if (!day && !moment) {
        cl.usage(
            QStringLiteral("--%1 must be a document number or a date (yyyy-MM-dd or yyyy-MM-ddThh:mm:ss), "
                           "not \"%2\"")
                .arg(option, text));
        return false;
    }
    bound->kind = Bound::Date;
    bound->date = text;
    return true;
}

int journalDocuments(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("journal documents"),
        QStringLiteral("Lists the documents the journal keeps of FN, in number order: number, type,\n"
                       "date, total, fiscal sign, whether the OFD confirmed it (\"-\" when not\n"
                       "known) and the register it was read from. --from and --to are both\n"
                       "document numbers or both dates (yyyy-MM-dd or yyyy-MM-ddThh:mm:ss);\n"
                       "a bare date as --to takes in the whole day."),
        QStringLiteral("FN"));
    cl.addOption(QCommandLineOption(QStringLiteral("from"), QStringLiteral("First document number or date."),
                                    QStringLiteral("A")));
    cl.addOption(QCommandLineOption(QStringLiteral("to"), QStringLiteral("Last document number or date."),
                                    QStringLiteral("B")));
    DocFormat format = DocFormat::Text;
    if (const int r = parseCommon(cl, args, 1, 1, true, &format); r >= 0)
        return r;
    Bound from, to;
    if (!parseBound(cl, QStringLiteral("from"), &from) || !parseBound(cl, QStringLiteral("to"), &to))
        return ExitUsage;
    journal::DocumentRange range;
    if (from.kind != Bound::None && to.kind != Bound::None && from.kind != to.kind)
        return cl.usage(QStringLiteral("--from and --to must both be document numbers or both dates"));
    if (from.kind == Bound::Number && to.kind == Bound::Number && to.number < from.number)
        return cl.usage(QStringLiteral("--to %1 is before --from %2").arg(to.number).arg(from.number));
    // A bare date as the upper bound is the whole day; as the lower, its start.
    const QString lastMoment = to.date.size() == 10 ? to.date + QStringLiteral("T23:59:59") : to.date;
    if (from.kind == Bound::Date && to.kind == Bound::Date && lastMoment < from.date)
        return cl.usage(QStringLiteral("--to %1 is before --from %2").arg(to.date, from.date));
    range.fromNumber = from.number;
    range.toNumber = to.number;
    range.fromDate = from.date;
    range.toDate = to.date;

    ServiceJournal journal;
    int exitCode = ExitOk;
    if (!openJournal(&journal, &exitCode))
        return exitCode;
    const QString fn = cl.positional().at(0);
    const QList<journal::DocumentRow> rows = journal.documents(fn, range);
    const auto ofdText = [](int ofd) {
        return ofd < 0 ? QStringLiteral("-") : (ofd > 0 ? QStringLiteral("yes") : QStringLiteral("no"));
    };
    if (format == DocFormat::Json) {
        QJsonArray list;
        for (const journal::DocumentRow &row : rows)
            list.append(ServiceJournal::toJson(row));
        Console::outBytes(
            QJsonDocument(QJsonObject{{QStringLiteral("fnNumber"), fn}, {QStringLiteral("documents"), list}})
                .toJson());
        return ExitOk;
    }
    if (rows.isEmpty()) {
        Console::out(
            QStringLiteral("no document of FN %1 in the journal\n").arg(DocumentFormat::printable(fn)));
        return ExitOk;
    }
    QList<QStringList> table{{QStringLiteral("number"), QStringLiteral("type"), QStringLiteral("date"),
                              QStringLiteral("total"), QStringLiteral("fiscal sign"), QStringLiteral("OFD"),
                              QStringLiteral("register")}};
    for (const journal::DocumentRow &row : rows)
        table << QStringList{
            QString::number(row.number),
            DocumentFormat::printable(row.typeName.isEmpty() ? QString::number(row.type) : row.typeName),
            row.date,
            row.total,
            row.fiscalSign,
            ofdText(row.ofd),
            row.serial};
    Console::out(alignedRows(table, QString()));
    return ExitOk;
}

int journalDocument(const QStringList &args)
{
    CommandLine cl(QStringLiteral("journal document"),
                   QStringLiteral("Prints document NUMBER of FN as the journal keeps it, as fn-doc prints a\n"
                                  "document read from the FN: text, the window's HTML page, or JSON."),
                   QStringLiteral("FN NUMBER"));
    const QCommandLineOption output(
        QStringList{QStringLiteral("output"), QStringLiteral("out")},
        QStringLiteral("Write the document to FILE (whole or not at all) instead of "
                       "standard output."),
        QStringLiteral("FILE"));
    cl.addOption(output);
    cl.addJournalOption();
    cl.addFormatOption(true);
    if (const int r = cl.parse(args, 2, 2); r >= 0)
        return r;
    cl.journalOptions();
    DocFormat format = DocFormat::Text;
    quint64 number = 0;
    if (!cl.format(&format, true)
        || !cl.number(cl.positional().at(1), QStringLiteral("NUMBER"), 1, 0xFFFFFFFFull, &number))
        return ExitUsage;
    const QString outFile = cl.parser().value(output);
    ServiceJournal journal;
    int exitCode = ExitOk;
    if (!openJournal(&journal, &exitCode))
        return exitCode;
    const QString fn = cl.positional().at(0);
    journal::DocumentRow row;
    if (!journal.document(fn, quint32(number), &row)) {
        Console::err(QStringLiteral("no document %1 of FN %2 in the journal").arg(number).arg(fn));
        return ExitCheckFailed;
    }
    const ops::FnDocument doc = ServiceJournal::toFnDocument(row);
    const QJsonObject extra{{QStringLiteral("number"), qint64(number)},
                            {QStringLiteral("complete"), doc.isComplete()}};
    QByteArray content = DocumentFormat::render(doc.tlvItems(), doc.docType, format, extra);
    if (outFile.isEmpty()) {
        Console::outBytes(content);
    } else {
        if (format == DocFormat::Html)
            content = DocumentFormat::declaringUtf8(content);
        QString error;
        if (!dumpWriteFile(outFile, content, &error)) {
            Console::err(QStringLiteral("cannot write %1: %2").arg(FnExporter::shownPath(outFile), error));
            return ExitDriver;
        }
    }
    if (doc.isComplete())
        return ExitOk;
    Console::err(QStringLiteral("document %1: %2").arg(number).arg(doc.error));
    return ExitCheckFailed;
}

int journalExport(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("journal export"),
        QStringLiteral("Writes the whole journal, or the register SERIAL, into FILE as JSON (whole\n"
                       "or not at all): each register with its visits and operations, FNs,\n"
                       "documents (raw items in hex), backups (the file's JSON) and dumps."),
        QStringLiteral("FILE"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Only the register SERIAL."),
                                    QStringLiteral("SERIAL"));
    cl.addOption(serial);
    if (const int r = parseCommon(cl, args, 1, 1, false, nullptr); r >= 0)
        return r;
    const QString file = cl.positional().at(0);
    if (QFileInfo(file).isDir())
        return cl.usage(QStringLiteral("%1 is a directory").arg(file));
    ServiceJournal journal;
    int exitCode = ExitOk;
    if (!openJournal(&journal, &exitCode))
        return exitCode;
    const QString only = cl.parser().value(serial);
    journal::RegisterRow reg;
    if (cl.parser().isSet(serial) && !journal.findRegister(only, &reg)) {
        Console::err(QStringLiteral("no register %1 in the journal; nothing written").arg(only));
        return ExitCheckFailed;
    }
    const QJsonObject json = journal.exportJson(only);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(json).toJson()) < 0 || !out.commit()) {
        Console::err(
            QStringLiteral("cannot write %1: %2").arg(FnExporter::shownPath(file), out.errorString()));
        return ExitDriver;
    }
    Console::info(QStringLiteral("%1 registers written to %2")
                      .arg(json.value(QStringLiteral("registers")).toArray().size())
                      .arg(FnExporter::shownPath(file)));
    return ExitOk;
}

// The subcommand: the first argument that is neither an option nor an
// option's value (the common options may come before it).
int subcommandAt(const QStringList &args)
{
    static const QStringList withValue{
        QStringLiteral("-p"),       QStringLiteral("--port"),     QStringLiteral("-b"),
        QStringLiteral("--baud"),   QStringLiteral("--password"), QStringLiteral("--timeout"),
        QStringLiteral("-f"),       QStringLiteral("--format"),   QStringLiteral("--journal"),
        QStringLiteral("--search"), QStringLiteral("--from"),     QStringLiteral("--to"),
        QStringLiteral("--output"), QStringLiteral("--out"),      QStringLiteral("--serial")};
    for (int i = 0; i < args.size(); ++i) {
        if (!args.at(i).startsWith(QLatin1Char('-')))
            return i;
        if (withValue.contains(args.at(i)))
            ++i;
    }
    return -1;
}

} // namespace

int cmdJournal(const QStringList &args)
{
    const int at = subcommandAt(args);
    if (at < 0) {
        if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))
            || args.contains(QStringLiteral("--help-all"))) {
            Console::out(QString::fromUtf8(kJournalHelp));
            return ExitOk;
        }
        Console::err(QStringLiteral("journal: no subcommand (see kelo-cli journal --help)"));
        return ExitUsage;
    }
    QStringList rest = args;
    const QString name = rest.takeAt(at);
    static const struct
    {
        const char *name;
        int (*run)(const QStringList &);
    } subcommands[] = {{"registers", journalRegisters},
                       {"show", journalShow},
                       {"documents", journalDocuments},
                       {"document", journalDocument},
                       {"export", journalExport}};
    for (const auto &sub : subcommands) {
        if (name == QLatin1String(sub.name))
            return sub.run(rest);
    }
    if (name == QLatin1String("help")) {
        Console::out(QString::fromUtf8(kJournalHelp));
        return ExitOk;
    }
    Console::err(
        QStringLiteral("journal: unknown subcommand \"%1\" (see kelo-cli journal --help)").arg(name));
    return ExitUsage;
}
