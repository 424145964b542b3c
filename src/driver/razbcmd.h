#pragma once

// Command items: one element of a CMD or RPL list of "Command.ini" such as
// "#5.2price=100", "$2cmd=FF01", "@regimFR/RegFR_" or "*16nomFN", parsed into
// a record, and the conversion of every item between text and wire bytes.

#include "fixedtable.h"

#include <QByteArray>
#include <QObject>

constexpr int kItemIdentCap = 256;
constexpr int kItemPrefCap = 256;
constexpr int kItemViewCap = 128;
constexpr int kItemDftvalCap = 512;

struct CmdItem
{
    quint8 type = 0; // '#', '$', '?', '*', '@', '/', '\\', ':', '|', '^', or '0' for a constant
    quint8 dflt = 0; // the item has a default value
    quint8 ned = 0;  // the command code item or a constant
    quint32 rel = 0; // offset in the request or reply
    quint32 len = 0; // width in bytes; 0 is variable
    qint32 dp = -1;  // decimals of a '#' item
    QByteArray ident;
    QByteArray pref;   // enumeration prefix of a '@' item
    QByteArray view;   // caption (UTF-8), or the identifier without one
    QByteArray value;  // the bytes as they travel
    QByteArray dftval; // the text form
};

using ItemTable = FixedTable<CmdItem, 512>;

// The lists of the command being executed and their total widths.
extern ItemTable cmdItems;
extern ItemTable rplItems;
extern quint32 cmdLen;
extern quint32 rplLen;

class RazbCmd : public QObject
{
    Q_OBJECT
public:
    explicit RazbCmd(QObject *parent = nullptr);

    // Parses a whole list into cmdItems (isCmdList) or rplItems. On failure
    // the table, its count and the total width stay as they were.
    bool razbItems(const QByteArray &list, bool isCmdList, quint32 &totalLen);
    // Parses one item text into a record.
    bool convCmdItem(const QByteArray &text, CmdItem &item);

private:
    bool numbItem();
    bool hexsItem(char type);
    bool strItem();
    bool enumItem();
    bool fixedItem(char type, quint32 width); // the four date and time items
    bool tmtItem();
    bool constItem();

    // Starts the current record at the running offset.
    bool beginRecord(char type, int len, int dp, const QByteArray &ident);
    bool getIdentDfltOfItem(class ItemScanner &scan, QByteArray &ident, QByteArray &dflt, bool &hasDflt);
    void defaultPassword(CmdItem &item) const;

    CmdItem m_item;
    quint32 m_offset = 0;
    int m_index = 0;
    bool m_isCmdList = true;
    QByteArray m_itemText;
};

// A password parameter: the identifiers the driver gives the current password
// when the text command leaves it out.
bool isPasswordIdent(const QByteArray &ident);

// Command side: every command item's text into its bytes. On failure
// failIndex names the item.
bool ceConvParmCmd(int &failIndex);
// Reply side: every reply item's bytes into its text.
void ceConvParmRpl();

// The same conversions for one item.
bool convItemToValue(CmdItem &item);
void convItemToText(CmdItem &item);
