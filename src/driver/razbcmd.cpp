#include "razbcmd.h"

#include "convert.h"
#include "itemscanner.h"
#include "mainproc.h"
#include "valueconv.h"

#include <cctype>

ItemTable cmdItems;
ItemTable rplItems;
quint32 cmdLen = 0;
quint32 rplLen = 0;

namespace {

bool isValidHex(const QByteArray &text)
{
    if (text.size() % 2 != 0)
        return false;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// A value widened with zero bytes, or cut, to exactly len bytes.
QByteArray sized(QByteArray bytes, int len)
{
    bytes.truncate(len);
    bytes.append(QByteArray(len - bytes.size(), '\0'));
    return bytes;
}

QByteArray unsignedText(const QByteArray &bytes)
{
    quint64 number = 0;
    for (int i = qMin(int(bytes.size()), 8) - 1; i >= 0; --i)
        number = (number << 8) | quint8(bytes[i]);
    return QByteArray::number(number);
}

} // namespace

bool isPasswordIdent(const QByteArray &ident)
{
    return ident == "prlop" || ident == "prlsa" || ident == "prlasa";
}

RazbCmd::RazbCmd(QObject *parent) : QObject(parent) {}

bool RazbCmd::beginRecord(char type, int len, int dp, const QByteArray &ident)
{
    m_item = CmdItem();
    m_item.type = quint8(type);
    m_item.len = quint32(len);
    m_item.dp = dp;
    m_item.rel = m_offset;
    m_item.ident = ident;
    m_item.view = ident;
    m_item.value = QByteArray(len, '\0');
    QByteArray caption;
    if (getView(ident, caption))
        m_item.view = caption;
    if (m_item.view.size() >= kItemViewCap)
        return false;
    m_offset += quint32(len);
    return true;
}

bool RazbCmd::getIdentDfltOfItem(ItemScanner &scan, QByteArray &ident, QByteArray &dflt, bool &hasDflt)
{
    if (!scan.getIdent(ident))
        return false;
    hasDflt = !scan.atEnd();
    if (!hasDflt)
        return true;
    if (!scan.take('='))
        return false;
    dflt = scan.rest();
    return dflt.size() < kItemDftvalCap;
}

bool RazbCmd::numbItem()
{
    ItemScanner scan(m_itemText, 1);
    int size = 0;
    int dp = -1;
    QByteArray ident, dflt;
    bool hasDflt = false;
    if (!scan.getSizeDp(1, size, dp) || !getIdentDfltOfItem(scan, ident, dflt, hasDflt)
        || !beginRecord('#', size, dp, ident))
        return false;
    if (!hasDflt)
        return true;
    QByteArray text = dflt;
    if (dflt.isEmpty() || !std::isdigit(static_cast<unsigned char>(dflt[0]))) {
        // A name: the value of a default or a symbol, written as a number.
        const SymbRecord *record = findDfltOrSymb(dflt);
        if (!record)
            return false;
        text = numbFromParamValue(int(record->value.size()), dp, record->value);
    }
    QByteArray bytes;
    if (text.size() >= kItemDftvalCap || !numbToParamValue(text, size, dp, bytes))
        return false;
    m_item.dftval = text;
    m_item.dflt = 1;
    m_item.value = bytes;
    return true;
}

bool RazbCmd::hexsItem(char type)
{
    ItemScanner scan(m_itemText, 1);
    int size = 0;
    int dp = -1;
    QByteArray ident, dflt;
    bool hasDflt = false;
    if (!scan.getSizeDp(1, size, dp) || dp >= 0 || !getIdentDfltOfItem(scan, ident, dflt, hasDflt)
        || !beginRecord(type, size, -1, ident))
        return false;
    if (hasDflt) {
        m_item.dftval = dflt;
        m_item.dflt = isValidHex(dflt) ? 1 : 0;
    }
    return true;
}

bool RazbCmd::strItem()
{
    ItemScanner scan(m_itemText, 1);
    int size = 0;
    int dp = -1;
    QByteArray ident;
    return scan.getSizeDp(1, size, dp) && dp < 0 && scan.getIdent(ident) && scan.atEnd()
           && beginRecord('*', size, -1, ident);
}

bool RazbCmd::enumItem()
{
    ItemScanner scan(m_itemText, 1);
    int size = 0;
    int dp = -1;
    QByteArray ident, prefix;
    if (!scan.getSizeDp(1, size, dp) || dp >= 0 || !scan.getIdent(ident))
        return false;
    if (scan.take('/') && !scan.getIdent(prefix))
        return false;
    if (!scan.atEnd() || !beginRecord('@', size, -1, ident))
        return false;
    m_item.pref = prefix;
    return true;
}

bool RazbCmd::fixedItem(char type, quint32 width)
{
    ItemScanner scan(m_itemText, 1);
    QByteArray ident;
    return scan.getIdent(ident) && scan.atEnd() && beginRecord(type, int(width), -1, ident);
}

bool RazbCmd::tmtItem()
{
    ItemScanner scan(m_itemText, 1);
    int size = 0;
    int dp = -1; // read and ignored
    QByteArray ident, dflt;
    bool hasDflt = false;
    if (!scan.getSizeDp(1, size, dp) || !getIdentDfltOfItem(scan, ident, dflt, hasDflt)
        || !beginRecord('^', size, -1, ident))
        return false;
    if (!hasDflt)
        return true;
    quint8 byte = 0;
    if (!tmtToParamValue(dflt, byte))
        return false;
    m_item.dftval = dflt;
    m_item.dflt = 1;
    m_item.value = sized(QByteArray(1, char(byte)), size);
    return true;
}

bool RazbCmd::constItem()
{
    quint64 number = 0;
    if (m_itemText.size() >= kItemDftvalCap || !parseUnsigned(m_itemText, 0, number)
        || !beginRecord('0', 1, -1, QByteArray()))
        return false;
    m_item.dflt = 1;
    m_item.ned = 1;
    m_item.dftval = m_itemText;
    m_item.value = QByteArray(1, char(number & 0xFF));
    return true;
}

bool RazbCmd::convCmdItem(const QByteArray &text, CmdItem &item)
{
    m_itemText = text;
    if (text.isEmpty())
        return false;
    bool ok = false;
    const char type = text[0];
    switch (type) {
    case '#':
        ok = numbItem();
        break;
    case '$':
    case '?':
        ok = hexsItem(type);
        break;
    case '*':
        ok = strItem();
        break;
    case '@':
        ok = enumItem();
        break;
    case '/':
    case '\\':
    case ':':
        ok = fixedItem(type, 3);
        break;
    case '|':
        ok = fixedItem(type, 2);
        break;
    case '^':
        ok = tmtItem();
        break;
    default:
        ok = std::isdigit(static_cast<unsigned char>(type)) && constItem();
        break;
    }
    if (ok)
        item = m_item;
    return ok;
}

void RazbCmd::defaultPassword(CmdItem &item) const
{
    const DriverLinkSettings &link = mpLinkSettings();
    if (isPasswordIdent(item.ident)) {
        item.dflt = 1;
        item.dftval = link.passwordText;
        item.value = littleEndianBytes(quint64(quint32(link.password)), int(item.len));
    } else if (item.ident == "prl0") {
        item.dflt = 1;
        item.dftval = "0";
        item.value = QByteArray(int(item.len), '\0');
    } else if (item.ident == "prlni") {
        item.dflt = 0;
    }
}

bool RazbCmd::razbItems(const QByteArray &list, bool isCmdList, quint32 &totalLen)
{
    m_offset = 0;
    m_index = 0;
    m_isCmdList = isCmdList;
    ItemTable items;
    int pos = 0;
    for (;;) {
        const int comma = list.indexOf(',', pos);
        const QByteArray text = comma < 0 ? list.mid(pos) : list.mid(pos, comma - pos);
        CmdItem item;
        if (!convCmdItem(text, item))
            return false;
        if (m_index == 0) {
            item.ident = "CMD";
            item.ned = 1;
            if (!getView(item.ident, item.view) || item.view.size() >= kItemViewCap)
                item.view = item.ident;
        } else if (m_isCmdList && m_index == 1 && !item.dflt) {
            defaultPassword(item);
        }
        if (!items.append(item))
            return false;
        ++m_index;
        if (comma < 0)
            break;
        pos = comma + 1;
    }
    (isCmdList ? cmdItems : rplItems) = items;
    totalLen = m_offset;
    return true;
}

bool convItemToValue(CmdItem &item)
{
    const int len = int(item.len);
    QByteArray bytes;
    switch (item.type) {
    case '#':
    case '0':
        if (!numbToParamValue(item.dftval, len, item.dp, bytes))
            return false;
        break;
    case '$':
    case '?':
        bytes = hexToParamValue(item.dftval, len);
        break;
    case '*':
        bytes = len > 0 ? sized(item.dftval, len) : item.dftval;
        break;
    case '/':
        if (!fieldsToParamValue(item.dftval, '/', 3, bytes))
            return false;
        break;
    case ':':
        if (!fieldsToParamValue(item.dftval, ':', 3, bytes))
            return false;
        break;
    case '|':
        if (!fieldsToParamValue(item.dftval, ':', 2, bytes))
            return false;
        break;
    case '^': {
        quint8 byte = 0;
        if (!tmtToParamValue(item.dftval, byte))
            return false;
        bytes = sized(QByteArray(1, char(byte)), len);
        break;
    }
    default: // '@' is stored by the executor, '\\' is never sent
        return true;
    }
    if (bytes.size() > kItemValueCap)
        return false;
    item.value = bytes;
    return true;
}

void convItemToText(CmdItem &item)
{
    static const int straight[] = {0, 1, 2};
    static const int reversed[] = {2, 1, 0};
    const QByteArray bytes = item.value.left(int(item.len));
    QByteArray text;
    switch (item.type) {
    case '#':
    case '0':
        text = numbFromParamValue(int(item.len), item.dp, bytes);
        break;
    case '$':
    case '?':
        text = hexFromParamValue(bytes);
        break;
    case '*': {
        const int nul = int(bytes.indexOf('\0'));
        text = nul < 0 ? bytes : bytes.left(nul);
        break;
    }
    case '/':
        text = fieldsFromParamValue(bytes, '/', straight, 3);
        break;
    case '\\':
        text = fieldsFromParamValue(bytes, '/', reversed, 3);
        break;
    case ':':
        text = fieldsFromParamValue(bytes, ':', straight, 3);
        break;
    case '|':
        text = fieldsFromParamValue(bytes, ':', straight, 2);
        break;
    case '^':
        text = bytes.isEmpty() ? QByteArray() : tmtFromParamValue(quint8(bytes[0]));
        break;
    case '@':
        text = bytes.isEmpty() ? QByteArray() : unsignedText(bytes);
        break;
    default:
        break;
    }
    item.dftval = text.left(kItemDftvalCap - 1);
}

bool ceConvParmCmd(int &failIndex)
{
    for (int i = 0; i < cmdItems.count(); ++i) {
        if (!convItemToValue(cmdItems[i])) {
            failIndex = i;
            return false;
        }
    }
    return true;
}

void ceConvParmRpl()
{
    for (int i = 0; i < rplItems.count(); ++i)
        convItemToText(rplItems[i]);
}
