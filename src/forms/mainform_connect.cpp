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
    // TODO: link test with the device information frame.
}
