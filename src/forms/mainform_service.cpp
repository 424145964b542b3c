// The "Сервис" page: resets, the serial number and the firmware dump.

#include "mainform.h"
#include "ui_mainform.h"

void MMainForm::on_butServiceReset_clicked()
{
    // TODO: technological reset.
}

void MMainForm::on_butFullReset_clicked()
{
    // TODO: general reset.
}

void MMainForm::on_strSerialNumberForWrite_editingFinished()
{
    const quint64 number = ui->strSerialNumberForWrite->text().toULongLong();
    ui->strSerialNumberForWrite->setText(QStringLiteral("%1").arg(number, 16, 10, QLatin1Char('0')));
}

void MMainForm::on_butWriteSerialNumber_clicked()
{
    // TODO: write the serial number (FE F5).
}

void MMainForm::on_butWriteSerialNumberV2_clicked()
{
    // TODO: write the serial number (0E).
}

void MMainForm::on_butService_GetDump_clicked()
{
    // TODO: read the firmware dump into a file.
}

void MMainForm::on_butService_CalcMD5_clicked()
{
    // TODO: MD5 of a dump file.
}

void MMainForm::on_butService_Compare2Dumps_clicked()
{
    // TODO: compare two dump files.
}
