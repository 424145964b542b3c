// The "Регистрация" page: registration number, tax systems and work modes,
// the register's parameters, registration, re-registration, closing the FN,
// and the FN reset of the "Сервис" page.

#include "mainform.h"
#include "ui_mainform.h"

#include "mcommandtext.h"

#include <regnumber.h>
#include <testfp.h>
#include <valueconv.h>

#include <QCheckBox>
#include <QRegularExpression>

#include <QVector>
#include <algorithm>

#include <functional>

namespace {

// The re-registration reasons of comboFN_Prichina, by index.
constexpr int kReRegistrationReasons[] = {1, 2, 4, 8};
// The FN reset kinds of comboService_FNCode, by index.
constexpr int kFnResetCodes[] = {11, 22};
constexpr int kOfdPortMax = 65535;

const QString kRegNumberOkStyle = QStringLiteral("background-color: rgb(0, 255, 127);");

template<std::size_t N> int codeAt(const int (&codes)[N], int index)
{
    return index >= 0 && index < int(N) ? codes[index] : 0;
}

// One field of the register's parameters, as the form writes it.
struct TableWrite
{
    TableField field;
    QByteArray text;
    quint32 number;
    bool isNumber;
};

TableWrite textWrite(const TableField &field, const QString &value)
{
    return TableWrite{field, toRegisterText(value), 0, false};
}

TableWrite numberWrite(const TableField &field, quint32 value)
{
    return TableWrite{field, QByteArray(), value, true};
}

QVector<TableWrite> parameterWrites(const Ui::MMainForm *ui)
{
    QVector<TableWrite> writes;
    // An empty server or an impossible port would wipe the register's own
    // OFD settings: those are left as they are.
    if (!ui->strFN_OFDServer->text().isEmpty())
        writes << textWrite(regfield::kOfdServer, ui->strFN_OFDServer->text());
    if (ui->strFN_OFDPort->value() >= 1 && ui->strFN_OFDPort->value() <= kOfdPortMax)
        writes << numberWrite(regfield::kOfdPort, quint32(ui->strFN_OFDPort->value()));
    writes << textWrite(regfield::kOfdName, ui->strFN_OFDName->text())
           << textWrite(regfield::kOfdUrl, ui->strFN_OFDURL->text())
           << textWrite(regfield::kOfdInn, ui->strFN_OFDINN->text())
           << textWrite(regfield::kTaxServiceUrl, ui->strFN_NalogURL->text())
           << textWrite(regfield::kCompany, ui->strFN_Company->text())
           << textWrite(regfield::kAddress, ui->strFN_Address->text());
    const QDoubleSpinBox *rates[] = {ui->strParam_ValTax1, ui->strParam_ValTax2, ui->strParam_ValTax3,
                                     ui->strParam_ValTax4};
    const QLineEdit *names[] = {ui->strParam_NameTax1, ui->strParam_NameTax2, ui->strParam_NameTax3,
                                ui->strParam_NameTax4};
    for (int r = 1; r <= regfield::kTaxRows; ++r) {
        // Hundredths of a percent.
        writes << numberWrite(regfield::taxRate(r),
                              quint32(qAbs(MMainForm::roundToInt(rates[r - 1]->value() * 100))))
               << textWrite(regfield::taxName(r), names[r - 1]->text());
    }
    writes << numberWrite(regfield::kOption16, 1)
           << numberWrite(regfield::kNullCash, ui->chkParam_NullCash->isChecked() ? 1 : 0);
    return writes;
}

// One field of the register's parameters, and where the form shows it.
struct TableRead
{
    TableField field;
    std::function<void(const QByteArray &)> apply;
};

std::function<void(const QByteArray &)> showText(QLineEdit *edit)
{
    return [edit](const QByteArray &bytes) {
        edit->setText(fromRegisterString(bytes));
    };
}

// A number the register has not been given yet reads as nothing or zeros,
// and must not replace what the operator typed. A number it has is shown as
// stored (an INN padded with blanks stays so), to be written back the same.
std::function<void(const QByteArray &)> showDigits(QLineEdit *edit)
{
    return [edit](const QByteArray &bytes) {
        const QString value = fromRegisterString(bytes);
        if (rnFieldNumber(value) > 0)
            edit->setText(value);
    };
}

QVector<TableRead> parameterReads(Ui::MMainForm *ui)
{
    QSpinBox *port = ui->strFN_OFDPort;
    QVector<TableRead> reads = {
        {regfield::kOfdServer, showText(ui->strFN_OFDServer)},
        {regfield::kOfdPort,
         [port](const QByteArray &b) {
             port->setValue(quint16(littleEndianNumber(b, 2)));
         }},
        {regfield::kOfdName, showText(ui->strFN_OFDName)},
        {regfield::kOfdUrl, showText(ui->strFN_OFDURL)},
        {regfield::kOfdInn, showDigits(ui->strFN_OFDINN)},
        {regfield::kTaxServiceUrl, showText(ui->strFN_NalogURL)},
        {regfield::kCompany, showText(ui->strFN_Company)},
        {regfield::kAddress, showText(ui->strFN_Address)},
        {regfield::kInn, showDigits(ui->strFN_INN)},
        {regfield::kSerialNumber, showDigits(ui->strFN_KKTSerialNumber)},
        {regfield::kRegNumber, showDigits(ui->strFN_KKTRegNumber)},
        {regfield::kFnNumber, showDigits(ui->strInfo_FNSerialNumber)},
    };
    QDoubleSpinBox *rates[] = {ui->strParam_ValTax1, ui->strParam_ValTax2, ui->strParam_ValTax3,
                               ui->strParam_ValTax4};
    QLineEdit *names[] = {ui->strParam_NameTax1, ui->strParam_NameTax2, ui->strParam_NameTax3,
                          ui->strParam_NameTax4};
    for (int r = 1; r <= regfield::kTaxRows; ++r) {
        QDoubleSpinBox *rate = rates[r - 1];
        reads.append({regfield::taxRate(r), [rate](const QByteArray &b) {
                          rate->setValue(quint16(littleEndianNumber(b, 2)) / 100.0);
                      }});
        reads.append({regfield::taxName(r), showText(names[r - 1])});
    }
    QCheckBox *nullCash = ui->chkParam_NullCash;
    reads.append({regfield::kNullCash, [nullCash](const QByteArray &b) {
                      nullCash->setChecked(littleEndianNumber(b, 1) != 0);
                  }});
    return reads;
}

} // namespace

bool MMainForm::runCommand(const QString &text)
{
    if (!connectFR())
        return false;
    commandText = text;
    return execFRCommand(true);
}

bool MMainForm::checkRegistrationNumbers(bool withRegNumber)
{
    // Nothing goes out, and no number is made, from a field the tax service
    // would refuse: the status line names the field.
    QString problem;
    const QString serial = ui->strFN_KKTSerialNumber->text().trimmed();
    const bool serialDigits =
        !serial.isEmpty() && serial.size() <= 16
        && std::all_of(serial.begin(), serial.end(), [](QChar c) { return c.isDigit(); });
    if (!rnInnValid(ui->strFN_INN->text().trimmed()))
        problem = tr("ИНН пользователя: нужно 10 или 12 цифр с верным контрольным числом.");
    else if (!serialDigits)
        problem = tr("Заводской номер ККТ: нужно от 1 до 16 цифр.");
    else if (withRegNumber
             && !QRegularExpression(QStringLiteral("^\\d{16}$"))
                     .match(ui->strFN_KKTRegNumber->text().trimmed())
                     .hasMatch())
        problem = tr("Регистрационный номер ККТ: нужно 16 цифр.");
    if (problem.isEmpty())
        return true;
    outStateMessage(-1, problem);
    return false;
}

bool MMainForm::confirmRegistration()
{
    QStringList taxes;
    for (const QCheckBox *box : {ui->chkFN_Tax_Common, ui->chkFN_Tax_UPR, ui->chkFN_Tax_UPRDolg,
                                 ui->chkFN_Tax_ENVD, ui->chkFN_Tax_Edin, ui->chkFN_Tax_Patent}) {
        if (box->isChecked())
            taxes << box->toolTip();
    }
    return confirmAction(tr("В ФН будут навсегда записаны ИНН %1, регистрационный номер %2 и системы "
                            "налогообложения: %3.")
                             .arg(ui->strFN_INN->text().trimmed(), ui->strFN_KKTRegNumber->text().trimmed(),
                                  taxes.isEmpty() ? tr("не выбраны") : taxes.join(QStringLiteral(", "))));
}

void MMainForm::on_butFN_CalcRegNumber_clicked()
{
    if (!checkRegistrationNumbers(false))
        return;
    const QString ordinal = ui->strFN_KKTNumber->cleanText();
    const QString inn = ui->strFN_INN->text();
    const QString serial = ui->strFN_KKTSerialNumber->text();
    const QString number =
        ordinal.isEmpty() || inn.isEmpty() || serial.isEmpty()
            ? QString()
            : rnCalculate(rnFieldNumber(ordinal), rnFieldNumber(inn), rnFieldNumber(serial));
    if (number.isEmpty()) {
        outStateMessage(-1, tr("Недостаточно параметров для расчета регистрационного номера!"));
        return;
    }
    ui->strFN_KKTRegNumber->setText(number);
    onKKTRegNumberEdited();
    checkNeedParamForReg();
}

void MMainForm::on_butFN_VerRegNumber_clicked()
{
    if (!checkRegistrationNumbers(true))
        return;
    const bool ok =
        rnVerify(ui->strFN_KKTRegNumber->text(), rnFieldNumber(ui->strFN_KKTNumber->cleanText()),
                 rnFieldNumber(ui->strFN_INN->text()), rnFieldNumber(ui->strFN_KKTSerialNumber->text()));
    ui->strFN_KKTRegNumber->setStyleSheet(ok ? kRegNumberOkStyle : QString());
    ui->labFN_RegNumberOk->setVisible(ok);
    ui->labFN_RegNumberError->setVisible(!ok);
}

void MMainForm::onKKTRegNumberEdited()
{
    ui->strFN_KKTRegNumber->setStyleSheet(QString());
    ui->labFN_RegNumberOk->hide();
    ui->labFN_RegNumberError->hide();
}

void MMainForm::on_butFN_GetSerialNumber_clicked()
{
    if (connectFR() && accessFRTable(true, regfield::kSerialNumber)) {
        if (reply::count() > 2)
            ui->strFN_KKTSerialNumber->setText(reply::string(2));
    } else {
        lastErrCode = -1;
        lastErrText = tr("Ошибка получения заводского номера.");
    }
    disconnectFR();
    outStateMessage();
}

QString MMainForm::registrationParams() const
{
    // The numbers are quoted so that a stray comma cannot shift the codes
    // into other fields of a registration.
    return QStringLiteral("%1,%2,%3,%4")
        .arg(MCommandText::quoted(ui->strFN_INN->text()),
             MCommandText::quoted(ui->strFN_KKTRegNumber->text()),
             MCommandText::hexByte(ui->strFN_Tax_Code->value()),
             MCommandText::hexByte(ui->strFN_Mode_Code->value()));
}

void MMainForm::on_butFN_FiskStep1_clicked()
{
    if (!writeFormParamToFR())
        return;
    waitMs(200);
    runCommand(QStringLiteral("FF05,%1,%2").arg(linkPasswordText()).arg(ui->comboFiskType->currentIndex()));
}

void MMainForm::on_butFN_FiskStep2_clicked()
{
    if (!checkRegistrationNumbers(true) || !confirmRegistration())
        return;
    runCommand(QStringLiteral("FF06,%1,%2").arg(linkPasswordText(), registrationParams()));
}

void MMainForm::on_butFN_ReFisk_clicked()
{
    if (!checkRegistrationNumbers(true) || !confirmRegistration())
        return;
    const int reason = codeAt(kReRegistrationReasons, ui->comboFN_Prichina->currentIndex());
    runCommand(QStringLiteral("FF34,%1,%2,%3")
                   .arg(linkPasswordText(), registrationParams(), QString::number(reason)));
}

void MMainForm::on_butFN_FiskClose_clicked()
{
    if (!confirmAction(tr("Закрытие архива ФН навсегда завершит его фискальный режим: в этот ФН больше не "
                          "будет записан ни один документ.")))
        return;
    if (!connectFR())
        return;
    commandText = QStringLiteral("FF3D,%1").arg(linkPasswordText());
    if (!execFRCommand(false))
        return;
    commandText = QStringLiteral("FF3E,%1").arg(linkPasswordText());
    execFRCommand(true);
}

void MMainForm::on_butResetFN_clicked()
{
    const int code = codeAt(kFnResetCodes, ui->comboService_FNCode->currentIndex());
    if (code != 0
        && confirmAction(
            tr("Сброс состояния ФН (код %1) необратимо удалит данные, записанные в ФН.").arg(code)))
        runCommand(QStringLiteral("FF07,%1,%2").arg(linkPasswordText()).arg(code));
}

void MMainForm::checkNeedParamForReg()
{
    bool anyTax = false;
    for (const QCheckBox *box : {ui->chkFN_Tax_Common, ui->chkFN_Tax_UPR, ui->chkFN_Tax_UPRDolg,
                                 ui->chkFN_Tax_ENVD, ui->chkFN_Tax_Edin, ui->chkFN_Tax_Patent})
        anyTax = anyTax || box->isChecked();
    const bool enable =
        anyTax && !ui->strFN_KKTRegNumber->text().isEmpty() && !ui->strFN_INN->text().isEmpty();
    for (QWidget *button : {ui->butFN_FiskStep1, ui->butFN_FiskStep2, ui->butFN_ReFisk})
        button->setEnabled(enable);
}

void MMainForm::onChangeFN()
{
    auto *box = qobject_cast<QCheckBox *>(sender());
    if (!box)
        return;
    const QString name = box->objectName();
    QSpinBox *target = name.contains(QLatin1String("_Tax_")) ? ui->strFN_Tax_Code : ui->strFN_Mode_Code;
    static const struct
    {
        const char *first;
        const char *second;
        int bit;
    } bits[] = {{"Auto", "UPRDolg", 4},  {"BSO", "Edin", 16}, {"Crypt", "Common", 1},
                {"Inet1", "Patent", 32}, {"Inet2", "", 64},   {"Separate", "UPR", 2},
                {"Sfera", "ENVD", 8}};
    int bit = 0;
    for (const auto &candidate : bits) {
        if (name.endsWith(QLatin1String(candidate.first))
            || (*candidate.second && name.endsWith(QLatin1String(candidate.second)))) {
            bit = candidate.bit;
            break;
        }
    }
    target->setValue(box->isChecked() ? (target->value() | bit) : (target->value() & ~bit));
}

void MMainForm::setCheckBoxesFromCodes()
{
    const int tax = ui->strFN_Tax_Code->value();
    const int mode = ui->strFN_Mode_Code->value();
    const QVector<QPair<QCheckBox *, int>> taxBoxes = {
        {ui->chkFN_Tax_Common, 1}, {ui->chkFN_Tax_UPR, 2},   {ui->chkFN_Tax_UPRDolg, 4},
        {ui->chkFN_Tax_ENVD, 8},   {ui->chkFN_Tax_Edin, 16}, {ui->chkFN_Tax_Patent, 32}};
    const QVector<QPair<QCheckBox *, int>> modeBoxes = {
        {ui->chkFN_Mode_Crypt, 1}, {ui->chkFN_Mode_Separate, 2}, {ui->chkFN_Mode_Auto, 4},
        {ui->chkFN_Mode_Sfera, 8}, {ui->chkFN_Mode_BSO, 16},     {ui->chkFN_Mode_Inet1, 32},
        {ui->chkFN_Mode_Inet2, 64}};
    for (const auto &box : taxBoxes)
        box.first->setChecked(tax & box.second);
    for (const auto &box : modeBoxes)
        box.first->setChecked(mode & box.second);
    for (QCheckBox *box :
         {ui->chkFN_Mode_BSO, ui->chkFN_Mode_Auto, ui->chkFN_Mode_Inet1, ui->chkFN_Mode_Inet2})
        box->setEnabled(false);
}

bool MMainForm::writeFormParamToFR()
{
    const QVector<TableWrite> writes = parameterWrites(ui);
    if (!connectFR())
        return false;
    for (const TableWrite &w : writes) {
        const bool ok =
            w.isNumber ? accessFRTableInt(false, w.field, w.number) : accessFRTable(false, w.field, w.text);
        if (!ok)
            return false;
    }
    disconnectFR();
    outStateMessage();
    return true;
}

void MMainForm::readFormParamFromFR()
{
    // Identification, which may have run just before, leaves the connection open.
    const QVector<TableRead> reads = parameterReads(ui);
    int failed = 0;
    QString firstError;
    for (int i = 0; i < reads.size(); ++i) {
        const TableRead &read = reads.at(i);
        // Without a link every further field would wait for it in vain.
        const bool connected = connectFR();
        if (!connected || !accessFRTable(true, read.field)) {
            if (failed == 0)
                firstError = ui->strCommandResult->text();
            failed += connected ? 1 : int(reads.size()) - i;
            if (!connected)
                break;
            continue;
        }
        if (reply::count() > 2)
            read.apply(reply::bytes(2));
    }
    setCheckBoxesFromCodes();
    checkNeedParamForReg();
    disconnectFR();
    if (failed > 0)
        outStateMessage(-1, tr("Не удалось прочитать из ККТ параметров: %1 из %2. %3")
                                .arg(failed)
                                .arg(reads.size())
                                .arg(firstError));
    else
        outStateMessage();
}
