// The date-and-time group of the "Сервис" page.

#include "mainform.h"
#include "ui_mainform.h"

#include <QDateTime>
#include <QDebug>

namespace {

// "dd/mm/yy" as the register takes a date.
QString registerDate(const QDate &date)
{
    return QStringLiteral("%1/%2/%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

void MMainForm::on_butGetDate_clicked()
{
    ui->strDateTimeFromFR->clear();
    if (!connectFR())
        return;
    commandText = QStringLiteral("11,%1").arg(linkPasswordText());
    if (!execFRCommand(true))
        return;
    if (reply::count() > 16)
        ui->strDateTimeFromFR->setText(tr("%2 %1").arg(reply::text(15), reply::text(16)));
}

void MMainForm::on_butGetFromSystem_clicked()
{
    ui->strNewDateTime->setDateTime(QDateTime::currentDateTime());
}

void MMainForm::on_butSetDate_clicked()
{
    if (!connectFR())
        return;
    const QDateTime when = ui->strNewDateTime->dateTime();
    const QString password = linkPasswordText();
    // A new date takes two steps: the register asks to have it confirmed.
    commandText = QStringLiteral("22,%1,%2").arg(password, registerDate(when.date()));
    if (!execFRCommand(false))
        return;
    commandText = QStringLiteral("23,%1,%2").arg(password, registerDate(when.date()));
    if (!execFRCommand(false))
        return;
    const QTime time = when.time();
    commandText = QStringLiteral("21,%1,%2:%3:%4")
                      .arg(password)
                      .arg(time.hour(), 2, 10, QLatin1Char('0'))
                      .arg(time.minute(), 2, 10, QLatin1Char('0'))
                      .arg(time.second(), 2, 10, QLatin1Char('0'));
    qDebug() << commandText;
    if (execFRCommand(true))
        on_butGetDate_clicked();
}

void MMainForm::on_butSetDateStep2_clicked()
{
    if (!connectFR())
        return;
    commandText =
        QStringLiteral("23,%1,%2").arg(linkPasswordText(), registerDate(ui->strNewDateTime->date()));
    if (execFRCommand(true))
        on_butGetDate_clicked();
}
