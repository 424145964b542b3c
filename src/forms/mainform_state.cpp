// The "Состояние" page: the full status report of the register.

#include "mainform.h"
#include "ui_mainform.h"

void MMainForm::on_butGetState_clicked()
{
    // TODO: status report of the register, its FN and the OFD exchange.
}

void MMainForm::on_butResetState_clicked()
{
    // The register has no state to reset from here; the button stays for the layout.
}
