#include "registermodel.h"

#include "firmwareimage.h"
#include "requestreader.h"
#include "tlvwriter.h"
#include "wireformat.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace kelo::emu {

namespace {

constexpr int kAdminOperator = 29;
constexpr int kSysAdminOperator = 30;
constexpr quint64 kDefaultSerial = 1702000123;

QDateTime hostLocalTime()
{
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

QString kindName(QJsonValue::Type type)
{
    switch (type) {
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Bool:
        return QStringLiteral("true or false");
    default:
        return QStringLiteral("a number");
    }
}

// What is wrong with the parts of a state file the register cannot do
// without; empty when they are all there. Every file this program has ever
// written has them; one that lacks any was cut short or edited by hand, and
// taking it would quietly start the register over in that part (and the next
// save would make it so in the file as well). Parts not listed fall back to
// their defaults.
QString missingPart(const QJsonObject &json)
{
    static const struct
    {
        const char *path;
        QJsonValue::Type type;
    } parts[] = {
        {"register", QJsonValue::Object},
        {"register.serialNumber", QJsonValue::String},
        {"register.shiftOpen", QJsonValue::Bool},
        {"register.shiftNumber", QJsonValue::Double},
        {"register.lastClosedShift", QJsonValue::Double},
        {"register.receiptsInShift", QJsonValue::Double},
        {"register.documentsInShift", QJsonValue::Double},
        {"register.documentCounter", QJsonValue::Double},
        {"register.receipt", QJsonValue::Object},
        {"register.receipt.open", QJsonValue::Bool},
        {"register.receipt.lines", QJsonValue::Array},
        {"tables", QJsonValue::Object},
        {"fn", QJsonValue::Object},
        {"fn.number", QJsonValue::String},
        {"fn.phase", QJsonValue::Double},
        {"fn.registration", QJsonValue::Object},
        {"fn.documents", QJsonValue::Array},
    };
    for (const auto &part : parts) {
        const QString path = QLatin1String(part.path);
        QJsonValue value = json;
        for (const QString &key : path.split(QLatin1Char('.')))
            value = value.toObject().value(key);
        if (value.isUndefined())
            return QStringLiteral("it lacks \"%1\"").arg(path);
        if (value.type() != part.type)
            return QStringLiteral("\"%1\" is not %2").arg(path, kindName(part.type));
    }
    const QJsonArray documents =
        json.value(QStringLiteral("fn")).toObject().value(QStringLiteral("documents")).toArray();
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QJsonObject document = documents.at(i).toObject();
        for (const char *key : {"type", "tlv"}) {
            if (!document.contains(QLatin1String(key)))
                return QStringLiteral("it lacks \"fn.documents[%1].%2\"").arg(i).arg(QLatin1String(key));
        }
    }
    return QString();
}

} // namespace

const RegisterModel::Command *RegisterModel::findCommand(quint16 code)
{
    using A = Access;
    using M = RegisterModel;
    constexpr int Q = Query;
    constexpr int N = NeedsNormalMode;
    constexpr int D = NeedsNormalMode | NeedsDate;
    // Minimum lengths are those of the command layouts; longer requests are
    // accepted (the text areas are zero-filled).
    static const Command commands[] = {
        {0xFC, A::None, 1, Q, &M::cmdDeviceType},
        {0x11, A::Operator, 5, Q, &M::cmdFullState},
        {0x10, A::Operator, 5, Q, &M::cmdShortState},
        {0x21, A::SysAdmin, 8, N, &M::cmdSetTime},
        {0x22, A::SysAdmin, 8, N, &M::cmdSetDate},
        {0x23, A::SysAdmin, 8, N, &M::cmdConfirmDate},
        {0x16, A::None, 1, 0, &M::cmdTechReset},
        {0x27, A::SysAdmin, 5, N, &M::cmdGeneralReset},
        {0x2C, A::Admin, 5, N, &M::cmdReadRegisters},
        {0xFE, A::None, 18, N, &M::cmdWriteSerial},
        {0x0E, A::SysAdmin, 12, N, &M::cmdWriteLongSerial},
        {0x01, A::SysAdmin, 6, Q, &M::cmdDumpRequest},
        {0x02, A::SysAdmin, 5, Q, &M::cmdDumpData},
        {0x03, A::SysAdmin, 5, Q, &M::cmdDumpStop},
        {0x17, A::Operator, 46, N, &M::cmdPrintLine},
        {0x26, A::SysAdmin, 6, Q, &M::cmdFontParameters},
        {0x1E, A::SysAdmin, 9, N, &M::cmdWriteTable},
        {0x1F, A::SysAdmin, 9, Q, &M::cmdReadTable},
        {0x2D, A::SysAdmin, 6, Q, &M::cmdTableStructure},
        {0x2E, A::SysAdmin, 7, Q, &M::cmdFieldStructure},
        {0x24, A::SysAdmin, 5, N, &M::cmdInitTables},
        {0x19, A::Operator, 6, N, &M::cmdTestRun},
        {0x2B, A::Operator, 5, 0, &M::cmdStopTestRun},
        {0x14, A::SysAdmin, 8, N, &M::cmdSetExchange},
        {0x15, A::SysAdmin, 6, Q, &M::cmdReadExchange},

        {0xE0, A::Operator, 5, D, &M::cmdOpenShift},
        {0x41, A::Admin, 5, D, &M::cmdCloseShift},
        {0x40, A::Admin, 5, D, &M::cmdXReport},
        {0x8D, A::Operator, 6, D, &M::cmdOpenReceipt},
        {0x80, A::Operator, 60, D, &M::cmdItem},
        {0x81, A::Operator, 60, D, &M::cmdItem},
        {0x82, A::Operator, 60, D, &M::cmdItem},
        {0x83, A::Operator, 60, D, &M::cmdItem},
        {0x84, A::Operator, 60, D, &M::cmdStorno},
        {0x85, A::Operator, 71, D, &M::cmdCloseReceipt},
        {0x86, A::Operator, 54, D, &M::cmdAdjustment},
        {0x87, A::Operator, 54, D, &M::cmdAdjustment},
        {0x88, A::Operator, 5, N, &M::cmdCancelReceipt},
        {0x8A, A::Operator, 54, D, &M::cmdAdjustment},
        {0x8B, A::Operator, 54, D, &M::cmdAdjustment},
        {0xFF0D, A::SysAdmin, 34, D, &M::cmdItemWithAdjustments},
        {0xFF0C, A::SysAdmin, 10, N, &M::cmdAttachTlv},
        {0xFF35, A::SysAdmin, 6, D, &M::cmdBeginCorrection},
        {0xFF36, A::SysAdmin, 12, D, &M::cmdCorrection},
        {0xFF40, A::SysAdmin, 6, Q, &M::cmdShiftParameters},

        {0xFF01, A::SysAdmin, 6, Q, &M::cmdFnStatus},
        {0xFF02, A::SysAdmin, 6, Q, &M::cmdFnNumber},
        {0xFF03, A::SysAdmin, 6, Q, &M::cmdFnValidity},
        {0xFF04, A::SysAdmin, 6, Q, &M::cmdFnVersion},
        {0xFF05, A::SysAdmin, 7, D, &M::cmdBeginRegistration},
        {0xFF06, A::SysAdmin, 40, D, &M::cmdRegister},
        {0xFF34, A::SysAdmin, 41, D, &M::cmdReregister},
        {0xFF09, A::SysAdmin, 6, Q, &M::cmdRegistrationTotals},
        {0xFF3D, A::SysAdmin, 6, D, &M::cmdBeginFnClosing},
        {0xFF3E, A::SysAdmin, 6, D, &M::cmdCloseFn},
        {0xFF37, A::SysAdmin, 6, D, &M::cmdBeginSettlementReport},
        {0xFF38, A::SysAdmin, 6, D, &M::cmdSettlementReport},
        {0xFF07, A::SysAdmin, 7, N, &M::cmdResetFn},
        {0xFF08, A::SysAdmin, 6, N, &M::cmdCancelFnDocument},
        {0xFF39, A::SysAdmin, 6, Q, &M::cmdOfdStatus},
        {0xFF3A, A::SysAdmin, 10, Q, &M::cmdDocumentRequest},
        {0xFF3B, A::SysAdmin, 6, Q, &M::cmdDocumentItem},
        {0xFF3C, A::SysAdmin, 10, Q, &M::cmdOfdReceipt},
        {0xFF3F, A::SysAdmin, 6, Q, &M::cmdUnconfirmedCount},
        {0xFF0A, A::SysAdmin, 10, Q, &M::cmdFindDocument},
    };
    for (const Command &c : commands) {
        if (c.code == code)
            return &c;
    }
    return nullptr;
}

RegisterModel::RegisterModel(const EmulatorConfig &config)
    : sysAdminPassword_(config.sysAdminPassword)
    , dumpBlocks_(qBound(1, config.dumpBlocks, 0xFFFF))
    , presetSerial_(config.serialNumber)
    , hostNow_(hostLocalTime)
{
    fn_.ofdAckDelaySecs = config.ofdAckDelaySecs;
    applyPreset(Preset::OutOfBox);
}

void RegisterModel::setHostClock(std::function<QDateTime()> hostNow)
{
    hostNow_ = hostNow ? std::move(hostNow) : std::function<QDateTime()>(hostLocalTime);
}

QDateTime RegisterModel::now() const
{
    const QDateTime host = hostNow_();
    return QDateTime(host.date(), host.time(), Qt::UTC).addSecs(state_.clockOffsetSecs);
}

void RegisterModel::setClock(const QDateTime &registerTime)
{
    const QDateTime host = hostNow_();
    state_.clockOffsetSecs = QDateTime(host.date(), host.time(), Qt::UTC).secsTo(registerTime);
}

QByteArray RegisterModel::execute(const QByteArray &request)
{
    if (request.isEmpty())
        return QByteArray(1, '\0') + char(ErrBadParameters);
    const bool extended = static_cast<quint8>(request.at(0)) == 0xFF;
    if (extended && request.size() < 2)
        return QByteArray("\xFF") + char(ErrUnsupported);
    const int codeSize = extended ? 2 : 1;
    const quint16 code = extended ? static_cast<quint16>(0xFF00 | static_cast<quint8>(request.at(1)))
                                  : static_cast<quint8>(request.at(0));
    const QByteArray echo = request.left(codeSize);
    auto refuse = [&echo](quint8 error) {
        return echo + char(error);
    };

    const Command *command = findCommand(code);
    if (!command)
        return refuse(ErrUnsupported);
    if (request.size() < command->minLength)
        return refuse(ErrBadParameters);
    RequestReader in(request, codeSize);
    int operatorNo = 0;
    if (command->access != Access::None) {
        operatorNo = operatorFor(static_cast<quint32>(in.number(4)), command->access);
        if (operatorNo == 0)
            return refuse(ErrPassword);
    }
    if ((command->flags & NeedsNormalMode) && (dumpActive_ || state_.testRun))
        return refuse(ErrWrongMode);
    if ((command->flags & NeedsDate) && state_.datePending)
        return refuse(ErrDateNotConfirmed);

    fn_.updateOfd(now());
    QByteArray out;
    Call call{code, in, out, operatorNo};
    const quint8 error = (this->*command->handler)(call);
    if (error != 0)
        return refuse(error);
    if (!in.ok())
        return refuse(ErrBadParameters);
    if (!(command->flags & Query))
        ++changes_;
    QByteArray reply = echo + '\0' + out;
    if (reply.size() > 255)
        return refuse(ErrInternal);
    return reply;
}

int RegisterModel::operatorFor(quint32 password, Access access) const
{
    // The system administrator's password opens every level; the service tool
    // sends one password for operator, administrator and system commands alike.
    // The others are those of the password table, the administrator's first.
    if (password == static_cast<quint32>(sysAdminPassword_))
        return kSysAdminOperator;
    if (access == Access::SysAdmin)
        return 0;
    constexpr int table = RegisterTables::kPasswordTable;
    if (password == tables_.number(table, kAdminOperator, 1))
        return kAdminOperator;
    if (access == Access::Admin)
        return 0;
    for (int cashier = 1; cashier < kAdminOperator; ++cashier) {
        if (password == tables_.number(table, cashier, 1))
            return cashier;
    }
    return 0;
}

QString RegisterModel::cashierName(int operatorNo)
{
    if (operatorNo == kSysAdminOperator)
        return QStringLiteral("СИС. АДМИНИСТРАТОР");
    if (operatorNo == kAdminOperator)
        return QStringLiteral("АДМИНИСТРАТОР");
    return QStringLiteral("КАССИР %1").arg(operatorNo);
}

bool RegisterModel::shiftExpired() const
{
    return state_.shiftOpen && state_.shiftOpenedAt.isValid()
           && state_.shiftOpenedAt.addSecs(24 * 3600) < now();
}

quint8 RegisterModel::modeByte() const
{
    if (dumpActive_)
        return 1;
    if (state_.testRun)
        return 10;
    if (state_.datePending)
        return 6;
    if (state_.receipt.open)
        return static_cast<quint8>(0x08 | (state_.receipt.type << 4));
    if (state_.shiftOpen)
        return shiftExpired() ? 3 : 2;
    return 4;
}

quint8 RegisterModel::checkCanStartDocument() const
{
    if (!fn_.isFiscal())
        return ErrFnState;
    if (!state_.shiftOpen)
        return ErrShiftClosed;
    if (shiftExpired())
        return ErrShiftOver24h;
    if (state_.receipt.open)
        return ErrReceiptOpen;
    if (fn_.current != FiscalStorage::NoDocument)
        return ErrFnState;
    return 0;
}

void RegisterModel::setSerial(quint64 serial)
{
    state_.serialNumber = serial;
    tables_.setText(18, 1, 1, serial ? QString::number(serial) : QString());
}

quint8 RegisterModel::taxSystemForDocuments() const
{
    // The receipt names one tax system: the one the table selects when it is
    // among the registered ones, else the first registered one.
    const quint8 registered = fn_.registration.taxSystems;
    const quint8 selected = static_cast<quint8>(tables_.number(18, 1, 5)) & registered;
    const quint8 pool = selected ? selected : registered;
    for (int bit = 0; bit < 8; ++bit) {
        if (pool & (1 << bit))
            return static_cast<quint8>(1 << bit);
    }
    return 0;
}

void RegisterModel::addHeader(TlvWriter &doc, int operatorNo) const
{
    doc.addString(1048, tables_.text(18, 1, 7));
    doc.addString(1018, fn_.registration.inn.leftJustified(12, QLatin1Char(' ')));
    doc.addTime(1012, now());
    doc.addString(1037, fn_.registration.regNumber.leftJustified(20, QLatin1Char(' ')));
    doc.addString(1009, tables_.text(18, 1, 9));
    if (operatorNo > 0)
        doc.addString(1021, cashierName(operatorNo));
    doc.addByte(1209, kFormatVersion);
}

void RegisterModel::finishDocumentInShift()
{
    ++state_.documentCounter;
    if (state_.shiftOpen)
        ++state_.documentsInShift;
}

QJsonObject RegisterModel::toJson() const
{
    return QJsonObject{{QStringLiteral("format"), 1},
                       {QStringLiteral("register"), state_.toJson()},
                       {QStringLiteral("tables"), tables_.toJson()},
                       {QStringLiteral("fn"), fn_.toJson()}};
}

bool RegisterModel::fromJson(const QJsonObject &json, QString *error)
{
    const QJsonValue format = json.value(QStringLiteral("format"));
    QString wrong;
    if (format.isUndefined())
        wrong = QStringLiteral("it lacks \"format\"");
    else if (format.toInt() != 1)
        wrong = QStringLiteral("unknown state format \"%1\"").arg(format.toVariant().toString());
    else
        wrong = missingPart(json);
    if (!wrong.isEmpty()) {
        if (error)
            *error = wrong;
        return false;
    }
    state_.fromJson(json.value(QStringLiteral("register")).toObject());
    tables_.fromJson(json.value(QStringLiteral("tables")).toObject());
    const int ofdDelay = fn_.ofdAckDelaySecs;
    fn_.fromJson(json.value(QStringLiteral("fn")).toObject());
    fn_.ofdAckDelaySecs = ofdDelay;
    dumpActive_ = false;
    return true;
}

bool RegisterModel::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error) {
            *error = parseError.error != QJsonParseError::NoError ? QStringLiteral("not JSON (%1 at byte %2)")
                                                                        .arg(parseError.errorString())
                                                                        .arg(parseError.offset)
                                                                  : QStringLiteral("not a JSON object");
        }
        return false;
    }
    return fromJson(doc.object(), error);
}

bool RegisterModel::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void RegisterModel::resetForPreset()
{
    state_ = RegisterState();
    tables_.resetToDefaults();
    fn_.factoryReset();
    fn_.validUntil = now().date().addYears(3);
    dumpActive_ = false;
    firmware_ = FirmwareImage::build(dumpBlocks_);
    setSerial(presetSerial_ >= 0 ? static_cast<quint64>(presetSerial_) : kDefaultSerial);
    tables_.setText(18, 1, 4, fn_.number);
}

} // namespace kelo::emu
