#pragma once

#include "emulatorconfig.h"
#include "fiscalstorage.h"
#include "registerstate.h"
#include "registertables.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>

#include <functional>

namespace kelo::emu {

class RequestReader;
class TlvWriter;

// The register behind the link: executes one request (command code, password,
// parameters) and returns its reply (command echo, error byte, values in the
// layout of the command's description). Not thread-safe; the engine serialises
// access.
class RegisterModel
{
public:
    // Register error codes this model answers with.
    enum Error : quint8 {
        ErrFnState = 2,
        ErrNoData = 8,
        ErrFnParameter = 9,
        ErrTlvTooLarge = 16,
        ErrSerialAlreadySet = 18,
        ErrReregistrationsExhausted = 30,
        ErrStornoTooLarge = 45,
        ErrBadParameters = 51,
        ErrUnsupported = 55,
        ErrInternal = 57,
        ErrShiftClosed = 61,
        ErrPaymentShort = 69,
        ErrWrongReceiptType = 73,
        ErrReceiptOpen = 74,
        ErrCashlessTooLarge = 77,
        ErrShiftOver24h = 78,
        ErrPassword = 79,
        ErrReceiptClosed = 85,
        ErrDiscountTooLarge = 90,
        ErrNoTable = 93,
        ErrMultiplyOverflow = 96,
        ErrDepartment = 99,
        ErrWrongMode = 115,
        ErrFieldReadOnly = 122,
        ErrDateMismatch = 124,
        ErrDateFormat = 125,
        ErrTotalOverflow = 127,
        ErrEmptyReceipt = 142,
        ErrDateNotConfirmed = 192,
        ErrFieldInThisMode = 199,
    };

    static constexpr int kModel = 250;
    static constexpr quint64 kMaxSum = 0xFFFFFFFFFEull; // five bytes, all-FF means "no value"
    static constexpr int kTaxGroups = 6;                // rows of table 6
    // The register and its FN write fiscal documents of format 1.2 (tag 1209 = 4).
    static constexpr quint8 kFormatVersion = 4;

    explicit RegisterModel(const EmulatorConfig &config = EmulatorConfig());

    QByteArray execute(const QByteArray &request);

    // The host's clock the register's own clock runs from (tests fix it).
    void setHostClock(std::function<QDateTime()> hostNow);
    QDateTime now() const;

    void applyPreset(Preset preset);
    QJsonObject toJson() const;
    bool fromJson(const QJsonObject &json, QString *error);
    bool load(const QString &path, QString *error);
    bool save(const QString &path, QString *error) const;
    // Increases with every executed command that changed something to keep.
    quint64 changeCount() const { return changes_; }

    const RegisterState &state() const { return state_; }
    const FiscalStorage &fiscalStorage() const { return fn_; }
    const RegisterTables &tables() const { return tables_; }
    int sysAdminPassword() const { return sysAdminPassword_; }
    bool dumpActive() const { return dumpActive_; }
    int dumpBlocks() const { return dumpBlocks_; }
    quint8 modeByte() const;

private:
    enum class Access { None, Operator, Admin, SysAdmin };
    enum Flag { Query = 1, NeedsNormalMode = 2, NeedsDate = 4 };

    struct Call
    {
        quint16 code;
        RequestReader &in;
        QByteArray &out;
        int operatorNo;
    };

    using Handler = quint8 (RegisterModel::*)(Call &);

    struct Command
    {
        quint16 code;
        Access access;
        int minLength;
        int flags;
        Handler handler;
    };

    static const Command *findCommand(quint16 code);
    int operatorFor(quint32 password, Access access) const;
    bool shiftExpired() const;
    quint8 checkCanStartDocument() const;
    void resetForPreset();
    void setSerial(quint64 serial);
    void setClock(const QDateTime &registerTime);
    void addHeader(TlvWriter &doc, int operatorNo) const;
    void addFormatVersions(TlvWriter &doc, quint8 mode) const;
    quint8 taxSystemForDocuments() const;
    static QString cashierName(int operatorNo);
    quint8 validateRegistration(const QString &inn, const QString &regNumber, quint8 tax, quint8 mode) const;
    quint8 addLine(Call &call, RegisterState::Line line, quint8 receiptType);
    // The goods of a receipt closed at `total`, with what the receipt's own
    // discounts and surcharges did to each, and the receipt's VAT sums.
    void addReceiptLines(TlvWriter &doc, const RegisterState::Receipt &r, quint64 total) const;
    // Tag 1199's code for the rate of a tax group (table 6).
    quint8 vatRateCode(int group) const;
    void finishDocumentInShift();

    // Device, state and service commands.
    quint8 cmdDeviceType(Call &call);
    quint8 cmdFullState(Call &call);
    quint8 cmdShortState(Call &call);
    quint8 cmdSetTime(Call &call);
    quint8 cmdSetDate(Call &call);
    quint8 cmdConfirmDate(Call &call);
    quint8 cmdTechReset(Call &call);
    quint8 cmdGeneralReset(Call &call);
    quint8 cmdReadRegisters(Call &call);
    quint8 cmdWriteSerial(Call &call);
    quint8 cmdWriteLongSerial(Call &call);
    quint8 cmdDumpRequest(Call &call);
    quint8 cmdDumpData(Call &call);
    quint8 cmdDumpStop(Call &call);
    quint8 cmdPrintLine(Call &call);
    quint8 cmdFontParameters(Call &call);
    quint8 cmdWriteTable(Call &call);
    quint8 cmdReadTable(Call &call);
    quint8 cmdTableStructure(Call &call);
    quint8 cmdFieldStructure(Call &call);
    quint8 cmdInitTables(Call &call);
    quint8 cmdTestRun(Call &call);
    quint8 cmdStopTestRun(Call &call);
    quint8 cmdSetExchange(Call &call);
    quint8 cmdReadExchange(Call &call);

    // Shift and receipts.
    quint8 cmdOpenShift(Call &call);
    quint8 cmdCloseShift(Call &call);
    quint8 cmdXReport(Call &call);
    quint8 cmdOpenReceipt(Call &call);
    quint8 cmdItem(Call &call);
    quint8 cmdStorno(Call &call);
    quint8 cmdCloseReceipt(Call &call);
    quint8 cmdAdjustment(Call &call);
    quint8 cmdCancelReceipt(Call &call);
    quint8 cmdItemWithAdjustments(Call &call);
    quint8 cmdAttachTlv(Call &call);
    quint8 cmdBeginCorrection(Call &call);
    quint8 cmdCorrection(Call &call);
    quint8 cmdShiftParameters(Call &call);

    // Fiscal storage and OFD.
    quint8 cmdFnStatus(Call &call);
    quint8 cmdFnNumber(Call &call);
    quint8 cmdFnValidity(Call &call);
    quint8 cmdFnVersion(Call &call);
    quint8 cmdBeginRegistration(Call &call);
    quint8 cmdRegister(Call &call);
    quint8 cmdReregister(Call &call);
    quint8 readLine(Call &call, RegisterState::Line &line);
    // Commits a registration document made of fn_.registration and answers
    // with its number and fiscal sign.
    void storeRegistration(Call &call, quint8 type, const TlvWriter &doc, const QString &title);
    quint8 cmdRegistrationTotals(Call &call);
    quint8 cmdBeginFnClosing(Call &call);
    quint8 cmdCloseFn(Call &call);
    quint8 cmdBeginSettlementReport(Call &call);
    quint8 cmdSettlementReport(Call &call);
    quint8 cmdResetFn(Call &call);
    quint8 cmdCancelFnDocument(Call &call);
    quint8 cmdOfdStatus(Call &call);
    quint8 cmdDocumentRequest(Call &call);
    quint8 cmdDocumentItem(Call &call);
    quint8 cmdOfdReceipt(Call &call);
    quint8 cmdUnconfirmedCount(Call &call);
    quint8 cmdFindDocument(Call &call);

    int sysAdminPassword_;
    int dumpBlocks_;
    qint64 presetSerial_;
    std::function<QDateTime()> hostNow_;
    RegisterState state_;
    RegisterTables tables_;
    FiscalStorage fn_;
    bool dumpActive_ = false;
    int dumpNext_ = 0;
    QByteArray firmware_;
    quint64 changes_ = 0;
};

} // namespace kelo::emu
