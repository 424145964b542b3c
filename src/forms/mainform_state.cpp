// The "Состояние" page: the full status report of the register.

#include "mainform.h"
#include "ui_mainform.h"

#include "mreplyrows.h"
#include "mresultpage.h"

namespace {

// One command of the report; the connection stays open for the next one.
bool query(MMainForm &window, const QString &command)
{
    window.commandText = command;
    return window.execFRCommand(false);
}

void addRegisterRows(MResultPage &page, bool knownModel, const QString &tableSerial)
{
    if (reply::count() <= 23)
        return;
    const auto text = &reply::text;
    const QString version = text(3);
    page.row(MMainForm::tr("Версия ПО ККТ:"),
             knownModel ? QStringLiteral("4.3")
                        : QStringLiteral("%1.%2").arg(version.left(1), version.mid(1, 1)));
    page.row(MMainForm::tr("Сборка ПО ККТ:"), text(4));
    page.row(MMainForm::tr("Дата ПО ККТ:"), text(5));
    page.row(MMainForm::tr("Номер текущего документа:"), text(7));
    page.row(MMainForm::tr("Время/Дата:"), QStringLiteral("%1 %2").arg(text(16), text(15)));
    if (knownModel) {
        page.row(MMainForm::tr("Заводской номер:"), tableSerial);
    } else {
        page.row(MMainForm::tr("Заводской номер 1:"),
                 QStringLiteral("%1").arg(text(18).toULongLong(), 8, 10, QLatin1Char('0')));
        page.row(MMainForm::tr("Заводской номер 2:"), tableSerial);
    }
    page.row(MMainForm::tr("ИНН:"), text(23));

    // The flags are a little-endian word: written high byte first.
    const quint16 flags = reply::word(8);
    const QString low = MReplyRows::hex2(flags & 0xFF);
    const QString high = MReplyRows::hex2(flags >> 8);
    page.row(MMainForm::tr("Флаги ККТ [%1%2]:").arg(high, low), QStringLiteral("%1 %2").arg(high, low));

    const int mode = reply::byte(9);
    const int submode = reply::byte(10);
    page.row(MMainForm::tr("Режим/подрежим ККТ [%1/%2]:").arg(mode).arg(submode),
             QStringLiteral("%1 / %2").arg(MReplyRows::modeText(mode), MReplyRows::submodeText(submode)));
}

bool addDeviceTypeSection(MMainForm &window, MResultPage &page)
{
    if (!query(window, QStringLiteral("FC")))
        return false;
    page.section(MMainForm::tr("Запрос типа устройства"));
    if (reply::count() <= 8)
        return true;
    const auto text = &reply::text;
    page.row(MMainForm::tr("Тип устройства:"), text(2));
    page.row(MMainForm::tr("Подтип устройства:"), text(3));
    page.row(MMainForm::tr("Версия протокола:"), text(4));
    page.row(MMainForm::tr("Подверсия протокола:"), text(5));
    page.row(MMainForm::tr("Модель устройства:"), text(6));
    const int language = reply::byte(7);
    page.row(MMainForm::tr("Язык устройства [%1]:").arg(MReplyRows::hex2(language)),
             MReplyRows::languageText(language));
    page.row(MMainForm::tr("Название устройства:"),
             window.isKnownModel ? MMainForm::tr("Kelo-Vint-Ф") : reply::string(8));
    return true;
}

bool addOfdSection(MMainForm &window, MResultPage &page, const QString &password)
{
    if (!query(window, QStringLiteral("FF39,%1").arg(password)))
        return false;
    page.section(MMainForm::tr("Статус информационного обмена с ОФД"));
    MReplyRows::ofdStatus(page);
    if (!query(window, QStringLiteral("FF3F,%1").arg(password)))
        return false;
    MReplyRows::value(page, MMainForm::tr("Документов без квитанции ОФД:"), 2);
    return true;
}

bool addFnInfoSection(MMainForm &window, MResultPage &page, const QString &password)
{
    if (!query(window, QStringLiteral("FF04,%1").arg(password)))
        return false;
    page.section(MMainForm::tr("Информация по ФН"));
    MReplyRows::fnVersion(page);
    if (!query(window, QStringLiteral("FF02,%1").arg(password)))
        return false;
    MReplyRows::value(page, MMainForm::tr("Заводской номер ФН:"), 2);
    if (!query(window, QStringLiteral("FF03,%1").arg(password)))
        return false;
    MReplyRows::value(page, MMainForm::tr("Срок действия ФН:"), 2);
    return true;
}

bool addFnStatusSection(MMainForm &window, MResultPage &page, const QString &password)
{
    if (!query(window, QStringLiteral("FF01,%1").arg(password)))
        return false;
    page.section(MMainForm::tr("Статус ФН"));
    MReplyRows::fnStatus(page);
    return true;
}

} // namespace

void MMainForm::on_butGetState_clicked()
{
    if (!connectFR())
        return;
    QString tableSerial;
    if (accessFRTable(true, regfield::kSerialNumber) && reply::count() > 2)
        tableSerial = reply::string(2);
    // The table read closes the connection when it fails; this opens it again.
    if (!connectFR())
        return;
    const QString password = linkPasswordText();
    if (!query(*this, QStringLiteral("11,%1").arg(password)))
        return;
    ui->textFRState->clear();

    // A section's title goes in only once its command has answered, so a
    // failure leaves the sections before it, closed, and no empty heading.
    MResultPage page(tr("Запрос статуса ККТ"));
    addRegisterRows(page, isKnownModel, tableSerial);
    const bool complete = addDeviceTypeSection(*this, page) && addOfdSection(*this, page, password)
                          && addFnInfoSection(*this, page, password)
                          && addFnStatusSection(*this, page, password);
    ui->textFRState->setHtml(page.html());
    if (complete) {
        disconnectFR();
        outStateMessage();
    }
}

void MMainForm::on_butResetState_clicked()
{
    // The register has no state to reset from here; the button stays for the layout.
}
