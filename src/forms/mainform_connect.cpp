// The "Связь" page: the link parameters and the link test.

#include "mainform.h"
#include "ui_mainform.h"

#include "mbuiltinemulator.h"
#include "msearchform.h"

#include <mainproc.h>

#include <QSerialPortInfo>
#include <QSignalBlocker>

#include <registersearch.h>

void MMainForm::on_comboCOMPort_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    mpLinkSettings().portName = ui->comboCOMPort->currentText();
    m_journal.forget();
}

void MMainForm::on_comboCOMBaudrate_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    mpLinkSettings().baudRate = ui->comboCOMBaudrate->currentText().toInt();
    m_journal.forget();
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
    m_identifiedNow = false;
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
    if (m_identifiedNow && m_journal.hasVisit()) {
        // The identification of this connection has just read them for the
        // service journal; the register is not asked twice.
        const journal::RegisterInfo &info = m_journal.current();
        ui->strInfo_INN->setText(info.inn);
        ui->strInfo_SerialNumber->setText(info.serial);
        ui->strInfo_RegNumber->setText(info.regNumber);
        ui->strInfo_FNSerialNumber->setText(info.fnNumber);
    } else {
        const auto readField = [this](const TableField &field, QLineEdit *target) {
            // A failed read closes the connection; the next one opens it again.
            if (accessFRTable(true, field) && reply::count() > 2)
                target->setText(reply::string(2));
        };
        readField(regfield::kInn, ui->strInfo_INN);
        readField(regfield::kSerialNumber, ui->strInfo_SerialNumber);
        readField(regfield::kRegNumber, ui->strInfo_RegNumber);
        readField(regfield::kFnNumber, ui->strInfo_FNSerialNumber);
    }
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

void MMainForm::refreshPortBox()
{
    const QString text = ui->comboCOMPort->currentText();
    QStringList entries = systemPorts();
    if (MBuiltinEmulator::isAvailable())
        entries << MBuiltinEmulator::entryText();
    const QSignalBlocker blocker(ui->comboCOMPort);
    ui->comboCOMPort->clear();
    ui->comboCOMPort->addItems(entries);
    const int index = ui->comboCOMPort->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ui->comboCOMPort->setCurrentIndex(index);
    if (index < 0)
        ui->comboCOMPort->setEditText(text);
}

void MMainForm::on_butFindFR_clicked()
{
    // Every port the system lists, and the one in the box when it is another
    // (a device path, a network address); the built-in emulator is no port.
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << info.systemLocation();
    ports.sort();
    const QString typed = ui->comboCOMPort->currentText();
    if (!typed.isEmpty() && typed != MBuiltinEmulator::entryText()) {
        const QString path = devicePath(typed);
        if (!ports.contains(path))
            ports.prepend(path);
    }
    QList<int> rates;
    for (int i = 0; i < ui->comboCOMBaudrate->count(); ++i)
        rates << ui->comboCOMBaudrate->itemText(i).toInt();
    disableControls();
    MSearchForm search(ports, ops::RegisterSearch::order(rates, ui->comboCOMBaudrate->currentText().toInt()),
                       linkPasswordText(), this);
    search.setStyleSheet(styleSheet());
    const bool chosen = search.exec() == QDialog::Accepted;
    enableControls();
    // The search has talked to every port: the next operation identifies afresh.
    m_journal.forget();
    if (!chosen)
        return;
    ui->comboCOMPort->setEditText(search.chosenPort());
    const int rate = ui->comboCOMBaudrate->findText(QString::number(search.chosenBaud()));
    if (rate >= 0)
        ui->comboCOMBaudrate->setCurrentIndex(rate);
    deviceModelId = -1;
    outStateMessage(
        -1, tr("Выбрана ККТ на порту %1, скорость %2.").arg(search.chosenPort()).arg(search.chosenBaud()));
}
