#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

namespace kelo::emu {

// What the register itself remembers besides its tables and its FN: serial
// number, clock, shift, the receipt being built, service modes and the paper.
struct RegisterState
{
    struct Line
    {
        QString name;
        quint64 quantity = 0; // thousandths
        quint64 price = 0;    // kopecks
        quint64 amount = 0;   // quantity x price, kopecks
        quint64 discount = 0;
        quint64 surcharge = 0;
        quint8 taxGroup = 0;
        quint8 department = 0;
        quint64 barcode = 0;
        bool storno = false;

        qint64 total() const;
    };

    struct Adjustment
    {
        QString name;
        quint64 amount = 0;
        bool surcharge = false;
        bool storno = false;
    };

    struct Receipt
    {
        bool open = false;
        quint8 type = 0;      // as opened by 8D: 0 sale, 1 purchase, 2 sale return, 3 purchase return
        quint8 operation = 1; // the FN's code: 1 sale, 2 sale return, 3 purchase, 4 purchase return
        int operatorNo = 0;
        QVector<Line> lines;
        QVector<Adjustment> adjustments;
        QVector<QPair<quint16, QByteArray>> extraItems; // attached with FF0C

        qint64 total() const;
        qint64 adjustmentTotal(bool surcharge) const;
        bool hasSale() const;
    };

    quint64 serialNumber = 0;
    qint64 clockOffsetSecs = 0;
    bool datePending = false;
    QDate pendingDate;
    bool shiftOpen = false;
    quint16 shiftNumber = 0;
    quint16 lastClosedShift = 0;
    quint16 receiptsInShift = 0;
    quint16 documentsInShift = 0;
    QDateTime shiftOpenedAt;
    quint16 documentCounter = 0;
    Receipt receipt;
    bool testRun = false;
    quint8 baudCode = 6;
    quint8 exchangeTimeout = 100;
    QStringList printed; // the last lines that went to paper

    void print(const QString &line);

    QJsonObject toJson() const;
    void fromJson(const QJsonObject &json);
};

} // namespace kelo::emu
