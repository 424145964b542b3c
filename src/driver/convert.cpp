#include "convert.h"

#include "datafiles.h"
#include "itemscanner.h"
#include "valueconv.h"

#include <logging.h>

#include <QCoreApplication>
#include <QHash>
#include <QIODevice>

SymbTable symbTable;
DfltTable dfltTable;
ViewTable viewTable;
CmdTable cmdTable;
QByteArray cmdFileText;

namespace {

DriverMessageHook messageHook = nullptr;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool startsWithNoCase(const QByteArray &line, const char *keyword)
{
    const QByteArray key(keyword);
    return line.size() >= key.size() && qstrnicmp(line.constData(), key.constData(), key.size()) == 0;
}

QString initTitle()
{
    return QCoreApplication::translate("Convert", "Инициализация");
}

// "#<size>[.<decimals>]<ident>=<text>": the value is the number as a '#'
// command item of that width and decimals would send it.
bool parseNumberLine(const QByteArray &line, SymbRecord &record)
{
    ItemScanner scan(line, 1);
    int size = 0;
    int dp = -1;
    QByteArray ident;
    if (!scan.getSizeDp(1, size, dp) || !scan.getIdent(ident) || !scan.take('='))
        return false;
    QByteArray value;
    if (!numbToParamValue(scan.rest().trimmed(), size, dp, value))
        return false;
    record.name = ident;
    record.value = value;
    return true;
}

// "*<size><ident>=<text>": the text, or the quoted part of it, zero-filled to
// the size when the size is not 0.
bool parseStringLine(const QByteArray &line, SymbRecord &record)
{
    ItemScanner scan(line, 1);
    int size = 0;
    int dp = -1;
    QByteArray ident;
    if (!scan.getSizeDp(1, size, dp) || dp >= 0 || !scan.getIdent(ident) || !scan.take('='))
        return false;
    QByteArray text = scan.rest().trimmed();
    if (text.startsWith('"')) {
        const int close = text.indexOf('"', 1);
        if (close < 0)
            return false;
        text = text.mid(1, close - 1);
    }
    if (size > 0) {
        text = text.left(size);
        text.append(QByteArray(size - text.size(), '\0'));
    }
    if (text.size() > kSymbValueCap)
        return false;
    record.name = ident;
    record.value = text;
    return true;
}

bool parsePlainLine(const QByteArray &line, SymbRecord &record)
{
    const int eq = line.indexOf('=');
    if (eq <= 0)
        return false;
    int end = eq + 1;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    QByteArray value;
    if (!symbValue(line.mid(eq + 1, end - eq - 1), value))
        return false;
    record.name = line.left(eq);
    record.value = value;
    return true;
}

template<typename Table> const SymbRecord *findIn(const Table &table, const QByteArray &name)
{
    for (const SymbRecord &record : table) {
        if (record.name == name)
            return &record;
    }
    return nullptr;
}

bool openDescriptionFile(QIODevice *file, const QString &missingText)
{
    if (file && (file->isOpen() || file->open(QIODevice::ReadOnly))) {
        file->seek(0);
        return true;
    }
    driverMessage(initTitle(), missingText);
    return false;
}

} // namespace

void setDriverMessageHook(DriverMessageHook hook)
{
    messageHook = hook;
}

void driverMessage(const QString &title, const QString &text)
{
    if (messageHook) {
        messageHook(title, text);
        return;
    }
    LOG(ERROR) << title << text;
}

void resetDescriptionTables()
{
    symbTable.clear();
    dfltTable.clear();
    viewTable.clear();
    cmdTable.clear();
    cmdFileText.clear();
}

bool readDescriptionLine(const QByteArray &text, qint64 &pos, QByteArray &line)
{
    if (pos == 0 && text.startsWith("\xEF\xBB\xBF"))
        pos = 3;
    if (pos >= text.size())
        return false;
    qint64 end = text.indexOf('\n', pos);
    const qint64 next = end < 0 ? text.size() : end + 1;
    if (end < 0)
        end = text.size();
    if (end > pos && text[end - 1] == '\r')
        --end;
    line = text.mid(pos, end - pos);
    pos = next;
    return true;
}

bool symbValue(const QByteArray &text, QByteArray &bytes)
{
    if (text.isEmpty())
        return false;
    if (const SymbRecord *known = findSymbol(text)) {
        bytes = known->value;
        return true;
    }
    if (text.size() == 1) {
        bytes = text;
        return true;
    }
    quint64 number = 0;
    if ((parseUnsigned(text, 10, number) || parseUnsigned(text, 0, number)) && number <= 0xFFFF) {
        bytes = QByteArray(1, char(number & 0xFF));
        return true;
    }
    return false;
}

bool parseSymbLine(const QByteArray &line, SymbRecord &record)
{
    bool ok = false;
    if (line.startsWith('#'))
        ok = parseNumberLine(line, record);
    else if (line.startsWith('*'))
        ok = parseStringLine(line, record);
    else
        ok = parsePlainLine(line, record);
    return ok && record.name.size() < kSymbNameCap && record.value.size() <= kSymbValueCap;
}

bool convSymbText(QIODevice &file, bool symbols)
{
    const QByteArray text = file.readAll();
    bool result = true;
    qint64 pos = 0;
    int lineNo = 0;
    QByteArray raw;
    while (readDescriptionLine(text, pos, raw)) {
        ++lineNo;
        if (raw.startsWith("//"))
            continue;
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        SymbRecord record;
        const bool added =
            parseSymbLine(line, record) && (symbols ? symbTable.append(record) : dfltTable.append(record));
        if (!added) {
            LOG(DEBUG) << "Error" << lineNo << line;
            result = false;
        }
    }
    return result;
}

bool convSymbFile(bool symbols)
{
    QIODevice *file = mpDescriptionFile(symbols ? DescriptionFile::Symbol : DescriptionFile::Default);
    const QString missing = symbols ? QCoreApplication::translate("Convert", "Нет файла Symbol.ini")
                                    : QCoreApplication::translate("Convert", "Нет файла Default.ini");
    if (!openDescriptionFile(file, missing))
        return false;
    const bool ok = convSymbText(*file, symbols);
    file->close();
    return ok;
}

bool convViewText(QIODevice &file)
{
    const QByteArray text = file.readAll();
    QVector<ViewRecord> records;
    QHash<QByteArray, int> index;
    qint64 pos = 0;
    QByteArray raw;
    while (readDescriptionLine(text, pos, raw)) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith("//") || line.startsWith('[') || line.startsWith(';'))
            continue;
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        ViewRecord record{line.left(eq).trimmed(), line.mid(eq + 1).trimmed()};
        const auto found = index.constFind(record.key);
        if (found != index.constEnd()) {
            records[found.value()] = record;
        } else {
            index.insert(record.key, int(records.size()));
            records.append(record);
        }
    }
    for (const ViewRecord &record : records) {
        const bool fits = record.key.size() < kViewKeyCap && record.caption.size() < kViewCaptionCap;
        if (!fits || !viewTable.append(record))
            LOG(DEBUG) << "Error" << record.key;
    }
    return true;
}

bool convViewFile()
{
    QIODevice *file = mpDescriptionFile(DescriptionFile::View);
    if (!openDescriptionFile(file, QCoreApplication::translate("Convert", "Нет файла View.ini")))
        return false;
    convViewText(*file);
    file->close();
    return true;
}

bool convCmdText(const QByteArray &text)
{
    cmdFileText = text;
    cmdTable.clear();
    bool open = false; // a [COMMAND] block is collecting its keys
    qint64 pos = 0;
    QByteArray line;
    while (readDescriptionLine(cmdFileText, pos, line)) {
        LOG(DEBUG) << "convCmdFile line:" << line;
        if (startsWithNoCase(line, "[COMMAND]")) {
            CmdRecord record;
            record.pos = pos;
            open = cmdTable.append(record);
            if (!open)
                LOG(DEBUG) << "Error"
                           << "command table full";
            continue;
        }
        if (startsWithNoCase(line, "[GROUP]")) {
            open = false;
            continue;
        }
        if (!open)
            continue;
        CmdRecord &record = cmdTable.last();
        quint64 number = 0;
        if (startsWithNoCase(line, "NAME=")) {
            const QByteArray name = line.mid(5);
            if (name.size() < kCmdNameCap)
                record.name = name;
        } else if (startsWithNoCase(line, "EXEC=")) {
            if (parseUnsigned(line.mid(5).trimmed(), 10, number) && number <= 0x7FFFFFFF)
                record.exec = qint32(number);
        } else if (startsWithNoCase(line, "PBEXEC=")) {
            if (parseUnsigned(line.mid(7).trimmed(), 10, number) && number <= 0x7FFFFFFF)
                record.pbexec = qint32(number);
        } else if (startsWithNoCase(line, "CMD=")) {
            const QByteArray rest = line.mid(4);
            record.twoByte = 0;
            record.code = -1;
            int digits = 0;
            if (startsWithNoCase(rest, "$CMD="))
                digits = 2;
            else if (startsWithNoCase(rest, "$2CMD="))
                digits = 4;
            if (digits > 0) {
                const QByteArray hex = rest.mid(digits == 2 ? 5 : 6, digits);
                record.code = hex.size() == digits && parseUnsigned(hex, 16, number) ? int(number) : 0;
                record.twoByte = digits == 4 ? 1 : 0;
            }
        }
    }
    return true;
}

bool convCmdFile()
{
    QIODevice *file = mpDescriptionFile(DescriptionFile::Command);
    if (!openDescriptionFile(file, QCoreApplication::translate("Convert", "Нет файла Command.ini")))
        return false;
    const QByteArray text = file->readAll();
    file->close();
    return convCmdText(text);
}

int findCommand(int code)
{
    for (int i = 0; i < cmdTable.count(); ++i) {
        if (cmdTable.at(i).code == code)
            return i;
    }
    return -1;
}

const SymbRecord *findSymbol(const QByteArray &name)
{
    return findIn(symbTable, name);
}

const SymbRecord *findDefault(const QByteArray &name)
{
    return findIn(dfltTable, name);
}

const SymbRecord *findDfltOrSymb(const QByteArray &name)
{
    if (const SymbRecord *record = findDefault(name))
        return record;
    return findSymbol(name);
}

bool getView(const QByteArray &ident, QByteArray &caption)
{
    for (const ViewRecord &record : viewTable) {
        if (record.key == ident) {
            caption = record.caption;
            return true;
        }
    }
    return false;
}

ErrorLine errorLineText(const QByteArray &table, int lineNumber, QString &text)
{
    if (lineNumber < 1)
        return ErrorLine::NoLine;
    qint64 pos = 0;
    QByteArray line;
    for (int n = 1; readDescriptionLine(table, pos, line); ++n) {
        if (n != lineNumber)
            continue;
        const int blank = line.indexOf(' ');
        if (blank < 0)
            return ErrorLine::NoDescription;
        text = QString::fromUtf8(line.mid(blank + 1)).trimmed();
        return ErrorLine::Text;
    }
    return ErrorLine::NoLine;
}
