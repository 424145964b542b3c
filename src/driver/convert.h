#pragma once

// The driver's description files and the tables loaded from them: symbolic
// byte values ("Symbol.ini"), defaults ("Default.ini"), captions ("View.ini")
// and the index of command blocks ("Command.ini"). The tables are filled once
// at start-up and read-only afterwards.

#include "fixedtable.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// Capacities of the record fields, terminator included: a name of 256 holds
// at most 255 bytes.
constexpr int kSymbNameCap = 256;
constexpr int kSymbValueCap = 512;
constexpr int kViewKeyCap = 256;
constexpr int kViewCaptionCap = 512;
constexpr int kCmdNameCap = 512;

struct SymbRecord
{
    QByteArray name;
    QByteArray value; // its size is the record length
    quint32 length() const { return quint32(value.size()); }
};

struct ViewRecord
{
    QByteArray key;
    QByteArray caption; // UTF-8
    quint32 length() const { return quint32(caption.size()); }
};

struct CmdRecord
{
    QByteArray name = "UNDEFINED";
    qint64 pos = 0; // offset of the line after the block's [COMMAND] line
    qint32 exec = -1;
    qint32 pbexec = -1;
    qint32 code = -1;
    quint8 twoByte = 0;
};

using SymbTable = FixedTable<SymbRecord, 256>;
using DfltTable = FixedTable<SymbRecord, 32>;
using ViewTable = FixedTable<ViewRecord, 512>;
using CmdTable = FixedTable<CmdRecord, 512>;

extern SymbTable symbTable;
extern DfltTable dfltTable;
extern ViewTable viewTable;
extern CmdTable cmdTable;
// The whole of "Command.ini", kept for re-reading a block when it is executed.
extern QByteArray cmdFileText;

// Shows a message to the operator. The driver links no widgets: start-up
// installs a hook that opens a message box; until then the message goes to
// the debug log.
using DriverMessageHook = void (*)(const QString &title, const QString &text);
void setDriverMessageHook(DriverMessageHook hook);
void driverMessage(const QString &title, const QString &text);

// Empties the four tables (start-up does it before loading).
void resetDescriptionTables();

// Loaders of the shipped files (opened through the driver facade).
bool convSymbFile(bool symbols);
bool convViewFile();
bool convCmdFile();

// The same loaders over any source, for other copies of the files.
bool convSymbText(QIODevice &file, bool symbols);
bool convViewText(QIODevice &file);
bool convCmdText(const QByteArray &text);

// Parses one trimmed line of "Symbol.ini" or "Default.ini" into a record.
bool parseSymbLine(const QByteArray &line, SymbRecord &record);
// The value of a plain symbol line's VALUE.
bool symbValue(const QByteArray &text, QByteArray &bytes);

// Lookups.
int findCommand(int code);
const SymbRecord *findSymbol(const QByteArray &name);
const SymbRecord *findDefault(const QByteArray &name);
// The first record named so in the defaults, then in the symbols.
const SymbRecord *findDfltOrSymb(const QByteArray &name);
bool getView(const QByteArray &ident, QByteArray &caption);

// Splits description text into lines: a byte-order mark at the start is not
// part of the first line, line ends are LF or CRLF. `pos` moves past the line.
bool readDescriptionLine(const QByteArray &text, qint64 &pos, QByteArray &line);

// Error text tables ("Error.txt", "ErrorDrv.txt"): the text of code N is line N.
enum class ErrorLine { Text, NoDescription, NoLine };
ErrorLine errorLineText(const QByteArray &table, int lineNumber, QString &text);
