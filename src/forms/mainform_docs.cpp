// The "Смена и документы" page: shifts, reports, receipts and corrections.

#include "mainform.h"
#include "ui_mainform.h"

void MMainForm::on_butOpenDay_clicked()
{
    // TODO: open the shift.
}

void MMainForm::on_butCloseDay_clicked()
{
    // TODO: close the shift.
}

void MMainForm::on_butReportX_clicked()
{
    // TODO: report without closing the shift.
}

void MMainForm::on_butReportStateBallanceStep2_clicked()
{
    // TODO: settlement-state report.
}

void MMainForm::on_butGetStateDay_clicked()
{
    // TODO: shift state.
}

void MMainForm::on_butDocs_OpenCheck_clicked()
{
    // TODO: open a receipt.
}

void MMainForm::on_butDocs_AddPos_clicked()
{
    // TODO: add an item to the receipt.
}

void MMainForm::on_butDocs_AnnPos_clicked()
{
    // TODO: storno of an item.
}

void MMainForm::on_butDocs_Discount_clicked()
{
    // TODO: discount or surcharge.
}

void MMainForm::on_butDocs_AddEMail_clicked()
{
    // TODO: buyer e-mail.
}

void MMainForm::on_butDocs_CloseCheck_clicked()
{
    // TODO: close the receipt.
}

void MMainForm::on_butDocs_AnnCheck_clicked()
{
    // TODO: cancel the receipt.
}

void MMainForm::on_butDocs_KorrCheck_clicked()
{
    // TODO: correction receipt.
}

void MMainForm::on_butDocs_AnnDiscount_clicked()
{
    // TODO: storno of a discount (the button is hidden).
}
