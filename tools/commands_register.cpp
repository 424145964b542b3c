// The commands that talk to the register: ports, exec, fn-doc, fn-export, dump.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "documentformat.h"
#include "dumpfiles.h"
#include "dumpreader.h"
#include "fndocumentreader.h"
#include "fnexporter.h"
#include "progressbar.h"
#include "razbcmd.h"
#include "registersession.h"
#include "registertext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>

#include <algorithm>
#include <memory>

namespace {

// Loads the driver and opens the session; on failure the message is printed
// and exitCode says how to end.
std::unique_ptr<RegisterSession> openSession(const LinkOptions &link, int *exitCode)
{
    QString error;
    if (!RegisterSession::loadDriver(&error)) {
        Console::err(error);
        *exitCode = ExitDriver;
        return nullptr;
    }
    auto session = std::make_unique<RegisterSession>(link);
    if (!session->open()) {
        Console::err(session->errorText());
        *exitCode = session->exitCode();
        return nullptr;
    }
    return session;
}

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

} // namespace

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
                       "A command that leaves out its password takes the one of --password."),
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
    {
        // Every command is checked before the first one runs: a typing error
        // in the third must not leave the register after the second.
        RegisterSession check(link);
        for (const QString &command : cl.positional()) {
            if (!RegisterSession::checkCommand(command, &error))
                return cl.usage(QStringLiteral("\"%1\": %2").arg(command, error));
        }
    }
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;

    QJsonArray results;
    for (const QString &command : cl.positional()) {
        if (Console::stopRequested()) {
            Console::err(QStringLiteral("stopped before \"%1\"").arg(command));
            exitCode = ExitInterrupted;
            break;
        }
        if (!session->exec(command)) {
            Console::err(QStringLiteral("%1: %2").arg(command, session->errorText()));
            results.append(QJsonObject{
                {QStringLiteral("command"), command},
                {QStringLiteral("ok"), false},
                {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), session->errorCode()},
                                                      {QStringLiteral("text"), session->errorText()}}},
            });
            exitCode = session->exitCode();
            break;
        }
        const QJsonArray values = replyValuesJson();
        results.append(QJsonObject{{QStringLiteral("command"), command},
                                   {QStringLiteral("ok"), true},
                                   {QStringLiteral("values"), values}});
        if (format == DocFormat::Text)
            Console::out((results.size() > 1 ? QStringLiteral("\n") : QString())
                         + replyValuesTable(command, values));
    }
    if (format == DocFormat::Json)
        Console::outBytes(QJsonDocument(QJsonObject{{QStringLiteral("commands"), results}}).toJson());
    return exitCode;
}

int cmdFnDoc(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("fn-doc"),
        QStringLiteral("Fetches fiscal document N from the FN and prints it: as text (one row per\n"
                       "item, indented by level), as the window's HTML page, or as JSON with every\n"
                       "item (tag, name, type, decoded value, raw hex, children; tags unknown to\n"
                       "the dictionary are kept with their number and raw hex)."),
        QStringLiteral("N"));
    cl.addLinkOptions();
    cl.addFormatOption(true);
    if (const int r = cl.parse(args, 1, 1); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    quint64 number = 0;
    if (!cl.linkOptions(&link) || !cl.format(&format, true)
        || !cl.number(cl.positional().at(0), QStringLiteral("N"), 1, 0xFFFFFFFFull, &number))
        return ExitUsage;
    int exitCode = ExitOk;
    std::unique_ptr<RegisterSession> session = openSession(link, &exitCode);
    if (!session)
        return exitCode;
    RegisterSession *s = session.get();
    ops::FnDocumentReader reader([s](const QString &command) { return s->exec(command); }, s->passwordText());
    const ops::FnDocument doc = reader.read(quint32(number));
    // What was read before a failure is shown, as the window shows it; the
    // exit code and the message say that it is not the whole document.
    if (!doc.items.isEmpty()) {
        const QJsonObject extra{{QStringLiteral("number"), qint64(number)},
                                {QStringLiteral("complete"), doc.isComplete()}};
        Console::outBytes(DocumentFormat::render(doc.tlvItems(), doc.docType, format, extra));
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
    if (!FnExporter::checkWritable(file, &error) || !FnExporter::checkWritable(dumpMd5FilePath(file), &error)) {
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
    Console::info(QCoreApplication::translate("MMainForm", "Дамп считан и записан в файл: %2. MD5: [%1]")
                      .arg(QString::fromLatin1(digest), name));
    if (!dumpWriteMd5File(file, digest, &error)) {
        Console::err(QStringLiteral("cannot write %1: %2").arg(FnExporter::shownPath(dumpMd5FilePath(file)), error));
        return ExitDriver;
    }
    return ExitOk;
}
