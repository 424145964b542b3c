// The commands that talk to the register: ports, exec, fn-doc, fn-export,
// dump; and commands, which lists what exec can send.

#include "clijournal.h"
#include "cmdexec.h"
#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "convert.h"
#include "documentformat.h"
#include "dumpfiles.h"
#include "dumpreader.h"
#include "fndocumentreader.h"
#include "fnexporter.h"
#include "mtlvdictionary.h"
#include "progressbar.h"
#include "razbcmd.h"
#include "registersession.h"
#include "registertext.h"
#include "valueconv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSerialPortInfo>

#include <algorithm>
#include <memory>

namespace {

QString replyText(const CmdItem &item)
{
    if (item.type == '*')
        return fromRegisterText(item.dftval);
    return QString::fromUtf8(item.dftval);
}

QJsonArray replyValuesJson()
{
    QJsonArray values;
    for (int i = 0; i < rplItems.count(); ++i) {
        const CmdItem &item = rplItems.at(i);
        values.append(QJsonObject{
            {QStringLiteral("index"), i},
            {QStringLiteral("ident"), QString::fromUtf8(item.ident)},
            {QStringLiteral("caption"), QString::fromUtf8(item.view)},
            {QStringLiteral("text"), replyText(item)},
            {QStringLiteral("raw"), QString::fromLatin1(item.value.toHex())},
        });
    }
    return values;
}

// A reply value as JSON: numbers as numbers (beyond 2^53 as their text),
// no value as null, everything else as its text.
QJsonValue replyValueJson(const CmdItem &item)
{
    const QString text = replyText(item);
    switch (item.type) {
    case '#':
    case '0':
    case '@': {
        if (text.isEmpty())
            return QJsonValue(QJsonValue::Null);
        bool ok = false;
        if (item.dp < 0 || item.type == '@') {
            const quint64 number = text.toULongLong(&ok);
            if (ok && number <= (quint64(1) << 53))
                return qint64(number);
            return text;
        }
        const double number =
            (text.startsWith(QLatin1Char('.')) ? QLatin1Char('0') + text : text).toDouble(&ok);
        return ok ? QJsonValue(number) : QJsonValue(text);
    }
    default:
        return text;
    }
}

// The reply values keyed by identifier; the first of two with one name wins.
QJsonObject replyValuesByIdent()
{
    QJsonObject named;
    for (int i = 0; i < rplItems.count(); ++i) {
        const QString ident = QString::fromUtf8(rplItems.at(i).ident);
        if (!named.contains(ident))
            named.insert(ident, replyValueJson(rplItems.at(i)));
    }
    return named;
}

void appendLe16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char(value >> 8));
}

// The document as the FN keeps it: form code, length, then its items, each
// with its tag and length. The reader keeps a document within 65,535 bytes.
QByteArray wholeDocument(const ops::FnDocument &doc)
{
    QByteArray items;
    for (const ops::FnItem &item : doc.items) {
        appendLe16(items, item.tag);
        appendLe16(items, quint16(item.value.size()));
        items += item.value;
    }
    QByteArray bytes;
    appendLe16(bytes, doc.docType);
    appendLe16(bytes, quint16(qMin(items.size(), qsizetype(0xFFFF))));
    return bytes + items;
}

// At most this much is read from standard input by "exec -".
constexpr qint64 kMaxScriptBytes = qint64(1) << 20;

// The text commands of standard input, one a line; blank lines and lines
// starting with '#' are skipped, blanks around a command are not part of it.
bool readScript(QStringList *commands, QString *error)
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        *error = QStringLiteral("standard input: %1").arg(in.errorString());
        return false;
    }
    const QByteArray bytes = in.read(kMaxScriptBytes + 1);
    if (bytes.size() > kMaxScriptBytes) {
        *error = QStringLiteral("standard input: more than %1 bytes of text commands").arg(kMaxScriptBytes);
        return false;
    }
    for (const QString &line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        const QString command = line.trimmed();
        if (!command.isEmpty() && !command.startsWith(QLatin1Char('#')))
            *commands << command;
    }
    return true;
}

// The reply values as an aligned table under the command's text.
QString replyValuesTable(const QString &command, const QJsonArray &values)
{
    const QStringList keys{QStringLiteral("index"), QStringLiteral("ident"), QStringLiteral("caption"),
                           QStringLiteral("text"), QStringLiteral("raw")};
    QList<QStringList> rows{{QStringLiteral("#"), QStringLiteral("identifier"), QStringLiteral("caption"),
                             QStringLiteral("text"), QStringLiteral("raw")}};
    for (const QJsonValue &v : values) {
        QStringList row;
        for (const QString &key : keys)
            row << DocumentFormat::printable(v.toObject().value(key).toVariant().toString());
        rows << row;
    }
    QVector<int> widths(keys.size(), 0);
    for (const QStringList &row : rows) {
        for (int c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], int(row.at(c).size()));
    }
    QString text = command + QLatin1Char('\n');
    for (const QStringList &row : rows) {
        QString line = QStringLiteral("  ") + row.at(0).rightJustified(widths[0]);
        for (int c = 1; c < row.size(); ++c)
            line +=
                QStringLiteral("  ") + (c + 1 < row.size() ? row.at(c).leftJustified(widths[c]) : row.at(c));
        text += line.trimmed().isEmpty() ? QString() : line + QLatin1Char('\n');
    }
    return text;
}

QString commandCode(const CmdRecord &record)
{
    return QStringLiteral("%1").arg(record.code, record.twoByte ? 4 : 2, 16, QLatin1Char('0')).toUpper();
}

QString itemTypeName(const CmdItem &item)
{
    switch (item.type) {
    case '#':
        return item.dp >= 0 ? QStringLiteral("number.%1").arg(item.dp) : QStringLiteral("number");
    case '$':
        return QStringLiteral("hex");
    case '?':
        return QStringLiteral("flags (hex)");
    case '*':
        return QStringLiteral("text");
    case '@':
        return QStringLiteral("code");
    case '/':
    case '\\':
        return QStringLiteral("date dd/mm/yy");
    case ':':
        return QStringLiteral("time hh:mm:ss");
    case '|':
        return QStringLiteral("time hh:mm");
    case '^':
        return QStringLiteral("time-out ms");
    case '0':
        return QStringLiteral("constant");
    default:
        return QString(QLatin1Char(char(item.type)));
    }
}

QJsonObject itemJson(int index, const CmdItem &item, bool parameter)
{
    QJsonObject o{
        {QStringLiteral("index"), index},
        {QStringLiteral("ident"), QString::fromUtf8(item.ident)},
        {QStringLiteral("caption"), QString::fromUtf8(item.view)},
        {QStringLiteral("type"), itemTypeName(item)},
        {QStringLiteral("size"), item.len == 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(qint64(item.len))},
    };
    if (parameter) {
        const bool password = isPasswordIdent(item.ident);
        o.insert(QStringLiteral("password"), password);
        o.insert(QStringLiteral("default"), item.dflt || password ? QJsonValue(QString::fromUtf8(item.dftval))
                                                                  : QJsonValue(QJsonValue::Null));
    }
    return o;
}

QString itemSize(const CmdItem &item, bool parameter)
{
    if (item.len != 0)
        return QString::number(item.len);
    return parameter ? QStringLiteral("any") : QStringLiteral("rest");
}

} // namespace

QString alignedRows(const QList<QStringList> &rows, const QString &indent)
{
    QVector<int> widths;
    for (const QStringList &row : rows) {
        widths.resize(qMax(widths.size(), row.size()));
        for (int c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], int(row.at(c).size()));
    }
    QString text;
    for (const QStringList &row : rows) {
        QString line = indent;
        for (int c = 0; c < row.size(); ++c)
            line += (c + 1 < row.size() ? row.at(c).leftJustified(widths[c] + 2) : row.at(c));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

int cmdCommands(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("commands"),
        QStringLiteral("Lists the text commands of the driver's description files: code and name.\n"
                       "With CODE, shows what that command takes (its parameters in order: identifier,\n"
                       "caption, type, size in bytes, default) and the values of its reply. No register\n"
                       "is needed."),
        QStringLiteral("[CODE]"));
    cl.addFormatOption(false);
    if (const int r = cl.parse(args, 0, 1); r >= 0)
        return r;
    DocFormat format = DocFormat::Text;
    if (!cl.format(&format, false))
        return ExitUsage;
    QString error;
    if (!RegisterSession::loadDriver(&error)) {
        Console::err(error);
        return ExitDriver;
    }
    const bool json = format == DocFormat::Json;
    if (cl.positional().isEmpty()) {
        QList<QStringList> rows{{QStringLiteral("code"), QStringLiteral("name")}};
        QJsonArray list;
        for (int i = 0; i < cmdTable.count(); ++i) {
            const CmdRecord &record = cmdTable.at(i);
            if (record.code < 0)
                continue;
            rows << QStringList{commandCode(record), QString::fromUtf8(record.name)};
            list.append(QJsonObject{{QStringLiteral("code"), commandCode(record)},
                                    {QStringLiteral("name"), QString::fromUtf8(record.name)}});
        }
        if (json)
            Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("commands"), list}}).toJson());
        else
            Console::out(alignedRows(rows, QString()));
        return ExitOk;
    }
    const QString codeText = cl.positional().at(0);
    quint64 code = 0;
    const int index =
        parseUnsigned(codeText.toLatin1(), 16, code) && code <= 0xFFFF ? findCommand(int(code)) : -1;
    if (index < 0)
        return cl.usage(
            QStringLiteral("no command has the code \"%1\" (see kelo-cli commands)").arg(codeText));
    curCmd = index;
    if (!ceRazbCmdRpl())
        return cl.usage(QStringLiteral("the description of command %1 does not parse").arg(codeText));
    const CmdRecord &record = cmdTable.at(index);
    QList<QStringList> params{{QStringLiteral("#"), QStringLiteral("identifier"), QStringLiteral("caption"),
                               QStringLiteral("type"), QStringLiteral("size"), QStringLiteral("default")}};
    QJsonArray paramsJson;
    for (int i = 1; i < cmdItems.count(); ++i) {
        const CmdItem &item = cmdItems.at(i);
        QString dflt = item.dflt ? QString::fromUtf8(item.dftval) : QString();
        if (isPasswordIdent(item.ident))
            dflt = QStringLiteral("the password (%1)").arg(QString::fromUtf8(item.dftval));
        params << QStringList{QString::number(i), QString::fromUtf8(item.ident), QString::fromUtf8(item.view),
                              itemTypeName(item), itemSize(item, true),          dflt};
        paramsJson.append(itemJson(i, item, true));
    }
    QList<QStringList> reply{{QStringLiteral("#"), QStringLiteral("identifier"), QStringLiteral("caption"),
                              QStringLiteral("type"), QStringLiteral("size")}};
    QJsonArray replyJson;
    for (int i = 0; i < rplItems.count(); ++i) {
        const CmdItem &item = rplItems.at(i);
        reply << QStringList{QString::number(i), QString::fromUtf8(item.ident), QString::fromUtf8(item.view),
                             itemTypeName(item), itemSize(item, false)};
        replyJson.append(itemJson(i, item, false));
    }
    if (json) {
        QJsonObject o{{QStringLiteral("code"), commandCode(record)},
                      {QStringLiteral("name"), QString::fromUtf8(record.name)},
                      {QStringLiteral("parameters"), paramsJson},
                      {QStringLiteral("reply"), replyJson}};
        if (cmdLenFixed)
            o.insert(QStringLiteral("requestLength"), qint64(cmdLen));
        Console::outBytes(QJsonDocument(o).toJson());
        return ExitOk;
    }
    QString text = QStringLiteral("%1  %2\n").arg(commandCode(record), QString::fromUtf8(record.name));
    if (cmdLenFixed)
        text += QStringLiteral("The request is always %1 bytes: what the parameters leave is zeros.\n")
                    .arg(cmdLen);
    text += params.size() > 1 ? QStringLiteral("Parameters:\n") + alignedRows(params, QStringLiteral("  "))
                              : QStringLiteral("No parameters.\n");
    text += QStringLiteral("Reply values:\n") + alignedRows(reply, QStringLiteral("  "));
    Console::out(text);
    return ExitOk;
}

int cmdPorts(const QStringList &args)
{
    CommandLine cl(QStringLiteral("ports"), QStringLiteral("Lists the serial ports found, one a line."),
                   QString());
    const QCommandLineOption details(
        QStringLiteral("long"), QStringLiteral("Add the device path, description and maker, tab-separated."));
    cl.addOption(details);
    if (const int r = cl.parse(args, 0, 0); r >= 0)
        return r;
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(),
              [](const QSerialPortInfo &a, const QSerialPortInfo &b) { return a.portName() < b.portName(); });
    QString text;
    for (const QSerialPortInfo &port : ports) {
        text += port.portName();
        if (cl.parser().isSet(details))
            text +=
                QStringList{QString(), port.systemLocation(), port.description(), port.manufacturer()}.join(
                    QLatin1Char('\t'));
        text += QLatin1Char('\n');
    }
    Console::out(text);
    return ExitOk;
}

int cmdExec(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("exec"),
        QStringLiteral("Runs text commands such as \"FC\" or \"11,30\" in order on one connection,\n"
                       "stopping at the first failure, and prints the reply values of each:\n"
                       "index, identifier, caption, text form and raw bytes in hex.\n"
                       "A command that leaves out its password takes the one of --password.\n"
                       "\"-\" reads text commands from standard input, one a line; blank lines\n"
                       "and lines starting with # are skipped. Every command is checked before\n"
                       "the first one is sent; \"kelo-cli commands CODE\" shows what a command takes."),
        QStringLiteral("TEXT..."));
    cl.addLinkOptions();
    cl.addFormatOption(false);
    if (const int r = cl.parse(args, 1, -1); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    if (!cl.linkOptions(&link) || !cl.format(&format, false))
        return ExitUsage;
    QString error;
    if (!RegisterSession::loadDriver(&error)) {
        Console::err(error);
        return ExitDriver;
    }
    QStringList commands;
    for (const QString &arg : cl.positional()) {
        if (arg != QLatin1String("-")) {
            commands << arg;
            continue;
        }
        if (!readScript(&commands, &error))
            return cl.usage(error);
    }
    if (commands.isEmpty())
        return cl.usage(QStringLiteral("no text command to run"));
    {
        // Every command is checked before the first one runs: a typing error
        // in the third must not leave the register after the second.
        RegisterSession check(link);
        for (const QString &command : std::as_const(commands)) {
            if (!RegisterSession::checkCommand(command, &error))
                return cl.usage(QStringLiteral("\"%1\": %2").arg(RegisterSession::shown(command), error));
        }
    }
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;

    QJsonArray results;
    for (const QString &command : std::as_const(commands)) {
        // Worked out before the exchange: the reply values are read afterwards.
        const QString shown = RegisterSession::shown(command);
        if (Console::stopRequested()) {
            Console::err(QStringLiteral("stopped before \"%1\"").arg(shown));
            exitCode = ExitInterrupted;
            break;
        }
        if (!session->exec(command)) {
            Console::err(QStringLiteral("%1: %2").arg(shown, session->errorText()));
            results.append(QJsonObject{
                {QStringLiteral("command"), shown},
                {QStringLiteral("ok"), false},
                {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), session->errorCode()},
                                                      {QStringLiteral("text"), session->errorText()}}},
            });
            exitCode = session->exitCode();
            break;
        }
        const QJsonArray values = replyValuesJson();
        results.append(QJsonObject{{QStringLiteral("command"), shown},
                                   {QStringLiteral("ok"), true},
                                   {QStringLiteral("values"), values},
                                   {QStringLiteral("named"), replyValuesByIdent()}});
        if (format == DocFormat::Text)
            Console::out((results.size() > 1 ? QStringLiteral("\n") : QString())
                         + replyValuesTable(shown, values));
    }
    if (format == DocFormat::Json)
        Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("commands"), results}}).toJson());
    QStringList ran;
    for (const QJsonValue &result : std::as_const(results))
        ran << result.toObject().value(QStringLiteral("command")).toString();
    clijournal::setOutcome(QStringLiteral("ran %1").arg(ran.join(QStringLiteral("; "))));
    return exitCode;
}

int cmdFnDoc(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("fn-doc"),
        QStringLiteral("Fetches fiscal document N from the FN and prints it: as text (one row per\n"
                       "item, indented by level), as the window's HTML page, or as JSON with every\n"
                       "item (tag, name, type, decoded value, raw hex, children; tags unknown to\n"
                       "the dictionary are kept with their number and raw hex). --format tlv gives\n"
                       "the document's bytes as the FN keeps them: its form code and length, then\n"
                       "its items, as decode-tlv reads a whole document."),
        QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Write the document to FILE (whole or not at all) instead of "
                                                "standard output."),
                                 QStringLiteral("FILE"));
    cl.addOption(out);
    cl.addLinkOptions();
    cl.addFormatOption(true, QStringLiteral("tlv"));
    if (const int r = cl.parse(args, 1, 1); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    quint64 number = 0;
    const bool tlv = cl.parser().value(QStringLiteral("format")) == QLatin1String("tlv");
    if (!cl.linkOptions(&link) || (!tlv && !cl.format(&format, true))
        || !cl.number(cl.positional().at(0), QStringLiteral("N"), 1, 0xFFFFFFFFull, &number))
        return ExitUsage;
    const QString outFile = cl.parser().value(out);
    QString error;
    if (!outFile.isEmpty() && !FnExporter::checkWritable(outFile, &error)) {
        Console::err(error);
        return ExitDriver;
    }
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    RegisterSession *s = session.get();
    ops::FnDocumentReader reader([s](const QString &command) { return s->exec(command); }, s->passwordText());
    const ops::FnDocument doc = reader.read(quint32(number));
    if (doc.isComplete()) {
        clijournal::document(doc);
        clijournal::setOutcome(
            QStringLiteral("document %1 read: %2, %3 items")
                .arg(number)
                .arg(MTLVDictionary::docTypeNames().value(doc.docType, QString::number(doc.docType)))
                .arg(doc.items.size()));
    }
    // What was read before a failure is shown, as the window shows it; the
    // exit code and the message say that it is not the whole document.
    if (!doc.items.isEmpty()) {
        const QJsonObject extra{{QStringLiteral("number"), qint64(number)},
                                {QStringLiteral("complete"), doc.isComplete()}};
        QByteArray content =
            tlv ? wholeDocument(doc) : DocumentFormat::render(doc.tlvItems(), doc.docType, format, extra);
        if (outFile.isEmpty()) {
            Console::outBytes(content);
        } else {
            if (format == DocFormat::Html && !tlv)
                content = DocumentFormat::declaringUtf8(content);
            if (!dumpWriteFile(outFile, content, &error)) {
                Console::err(
                    QStringLiteral("cannot write %1: %2").arg(FnExporter::shownPath(outFile), error));
                return ExitDriver;
            }
        }
    }
    if (doc.isComplete())
        return ExitOk;
    Console::err(QStringLiteral("document %1: %2").arg(number).arg(doc.error));
    if (doc.status == ops::FnDocument::Failed)
        return doc.errorCode > 0 ? ExitRefused : ExitDriver;
    return ExitCheckFailed;
}

int cmdFnExport(const QStringList &args)
{
    CommandLine cl(QStringLiteral("fn-export"),
                   QStringLiteral("Reads fiscal documents A to B from the FN into directory D: one file per\n"
                                  "document (fd-000001.txt, .json or .html) and an index of number, type,\n"
                                  "date and total (index.csv, index.json). Documents already in D are\n"
                                  "skipped, so an interrupted export goes on where it stopped; a document\n"
                                  "that fails is reported and skipped."),
                   QString());
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("First document (default 1)."),
                                  QStringLiteral("A"), QStringLiteral("1"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Last document (default: the last one in the FN)."),
                                QStringLiteral("B"));
    const QCommandLineOption dir(QStringLiteral("dir"), QStringLiteral("Directory to write to (created)."),
                                 QStringLiteral("D"));
    cl.addOption(from);
    cl.addOption(to);
    cl.addOption(dir);
    cl.addLinkOptions();
    cl.addFormatOption(true);
    cl.addProgressOption();
    if (const int r = cl.parse(args, 0, 0); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    quint64 first = 0;
    quint64 last = 0;
    if (!cl.linkOptions(&link) || !cl.format(&format, true)
        || !cl.number(cl.parser().value(from), QStringLiteral("--from"), 1, 0xFFFFFFFFull, &first)
        || (cl.parser().isSet(to)
            && !cl.number(cl.parser().value(to), QStringLiteral("--to"), 1, 0xFFFFFFFFull, &last)))
        return ExitUsage;
    const QString directory = cl.parser().value(dir);
    if (directory.isEmpty())
        return cl.usage(QStringLiteral("give the directory with --dir"));
    if (cl.parser().isSet(to) && last < first)
        return cl.usage(QStringLiteral("--to %1 is before --from %2").arg(last).arg(first));

    // Nothing is read from the register for a directory that takes no files.
    QString error;
    if (!FnExporter::makeDirectory(directory, &error)
        || !FnExporter::checkWritable(QDir(directory).filePath(QStringLiteral("index.csv")), &error)) {
        Console::err(error);
        return ExitDriver;
    }
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    if (!cl.parser().isSet(to)) {
        // FN status: value 10 is the number of the last fiscal document.
        if (!session->exec(QStringLiteral("FF01,%1").arg(session->passwordText()))) {
            Console::err(session->errorText());
            return session->exitCode();
        }
        constexpr int kLastDocumentValue = 10;
        bool ok = false;
        last = rplItems.count() > kLastDocumentValue
                   ? QString::fromUtf8(rplItems.at(kLastDocumentValue).dftval).toULongLong(&ok)
                   : 0;
        if (!ok) {
            Console::err(QStringLiteral("the FN status does not give the last document number"));
            return ExitDriver;
        }
        if (last < first) {
            Console::info(QStringLiteral("nothing to export: the last document in the FN is %1").arg(last));
            return ExitOk;
        }
    }
    if (last - first + 1 > FnExporter::kMaxRange)
        return cl.usage(QStringLiteral("a range of more than %1 documents").arg(FnExporter::kMaxRange));
    FnExporter exporter(*session, directory, format, cl.progress());
    exitCode = exporter.run(quint32(first), quint32(last));
    Console::info(QStringLiteral("documents %1..%2: %3 written, %4 already there, %5 failed")
                      .arg(first)
                      .arg(last)
                      .arg(exporter.written())
                      .arg(exporter.skipped())
                      .arg(exporter.failed()));
    return exitCode;
}

int cmdDump(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("dump"),
        QStringLiteral("Reads the firmware dump of the register into FILE and writes its checksum\n"
                       "file beside it (FILE's base name + \".md5\": \"<md5> *<file name>\").\n"
                       "Every block is checked; on any failure no file is written. The MD5 line\n"
                       "is printed on standard output."),
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
    // Both files are tried before the dump is read: a dump that cannot be
    // kept is not worth the minutes of reading it.
    QString error;
    if (!FnExporter::checkWritable(file, &error)
        || !FnExporter::checkWritable(dumpMd5FilePath(file), &error)) {
        Console::err(error);
        return ExitDriver;
    }

    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    ops::DumpReader reader([&session](const QString &command) { return session->exec(command); },
                           session->passwordText());
    ProgressBar bar(cl.progress(), QStringLiteral("blocks"));
    reader.setProgress([&bar](int done, int total) {
        if (done == 0)
            bar.start(total);
        else
            bar.update(done);
        return !Console::stopRequested();
    });
    const ops::DumpRead dump = reader.read();
    bar.finish();
    if (dump.status != ops::DumpRead::Done) {
        Console::err(dump.error);
        switch (dump.status) {
        case ops::DumpRead::Stopped:
            return ExitInterrupted;
        case ops::DumpRead::Refused:
            return session->exitCode();
        default:
            return dump.errorCode > 0 ? ExitRefused : ExitDriver;
        }
    }
    if (!dump.closed)
        Console::err(QStringLiteral("warning: the closing \"03\" failed: %1").arg(session->errorText()));
    session->close();

    const QString name = QFileInfo(file).fileName();
    const QString shown = FnExporter::shownPath(file);
    if (!dumpWriteFile(file, dump.image, &error)) {
        Console::err(QCoreApplication::translate("MMainForm", "Ошибка записи дампа в файл: %1").arg(shown)
                     + QStringLiteral(": ") + error);
        return ExitDriver;
    }
    // The checksum is taken from the file as written.
    QByteArray digest;
    if (!dumpFileMd5(file, &digest, &error)) {
        Console::err(QCoreApplication::translate("MMainForm", "Ошибка чтения дампа из файла: %1").arg(shown)
                     + QStringLiteral(": ") + error);
        return ExitDriver;
    }
    Console::outBytes(dumpMd5Line(digest, file));
    clijournal::dump(file, dump.image);
    clijournal::setOutcome(QStringLiteral("%1: %2 bytes, MD5 %3")
                               .arg(name)
                               .arg(dump.image.size())
                               .arg(QString::fromLatin1(digest)));
    Console::info(QCoreApplication::translate("MMainForm", "Дамп считан и записан в файл: %2. MD5: [%1]")
                      .arg(QString::fromLatin1(digest), name));
    if (!dumpWriteMd5File(file, digest, &error)) {
        Console::err(
            QStringLiteral("cannot write %1: %2").arg(FnExporter::shownPath(dumpMd5FilePath(file)), error));
        return ExitDriver;
    }
    return ExitOk;
}
