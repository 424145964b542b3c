// The "ОФД/ФН" page: FN and OFD queries, fiscal documents from the FN, and
// the FN document cancel of the "Смена и документы" page.

#include "mainform.h"
#include "ui_mainform.h"

void MMainForm::on_butGetFDFromFN_clicked()
{
    // TODO: fetch a fiscal document from the FN.
}

void MMainForm::on_butGetOFDStatus_clicked()
{
    // TODO: OFD exchange status.
}

void MMainForm::on_butGetOFDDocs_clicked()
{
    // TODO: documents without an OFD receipt.
}

void MMainForm::on_getOFDRequest_clicked()
{
    // TODO: OFD receipt for a document.
}

void MMainForm::on_butGetStateFisk_clicked()
{
    // TODO: registration totals.
}

void MMainForm::on_butGetFN_State_clicked()
{
    // TODO: FN status.
}

void MMainForm::on_butGetFN_Srok_clicked()
{
    // TODO: FN validity.
}

void MMainForm::on_butGetFN_Number_clicked()
{
    // TODO: FN number.
}

void MMainForm::on_butGetFN_Version_clicked()
{
    // TODO: FN version.
}

void MMainForm::on_butDocs_AnnDocFromFN_clicked()
{
    // TODO: cancel the document open in the FN.
}

void MMainForm::on_butGetFD_Save_clicked()
{
    // TODO: save the shown data to a file.
}

void MMainForm::on_butGetFD_Print_clicked()
{
    // TODO: print the shown data (the button is hidden).
}
