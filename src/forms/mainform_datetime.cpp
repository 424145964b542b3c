// The date-and-time group of the "Сервис" page.

#include "mainform.h"
#include "ui_mainform.h"

#include <QDateTime>

void MMainForm::on_butGetDate_clicked()
{
    // TODO: read the register's date and time.
}

void MMainForm::on_butGetFromSystem_clicked()
{
    ui->strNewDateTime->setDateTime(QDateTime::currentDateTime());
}

void MMainForm::on_butSetDate_clicked()
{
    // TODO: program the date and time.
}

void MMainForm::on_butSetDateStep2_clicked()
{
    // TODO: confirm the programmed date.
}
