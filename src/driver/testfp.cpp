#include "testfp.h"

#include "cmdexec.h"
#include "convert.h"
#include "mainproc.h"
#include "razbcmd.h"
#include "registertext.h"
#include "valueconv.h"
#include "zirivoro.h"
#include "zirivorolog.h"

#include <logging.h>
#include <mlogsystem.h>

#include <algorithm>
#include <cctype>

int lastErrCode = 0;
QString lastErrText;
DriverFailure lastErrFailure = DriverFailure::None;

namespace {

constexpr int kErrorLevel = 5;

void logTestFp(const QString &text, int level)
{
    MLogSystem::instance()->logWrite(QStringLiteral("%1: %2").arg(QStringLiteral("TestFp"), text), level);
}

} // namespace

void setDevError(int code)
{
    const QString text = mpDevErrorText(code);
    logTestFp(QStringLiteral("Ошибка %1: %2!").arg(code).arg(text), kErrorLevel);
    lastErrCode = code;
    lastErrText = text;
    lastErrFailure = DriverFailure::Refused;
}

TestFp::TestFp(QObject *parent) : QObject(parent) {}

bool TestFp::report(DriverFailure failure, const QString &message)
{
    logTestFp(message, kErrorLevel);
    lastErrText = message;
    lastErrCode = -1;
    lastErrFailure = failure;
    return false;
}

QString TestFp::getQuoteItem(const QString &rest, QChar quote, bool &ok)
{
    const int close = int(rest.indexOf(quote, 1));
    ok = close > 0;
    if (!ok)
        return QString();
    m_fields.append(rest.mid(1, close - 1));
    return rest.mid(close + 1);
}

bool TestFp::splitCommand(const QString &command)
{
    m_fields.clear();
    QString rest = command;
    for (;;) {
        if (rest.isEmpty())
            return false;
        if (rest.startsWith(QLatin1Char('"')) || rest.startsWith(QLatin1Char('\''))) {
            bool ok = false;
            rest = getQuoteItem(rest, rest.at(0), ok);
            if (!ok)
                return false;
            if (rest.isEmpty())
                return true;
            if (!rest.startsWith(QLatin1Char(',')))
                return false;
            rest.remove(0, 1);
        } else {
            const int comma = int(rest.indexOf(QLatin1Char(',')));
            if (comma < 0) {
                m_fields.append(rest);
                return true;
            }
            m_fields.append(rest.left(comma));
            rest.remove(0, comma + 1);
        }
        if (m_fields.size() >= kMaxCommandFields)
            return false;
    }
}

bool TestFp::execCommand(const QString &command)
{
    if (!splitCommand(command))
        return report(DriverFailure::BadText, tr("Error parse command!"));
    quint64 code = 0;
    const int index =
        parseUnsigned(m_fields.at(0).toLatin1(), 16, code) && code <= 0xFFFF ? findCommand(int(code)) : -1;
    if (index < 0)
        return report(DriverFailure::UnknownCommand, tr("Bad command number!"));
    const CmdRecord &record = cmdTable.at(index);
    logTestFp(tr("Exec command: %1 (%2)").arg(QString::fromUtf8(record.name)).arg(record.code), 1);
    curCmd = index;
    if (!ceRazbCmdRpl())
        return report(DriverFailure::BadDescription, tr("Error parse command params!"));
    return sendCmdRcvRpl();
}

bool TestFp::setParamValues(int &failIndex)
{
    for (int i = 1; i < cmdItems.count(); ++i) {
        CmdItem &item = cmdItems[i];
        failIndex = i;
        if (i >= m_fields.size()) {
            // A missing parameter keeps the description's default.
            if (!item.dflt)
                return false;
            continue;
        }
        const QString &field = m_fields.at(i);
        if (item.type == '@') {
            // A code that is no number, or does not fit, is refused: taken as
            // 0 (or wrapped) it would open a receipt of another type.
            quint64 number = 0;
            if (!parseUnsigned(field.toLatin1(), 10, number)
                || (item.len < 8 && number >> (8 * item.len) != 0))
                return false;
            item.value = littleEndianBytes(number, int(item.len));
            continue;
        }
        const QByteArray text = item.type == '*' ? toRegisterText(field) : field.toUtf8();
        if (text.size() >= kItemDftvalCap)
            return false;
        item.dftval = text;
    }
    return true;
}

QByteArray TestFp::buildRequest()
{
    QByteArray request;
    for (int i = 0; i < cmdItems.count(); ++i) {
        CmdItem &item = cmdItems[i];
        if (item.len == 0 && (item.type == '$' || item.type == '?' || item.type == '*')) {
            item.len = quint32(item.value.size());
            if (!cmdLenFixed)
                cmdLen += item.len;
        }
        QByteArray bytes = item.value.left(int(item.len));
        bytes.append(QByteArray(int(item.len) - bytes.size(), '\0'));
        request += bytes;
    }
    // A fixed request length pads with zero bytes or cuts.
    request = request.left(int(cmdLen));
    request.append(QByteArray(int(cmdLen) - request.size(), '\0'));
    return request;
}

bool TestFp::fillReplyValues(const QByteArray &reply)
{
    // Only the items the reply really carries become reply values: an item
    // that would run past its end, and every item after it, are absent.
    ItemTable present;
    for (int i = 0; i < rplItems.count(); ++i) {
        CmdItem item = rplItems.at(i);
        if (item.rel > quint32(reply.size()))
            break;
        if (item.len == 0)
            item.len = quint32(reply.size()) - item.rel;
        if (item.rel + item.len > quint32(reply.size()))
            break;
        item.value = reply.mid(int(item.rel), int(item.len));
        present.append(item);
    }
    rplItems = present;
    ceConvParmRpl();
    return true;
}

QString TestFp::paramName(int index) const
{
    return tr("Parameter %1 (%2)").arg(index).arg(QString::fromUtf8(cmdItems.at(index).view));
}

bool TestFp::checkSurplus()
{
    const int items = cmdItems.count();
    if (m_fields.size() > items) {
        bool takesText = false;
        for (int i = 1; i < items; ++i)
            takesText = takesText || cmdItems.at(i).type == '*';
        return report(
            DriverFailure::BadParameter,
            tr("Parameter %1 \"%2\" is one too many: command %3 takes %4 parameters")
                    .arg(items)
                    .arg(m_fields.at(items), m_fields.at(0))
                    .arg(items - 1)
                + (takesText ? tr(" (a text with a comma goes between double quotes)") : QString()));
    }
    return true;
}

bool TestFp::checkWidths(const QByteArray &request)
{
    const int items = cmdItems.count();
    quint32 total = 0;
    for (int i = 1; i < items; ++i) {
        const CmdItem &item = cmdItems.at(i);
        total += item.len;
        if (i >= m_fields.size() || item.len == 0)
            continue;
        if (item.type == '*' && quint32(item.dftval.size()) > item.len)
            return report(DriverFailure::BadParameter, tr("%1 is %2 bytes long, its field holds %3")
                                                           .arg(paramName(i))
                                                           .arg(item.dftval.size())
                                                           .arg(item.len));
        // Without a check an odd digit or a non-digit becomes a zero byte.
        if ((item.type == '$' || item.type == '?')
            && (item.dftval.size() % 2 != 0
                || !std::all_of(item.dftval.cbegin(), item.dftval.cend(),
                                [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })))
            return report(DriverFailure::BadParameter,
                          tr("%1 \"%2\" is not hexadecimal bytes: two hex digits a byte, such as 01 or 2A")
                              .arg(paramName(i), QString::fromUtf8(item.dftval)));
        if ((item.type == '$' || item.type == '?') && quint32(item.dftval.size()) > 2 * item.len)
            return report(DriverFailure::BadParameter,
                          tr("%1 is %2 hexadecimal digits long, its field holds %3")
                              .arg(paramName(i))
                              .arg(item.dftval.size())
                              .arg(2 * item.len));
    }
    total += cmdItems.at(0).len;
    if (quint32(request.size()) < total)
        return report(DriverFailure::BadParameter, tr("The parameters take %1 bytes, command %2 holds %3")
                                                       .arg(total)
                                                       .arg(m_fields.at(0))
                                                       .arg(request.size()));
    return true;
}

bool TestFp::sendCmdRcvRpl()
{
    const CmdRecord &record = cmdTable.at(curCmd);
    const QString name = QString::fromUtf8(record.name);
    int failIndex = 0;
    if (m_strict && !checkSurplus())
        return false;
    if (!setParamValues(failIndex) || !ceConvParmCmd(failIndex))
        return report(DriverFailure::BadParameter,
                      tr("Error in param %1").arg(QString::fromUtf8(cmdItems.at(failIndex).view)));
    const QByteArray request = buildRequest();
    if (m_strict && !checkWidths(request))
        return false;

    DriverLinkSettings &settings = mpLinkSettings();
    if (!settings.connected || !settings.link)
        return report(DriverFailure::NotConnected, tr("No connect!"));

    logSndBlock(request);
    const TypeAnsCmd answer = settings.link->frCommand(request, mpGetTimeOut());
    if (answer.code != 0)
        return report(DriverFailure::Link, tr("%1: %2!").arg(name, settings.link->drvErrorText(answer.code)));

    const QByteArray &reply = answer.answer;
    int errorByte = -1;
    if (reply.size() >= 2 && quint8(reply[0]) != 0xFF)
        errorByte = quint8(reply[1]);
    else if (reply.size() > 2)
        errorByte = quint8(reply[2]);
    else if (reply.size() == 2 && reply[1] != 0)
        errorByte = quint8(reply[1]);
    // The echo must be this request's code: a reply to anything else is not
    // this command's result.
    const bool echoed = !reply.isEmpty() && reply[0] == request[0]
                        && (quint8(request[0]) != 0xFF || reply.size() <= 2 || reply[1] == request[1]);
    if (errorByte < 0 || !echoed)
        return report(DriverFailure::BadReply,
                      tr("Error command execute: %1 (%2)!").arg(int(frlink::BadReplyLength)).arg(name));
    if (errorByte != 0) {
        setDevError(errorByte);
        return false;
    }
    lastErrCode = 0;
    lastErrFailure = DriverFailure::None;
    LOG(DEBUG) << "ceSendCmdRcvRpl 1";
    return fillReplyValues(reply);
}
