// kelo-cli find: every serial port (and --port) at every speed, side by side.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "progressbar.h"
#include "registersearch.h"
#include "registersession.h"

#include <mainproc.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>

namespace {

QStringList portsToSearch(const QString &given)
{
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << info.systemLocation();
    ports.sort();
    if (!given.isEmpty() && !ports.contains(given))
        ports.prepend(given);
    return ports;
}

QByteArray resultJson(const ops::SearchResult &result)
{
    QJsonArray found;
    for (const ops::SearchFind &f : result.found) {
        found.append(QJsonObject{{QStringLiteral("port"), f.port},
                                 {QStringLiteral("baud"), f.baud},
                                 {QStringLiteral("model"), f.model},
                                 {QStringLiteral("name"), f.name},
                                 {QStringLiteral("serial"), f.serial}});
    }
    QJsonArray skipped;
    for (const ops::SearchSkip &s : result.skipped)
        skipped.append(QJsonObject{{QStringLiteral("port"), s.port}, {QStringLiteral("reason"), s.reason}});
    return QJsonDocument(QJsonObject{{QStringLiteral("found"), found}, {QStringLiteral("skipped"), skipped}})
        .toJson(QJsonDocument::Indented);
}

} // namespace

int cmdFind(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("find"),
        QStringLiteral("Searches every serial port, and the one of --port, at every speed for the\n"
                       "register: the speed of --baud first, then the others fastest first; the\n"
                       "ports side by side. Prints port, speed, model, name and serial number of\n"
                       "each register found; ports that cannot be opened are named on standard\n"
                       "error with the reason. Exit code 1 when nothing is found."),
        QString());
    cl.addLinkOptions();
    cl.addFormatOption(false);
    cl.addProgressOption();
    if (const int r = cl.parse(args, 0, 0); r >= 0)
        return r;
    LinkOptions link;
    DocFormat format = DocFormat::Text;
    if (!cl.linkOptions(&link, false) || !cl.format(&format, false))
        return ExitUsage;
    QString error;
    if (!RegisterSession::loadDriver(&error)) {
        Console::err(error);
        return ExitDriver;
    }
    if (link.password >= 0)
        mpSetPassword(link.password);

    QList<int> rates;
    for (qint32 rate : QSerialPortInfo::standardBaudRates())
        rates << rate;
    ops::RegisterSearch search(portsToSearch(link.port), ops::RegisterSearch::order(rates, link.baud),
                               QString::fromLatin1(mpLinkSettings().passwordText));
    ProgressBar bar(cl.progress(), QStringLiteral("probes"));
    bool started = false;
    search.setProgress([&](int done, int total) {
        if (!started)
            bar.start(total);
        started = true;
        bar.update(done);
        return !Console::stopRequested();
    });
    const ops::SearchResult result = search.run();
    bar.finish();
    for (const ops::SearchSkip &s : result.skipped)
        Console::err(QStringLiteral("%1: %2").arg(s.port, s.reason));
    if (result.stopped) {
        Console::err(QStringLiteral("search stopped"));
        return ExitInterrupted;
    }
    if (format == DocFormat::Json) {
        Console::outBytes(resultJson(result));
    } else {
        QString text;
        for (const ops::SearchFind &f : result.found)
            text +=
                QStringList{f.port, QString::number(f.baud), QString::number(f.model), f.name, f.serial}.join(
                    QLatin1Char('\t'))
                + QLatin1Char('\n');
        Console::out(text);
    }
    if (result.found.isEmpty()) {
        Console::err(QStringLiteral("no register found"));
        return ExitCheckFailed;
    }
    return ExitOk;
}
