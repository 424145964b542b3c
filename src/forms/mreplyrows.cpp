#include "mreplyrows.h"

#include "mainform.h"
#include "mresultpage.h"

void MReplyRows::fnStatus(MResultPage &page)
{
    if (reply::count() <= 10)
        return;
    const quint8 phase = reply::byte(2);
    const quint8 document = reply::byte(3);
    const quint8 data = reply::byte(4);
    const quint8 shift = reply::byte(5);
    page.row(tr("Фаза жизни ФН [%1]:").arg(hex2(phase)), fnPhaseText(phase));
    page.row(tr("Текущий документ [%1]:").arg(hex2(document)), fnDocumentText(document));
    page.row(tr("Данные документа [%1]:").arg(hex2(data)), fnDocumentDataText(data));
    page.row(tr("Состояние смены [%1]:").arg(hex2(shift)), fnShiftText(shift));
    page.row(tr("Флаги предупреждения:"), reply::text(6));
    page.row(tr("Время/Дата:"), QStringLiteral("%1 %2").arg(reply::text(8), reply::text(7)));
    page.row(tr("Номер ФН:"), reply::text(9));
    page.row(tr("Номер последнего ФД:"), reply::text(10));
}

void MReplyRows::ofdStatus(MResultPage &page)
{
    if (reply::count() <= 7)
        return;
    page.row(tr("Статус информационного обмена:"), reply::text(2));
    const quint8 status = reply::byte(2);
    const QString bits[] = {
        tr("    Соединение установлено:"),
        tr("    Есть сообщения для передачи ОФД:"),
        tr("    Ожидание квитанции от ОФД:"),
        tr("    Есть команда от ОФД:"),
        tr("    Изменились настройки соединения с ОФД:"),
        tr("    Ожидание ответа на команду от ОФД:"),
    };
    for (int bit = 0; bit < 6; ++bit)
        page.row(bits[bit], (status & (1 << bit)) ? tr("да") : tr("нет"));
    page.row(tr("Состояние чтения сообщения:"), reply::text(3));
    page.row(tr("Количество сообщений для ОФД:"), reply::text(4));
    page.row(tr("Первый документ для ОФД:"));
    page.subRow(tr("Номер"), reply::text(5));
    page.subRow(tr("Дата"), reply::text(6));
    page.subRow(tr("Время"), reply::text(7));
}

void MReplyRows::fnVersion(MResultPage &page)
{
    if (reply::count() <= 3)
        return;
    page.row(tr("Версия ФН:"), reply::text(2));
    page.row(tr("Тип ПО ФН [%1]:").arg(hex2(reply::byte(3))), fnSoftwareText(reply::byte(3)));
}

void MReplyRows::value(MResultPage &page, const QString &caption, int index)
{
    if (reply::count() > index)
        page.row(caption, reply::text(index));
}

QString MReplyRows::modeText(int mode)
{
    static const char *const texts[] = {
        QT_TR_NOOP("Режим не определен."),
        QT_TR_NOOP("Выдача данных."),
        QT_TR_NOOP("Открытая смена, 24 часа не кончились."),
        QT_TR_NOOP("Открытая смена, 24 часа кончились."),
        QT_TR_NOOP("Закрытая смена."),
        QT_TR_NOOP("Блокировка по неправильному паролю налогового инспектора."),
        QT_TR_NOOP("Ожидание подтверждения ввода даты."),
        QT_TR_NOOP("Разрешение изменения положения десятичной точки."),
        QT_TR_NOOP("Открытый документ."),
        QT_TR_NOOP("Режим разрешения технологического обнуления."),
        QT_TR_NOOP("Тестовый прогон."),
        QT_TR_NOOP("Печать полного фискального отчета."),
        QT_TR_NOOP("Режим не определен."),
        QT_TR_NOOP("Работа с фискальным подкладным документом."),
        QT_TR_NOOP("Печать подкладного документа."),
        QT_TR_NOOP("Фискальный подкладной документ сформирован."),
    };
    return tr(mode >= 0 && mode < 16 ? texts[mode] : texts[0]);
}

QString MReplyRows::submodeText(int submode)
{
    static const char *const texts[] = {
        QT_TR_NOOP("Бумага есть."),
        QT_TR_NOOP("Пассивное отсутствие бумаги."),
        QT_TR_NOOP("Активное отсутствие бумаги."),
        QT_TR_NOOP("После активного отсутствия бумаги."),
        QT_TR_NOOP("Фаза печати операции полных фискальных отчетов."),
        QT_TR_NOOP("Фаза печати операции."),
    };
    return submode >= 0 && submode < 6 ? tr(texts[submode]) : tr("Подрежим не определен.");
}

QString MReplyRows::languageText(int language)
{
    return language == 0 ? tr("Русский.") : tr("Язык не определен.");
}

QString MReplyRows::fnPhaseText(int phase)
{
    QString text;
    if (phase & 0x01)
        text += tr("Проведена настройка ФН/");
    if (phase & 0x02)
        text += tr("Открыт фискальный режим/");
    if (phase & 0x04)
        text += tr("Закрыт постфискальный режим/");
    if (phase & 0x08)
        text += tr("Закончена передача фискальных данных в ОФД/");
    text.chop(1);
    return text;
}

QString MReplyRows::fnDocumentText(int document)
{
    switch (document) {
    case 0x00:
        return tr("Нет открытого документа.");
    case 0x01:
        return tr("Отчет о регистрации ККТ.");
    case 0x02:
        return tr("Отчет об открытии смены.");
    case 0x04:
        return tr("Кассовый чек.");
    case 0x08:
        return tr("Отчет о закрытии смены.");
    case 0x10:
        return tr("Отчет о закрытии фискального режима.");
    case 0x11:
        return tr("Бланк строкой отчетности.");
    case 0x12:
        return tr("Отчет об изменении параметров регистрации ККТ в связи с заменой ФН.");
    case 0x13:
        return tr("Отчет об изменении параметров регистрации ККТ.");
    case 0x14:
        return tr("Кассовый чек коррекции.");
    case 0x15:
        return tr("БСО коррекции.");
    case 0x17:
        return tr("Отчет о текущем состоянии расчетов.");
    default:
        return tr("Документ не определен.");
    }
}

QString MReplyRows::fnDocumentDataText(int data)
{
    switch (data) {
    case 0:
        return tr("Нет данных документа.");
    case 1:
        return tr("Получены данные документа.");
    default:
        return tr("Не определены данные документа.");
    }
}

QString MReplyRows::fnShiftText(int shift)
{
    // Both texts begin with a Latin "C", not the Cyrillic letter; kept so, saved
    // pages stay comparable with those of earlier versions.
    switch (shift) {
    case 0:
        return tr("Cмена закрыта.");
    case 1:
        return tr("Cмена открыта.");
    default:
        return tr("Состояние смены не определено.");
    }
}

QString MReplyRows::fnSoftwareText(int type)
{
    switch (type) {
    case 0:
        return tr("Отладочная версия.");
    case 1:
        return tr("Рабочая (серийная) версия.");
    default:
        return tr("Версия не определена.");
    }
}

QString MReplyRows::hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}
