#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QVector>

namespace kelo::emu {

class TlvWriter;

// The fiscal storage (FN) inside the register: its identity and life phase,
// the registration data, the document in progress, the archive of fiscal
// documents in TLV form, the queue of documents the OFD has not confirmed yet,
// and the cursor of a document being read item by item.
class FiscalStorage
{
public:
    enum Phase : quint8 {
        ReadyForRegistration = 0x01,
        FiscalMode = 0x03,
        PostFiscal = 0x07,
        Archived = 0x0F
    };

    enum DocumentType : quint8 {
        RegistrationReport = 1,
        ShiftOpening = 2,
        Receipt = 3,
        ShiftClosing = 5,
        FnClosing = 6,
        RegistrationChange = 11,
        SettlementReport = 21,
        CorrectionReceipt = 31,
    };

    // The document in progress, as FF01 reports it.
    enum Current : quint8 {
        NoDocument = 0x00,
        RegistrationInProgress = 0x01,
        ReceiptInProgress = 0x04,
        FnClosingInProgress = 0x10,
        ChangeWithFnReplacement = 0x12,
        ChangeInProgress = 0x13,
        CorrectionInProgress = 0x14,
        SettlementInProgress = 0x17,
    };

    struct Document
    {
        quint32 number = 0;
        quint8 type = 0;
        QDateTime time;
        quint32 fiscalSign = 0;
        QByteArray tlv;
        QDateTime ackTime; // invalid while the OFD has not confirmed it
        quint8 operation = 0;
        quint64 total = 0;
    };

    struct Registration
    {
        QString inn;
        QString regNumber;
        quint8 taxSystems = 0;
        quint8 workModes = 0;
        quint8 reason = 0;
        quint32 documentNumber = 0;
        quint32 fiscalSign = 0;
        QDateTime time;
    };

    FiscalStorage();

    // Back to an FN out of the box: empty archive, ready for registration.
    void factoryReset();

    QString number = QStringLiteral("9999078900004312");
    QString version = QStringLiteral("fn debug v 2.13");
    QDate validUntil;
    quint8 phase = ReadyForRegistration;
    quint8 current = NoDocument;
    Registration registration;
    int registrations = 0;
    int ofdAckDelaySecs = 30;

    bool isFiscal() const { return phase == FiscalMode; }

    // Stores a finished document: appends its number (1040) and fiscal sign
    // (1077) to the body and queues it for the OFD.
    const Document &commit(quint8 type, const QDateTime &time, const TlvWriter &body, quint8 operation = 0,
                           quint64 total = 0);
    const Document *find(quint32 number) const;
    quint32 lastNumber() const;
    const Document *lastDocument() const;

    // Confirms the documents whose OFD delay has passed by the register time.
    void updateOfd(const QDateTime &now);
    int unconfirmedCount() const;
    const Document *firstUnconfirmed() const;
    QByteArray ofdReceipt(const Document &doc) const; // 18 bytes

    bool beginRead(quint32 number, quint8 *type, int *length);
    bool nextItem(quint16 *tag, QByteArray *value);

    QJsonObject toJson() const;
    void fromJson(const QJsonObject &json);

private:
    quint32 fiscalSign(quint32 docNumber, const QByteArray &body) const;

    QVector<Document> archive_;
    int readIndex_ = -1;
    int readPos_ = 0;
};

} // namespace kelo::emu
