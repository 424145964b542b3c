#include "mtlvdictionary.h"

#include <QCoreApplication>

namespace {

struct TagEntry
{
    int tag;
    int type;
    const char *name;
};

const TagEntry tagEntries[] = {
    { 901, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "налоговая группа товара") },
    { 1001, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "автоматический режим") },
    { 1002, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "автономный режим") },
    { 1003, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес банковского агента") },
    { 1004, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес банковского субагента") },
    { 1005, MTLVData::String,
      QT_TRANSLATE_NOOP("MTLVDocument", "адрес оператора по переводу денежных средств") },
    { 1006, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес платежного агента") },
    { 1007, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес платежного субагента") },
    { 1008, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес покупателя") },
    { 1009, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес расчетов") },
    { 1010, MTLVData::VLN,
      QT_TRANSLATE_NOOP("MTLVDocument", "размер вознаграждения банковского агента (субагента)") },
    { 1011, MTLVData::VLN,
      QT_TRANSLATE_NOOP("MTLVDocument", "размер вознаграждения платежного агента (субагента)") },
    { 1012, MTLVData::UnixTime, QT_TRANSLATE_NOOP("MTLVDocument", "дата, время") },
    { 1013, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "заводской номер ККТ") },
    { 1014, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "значение типа строка") },
    { 1015, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "значение типа целое") },
    { 1016, MTLVData::String,
      QT_TRANSLATE_NOOP("MTLVDocument", "ИНН оператора по переводу денежных средств") },
    { 1017, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ИНН ОФД") },
    { 1018, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ИНН пользователя") },
    { 1019, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "информационное cообщение") },
    { 1020, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "итог") },
    { 1021, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "кассир") },
    { 1022, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "код ответа ОФД") },
    { 1023, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "количество") },
    { 1024, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование банковского агента") },
    { 1025, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование банковского субагента") },
    { 1026, MTLVData::String,
      QT_TRANSLATE_NOOP("MTLVDocument", "наименование оператора по переводу денежных средств") },
    { 1027, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование платежного агента") },
    { 1028, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование платежного субагента") },
    { 1029, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование реквизита") },
    { 1030, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование товара") },
    { 1031, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "наличными") },
    { 1032, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "налог:") },
    { 1033, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "налоги:") },
    { 1034, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "наценка (ставка)") },
    { 1035, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "наценка (сумма)") },
    { 1036, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "номер автомата") },
    { 1037, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "регистрационный номер ККТ") },
    { 1038, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер смены") },
    { 1039, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "зарезервирован") },
    { 1040, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер фискального документа") },
    { 1041, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "заводской номер накопителя") },
    { 1042, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер чека") },
    { 1043, MTLVData::VLN,
      QT_TRANSLATE_NOOP("MTLVDocument", "общая стоимость позиции с учетом скидок и наценок") },
    { 1044, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "операция банковского агента") },
    { 1045, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "операция банковского субагента") },
    { 1046, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ОФД") },
    { 1047, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "параметр настройки:") },
    { 1048, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "пользователь") },
    { 1049, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "почтовый индекс") },
    { 1050, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак исчерпания ресурса ФН") },
    { 1051, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак необходимости срочной замены ФН") },
    { 1052, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак переполнения памяти ФН") },
    { 1053, MTLVData::Byte,
      QT_TRANSLATE_NOOP("MTLVDocument", "признак превышения времени ожидания ответа ОФД") },
    { 1054, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак расчета") },
    { 1055, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак системы налогообложения") },
    { 1056, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак шифрования") },
    { 1057, MTLVData::Byte,
      QT_TRANSLATE_NOOP("MTLVDocument", "применение платежными агентами (субагентами)") },
    { 1058, MTLVData::Byte,
      QT_TRANSLATE_NOOP("MTLVDocument", "применение банковскими агентами (субагентами)") },
    { 1059, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "реквизиты товара:") },
    { 1060, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сайт налогового органа") },
    { 1061, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сайт ОФД") },
    { 1062, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "системы налогообложения") },
    { 1063, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "скидка (ставка)") },
    { 1064, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "скидка (сумма)") },
    { 1065, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сокращенное наименование налога") },
    { 1066, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение") },
    { 1067, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение оператора для ККТ:") },
    { 1068, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение оператора для ФН:") },
    { 1069, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение оператору:") },
    { 1070, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "ставка налога") },
    { 1071, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сторно товара:") },
    { 1072, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма налога") },
    { 1073, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон банковского агента") },
    { 1074, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон платежного агента") },
    { 1075, MTLVData::String,
      QT_TRANSLATE_NOOP("MTLVDocument", "телефона оператора по переводу денежных средств") },
    { 1076, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "тип сообщения") },
    { 1077, MTLVData::Bytes, QT_TRANSLATE_NOOP("MTLVDocument", "фискальный признак документа") },
    { 1078, MTLVData::Bytes, QT_TRANSLATE_NOOP("MTLVDocument", "фискальный признак оператора") },
    { 1079, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "цена за единицу") },
    { 1080, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "штриховой код EAN13") },
    { 1081, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "электронными") },
    { 1082, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон банковского субагента") },
    { 1083, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон платежного субагента") },
    { 1084, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "дополнительный реквизит пользователя:") },
    { 1085, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование дополнительного реквизита") },
    { 1086, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "значение дополнительного реквизита") },
    { 1097, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "количество непереданных ФД") },
    { 1098, MTLVData::UnixTime,
      QT_TRANSLATE_NOOP("MTLVDocument", "дата и время первого из непереданных ФД") },
    { 1101, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "код причины перерегистрации") },
    { 1102, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека поставке 18%") },
    { 1103, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека поставке 10%") },
    { 1104, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма расчета по чеку с НДС поставке 0%") },
    { 1105, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма расчета по чеку без НДС") },
    { 1106, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека по расч. ставке 18/118") },
    { 1107, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека по расч. ставке 10/110") },
    { 1108, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак ККТ для расчетов только в Интернет") },
    { 1109, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак расчетов за услуги") },
    { 1110, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак АС БСО") },
    { 1111, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "общее количество ФД за смену") },
    { 1112, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "скидка/наценка:") },
    { 1116, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер первого непереданного документа") },
    { 1117, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес электронной почты отправителя чека") },
    { 1118, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "количество кассовых чеков (БСО) за смену") },
};

struct DocTypeEntry
{
    int code;
    const char *name;
};

const DocTypeEntry docTypeEntries[] = {
    { 1, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт о фискализации") },
    { 2, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт об открытии смены") },
    { 3, QT_TRANSLATE_NOOP("MTLVDocument", "Кассовый чек") },
    { 4, QT_TRANSLATE_NOOP("MTLVDocument", "БСО") },
    { 5, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт о закрытии смены") },
    { 6, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт о закрытии фискального накопителя") },
    { 7, QT_TRANSLATE_NOOP("MTLVDocument", "Подтверждение оператора") },
    { 11, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт об изменении параметров регистрации") },
    { 21, QT_TRANSLATE_NOOP("MTLVDocument", "Отчета о текущем состоянии расчетов") },
    { 22, QT_TRANSLATE_NOOP("MTLVDocument", "Кассовый чек коррекции") },
    // Fiscal storage marks correction receipts with 31; 22 stays for registers that send it.
    { 31, QT_TRANSLATE_NOOP("MTLVDocument", "Кассовый чек коррекции") },
    { 41, QT_TRANSLATE_NOOP("MTLVDocument", "БСО коррекции") },
};

QString translated(const char *text)
{
    return QCoreApplication::translate("MTLVDocument", text);
}

} // namespace

const QMap<int, MTLVData> &MTLVDictionary::tags()
{
    // A function-local static is filled exactly once even if a second thread
    // (a command-line tool, a test) gets here at the same time.
    static const QMap<int, MTLVData> dictionary = [] {
        QMap<int, MTLVData> map;
        for (const TagEntry &entry : tagEntries)
            map.insert(entry.tag, MTLVData(entry.tag, translated(entry.name), entry.type));
        return map;
    }();
    return dictionary;
}

const QMap<int, QString> &MTLVDictionary::docTypeNames()
{
    static const QMap<int, QString> names = [] {
        QMap<int, QString> map;
        for (const DocTypeEntry &entry : docTypeEntries)
            map.insert(entry.code, translated(entry.name));
        return map;
    }();
    return names;
}

const MTLVData *MTLVDictionary::find(int tag)
{
    const QMap<int, MTLVData> &dictionary = tags();
    const auto it = dictionary.constFind(tag);
    return it == dictionary.cend() ? nullptr : &it.value();
}
