// The "Регистрация" page: registration number, tax systems and work modes,
// the register's parameters, registration, re-registration, closing the FN,
// and the FN reset of the "Сервис" page.

#include "mainform.h"
#include "ui_mainform.h"

void MMainForm::on_butFN_CalcRegNumber_clicked()
{
    // TODO: compute the registration number.
}

void MMainForm::on_butFN_VerRegNumber_clicked()
{
    // TODO: check the registration number.
}

void MMainForm::on_butFN_GetSerialNumber_clicked()
{
    // TODO: read the register's serial number.
}

void MMainForm::on_butFN_FiskStep1_clicked()
{
    // TODO: write the parameters and start the registration report.
}

void MMainForm::on_butFN_FiskStep2_clicked()
{
    // TODO: registration report.
}

void MMainForm::on_butFN_ReFisk_clicked()
{
    // TODO: re-registration report.
}

void MMainForm::on_butFN_FiskClose_clicked()
{
    // TODO: close the fiscal mode.
}

void MMainForm::on_butResetFN_clicked()
{
    // TODO: FN state reset.
}

void MMainForm::onKKTRegNumberEdited()
{
    // TODO: forget the outcome of the last number check.
}

void MMainForm::checkNeedParamForReg()
{
    // TODO: enable the registration buttons only with the data they need.
}

void MMainForm::onChangeFN()
{
    // TODO: a tax or work-mode box sets its bit in the code field.
}

void MMainForm::setCheckBoxesFromCodes()
{
    // TODO: tick the tax and work-mode boxes from the code fields.
}

bool MMainForm::writeFormParamToFR()
{
    // TODO: write the parameter fields into the register's tables.
    return false;
}

void MMainForm::readFormParamFromFR()
{
    // TODO: read the parameter fields from the register's tables. Whatever
    // ran before (identification) may have left the connection open.
    disconnectFR();
    outStateMessage();
}
