// The "Связь" page: the link parameters and the link test.

#include "mainform.h"
#include "ui_mainform.h"

#include <mainproc.h>

void MMainForm::on_comboCOMPort_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    mpLinkSettings().portName = ui->comboCOMPort->currentText();
}

void MMainForm::on_comboCOMBaudrate_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    mpLinkSettings().baudRate = ui->comboCOMBaudrate->currentText().toInt();
}

void MMainForm::on_strLinkTimeout_valueChanged(int value)
{
    mpLinkSettings().linkTimeout = value;
}

void MMainForm::on_strLinkPassword_editingFinished()
{
    mpSetPassword(ui->strLinkPassword->value());
}

void MMainForm::on_butTestLink_clicked()
{
    deviceModelId = -1;
    if (!connectFR())
        return;
    clearDeviceInfo();
    commandText = QStringLiteral("FC");
    if (!execFRCommand(false))
        return;
    if (reply::count() < 9) {
        lastErrCode = -1;
        lastErrText = tr("Ошибка типа устройства.");
        disconnectFR();
        outStateMessage(lastErrCode, lastErrText);
        return;
    }
    const QString model = isKnownModel ? tr("Kelo-Vint-Ф") : reply::string(8);

    commandText = QStringLiteral("11,%1").arg(linkPasswordText());
    if (!execFRCommand(false))
        return;
    QString stateSerial;
    if (reply::count() > 23)
        stateSerial = QStringLiteral("%1").arg(reply::text(18).toULongLong(), 8, 10, QLatin1Char('0'));
    readDeviceInfo(stateSerial);

    disconnectFR();
    ui->strInfo_Model->setText(model);
    lastErrCode = 0;
    lastErrText = tr("Тест выполнен. Модель: %1. Тип: %3. Заводской №: %2.")
                      .arg(model, ui->strInfo_SerialNumber->text())
                      .arg(deviceModelId);
    outStateMessage(lastErrCode, lastErrText);
}

void MMainForm::readDeviceInfo(const QString &stateSerial)
{
    clearDeviceInfo();
    const auto readField = [this](const TableField &field, QLineEdit *target) {
        // A failed read closes the connection; the next one opens it again.
        if (accessFRTable(true, field) && reply::count() > 2)
            target->setText(reply::string(2));
    };
    readField(regfield::kInn, ui->strInfo_INN);
    readField(regfield::kSerialNumber, ui->strInfo_SerialNumber);
    readField(regfield::kRegNumber, ui->strInfo_RegNumber);
    readField(regfield::kFnNumber, ui->strInfo_FNSerialNumber);
    // The number the register gave with its state stands in for a table that
    // could not be read, rather than an empty field and "Заводской №: .".
    if (ui->strInfo_SerialNumber->text().isEmpty())
        ui->strInfo_SerialNumber->setText(stateSerial);
    ui->frameFRInfo->show();
}

QString MMainForm::linkPasswordText() const
{
    return QString::number(ui->strLinkPassword->value());
}
