#include "cmdexec.h"

#include "convert.h"
#include "itemscanner.h"
#include "razbcmd.h"
#include "valueconv.h"

int curCmd = -1;
bool cmdLenFixed = false;

namespace {

bool hasPrefixNoCase(const QByteArray &line, const QByteArray &prefix)
{
    return line.size() >= prefix.size()
           && qstrnicmp(line.constData(), prefix.constData(), prefix.size()) == 0;
}

bool isBlockEnd(const QByteArray &line)
{
    return line.compare("[COMMAND]", Qt::CaseInsensitive) == 0
           || line.compare("[GROUP]", Qt::CaseInsensitive) == 0;
}

} // namespace

bool ceRazbCmdRpl()
{
    // A block without one of the lists must not leave the previous command's.
    cmdItems.clear();
    rplItems.clear();
    cmdLen = 0;
    rplLen = 0;
    cmdLenFixed = false;
    if (curCmd < 0 || curCmd >= cmdTable.count())
        return false;
    qint64 pos = cmdTable.at(curCmd).pos;
    QByteArray line;
    RazbCmd parser;
    while (readDescriptionLine(cmdFileText, pos, line) && !isBlockEnd(line)) {
        if (hasPrefixNoCase(line, "NAME="))
            continue;
        if (hasPrefixNoCase(line, "CMDLEN=")) {
            quint64 len = 0;
            if (parseUnsigned(line.mid(7).trimmed(), 10, len) && len <= quint64(kItemValueCap)) {
                cmdLen = quint32(len);
                cmdLenFixed = true;
            }
        } else if (hasPrefixNoCase(line, "CMD=")) {
            if (!parser.razbItems(line.mid(4), true, cmdLen))
                return false;
        } else if (hasPrefixNoCase(line, "RPL=")) {
            if (!parser.razbItems(line.mid(4), false, rplLen))
                return false;
        }
    }
    return true;
}
