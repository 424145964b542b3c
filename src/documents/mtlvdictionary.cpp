#include "mtlvdictionary.h"

#include "tsvtable.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

struct TagEntry
{
    int tag;
    int type;
    const char *name;
};

// The names operators have known since the first version of this program. They
// stay as they were; every other tag takes the name the formats publish.
const TagEntry tagEntries[] = {
    {901, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "налоговая группа товара")},
    {1001, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "автоматический режим")},
    {1002, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "автономный режим")},
    {1003, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес банковского агента")},
    {1004, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес банковского субагента")},
    {1005, MTLVData::String,
     QT_TRANSLATE_NOOP("MTLVDocument", "адрес оператора по переводу денежных средств")},
    {1006, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес платежного агента")},
    {1007, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес платежного субагента")},
    {1008, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес покупателя")},
    {1009, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес расчетов")},
    {1010, MTLVData::VLN,
     QT_TRANSLATE_NOOP("MTLVDocument", "размер вознаграждения банковского агента (субагента)")},
    {1011, MTLVData::VLN,
     QT_TRANSLATE_NOOP("MTLVDocument", "размер вознаграждения платежного агента (субагента)")},
    {1012, MTLVData::UnixTime, QT_TRANSLATE_NOOP("MTLVDocument", "дата, время")},
    {1013, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "заводской номер ККТ")},
    {1014, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "значение типа строка")},
    {1015, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "значение типа целое")},
    {1016, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ИНН оператора по переводу денежных средств")},
    {1017, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ИНН ОФД")},
    {1018, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ИНН пользователя")},
    {1019, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "информационное cообщение")},
    {1020, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "итог")},
    {1021, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "кассир")},
    {1022, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "код ответа ОФД")},
    {1023, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "количество")},
    {1024, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование банковского агента")},
    {1025, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование банковского субагента")},
    {1026, MTLVData::String,
     QT_TRANSLATE_NOOP("MTLVDocument", "наименование оператора по переводу денежных средств")},
    {1027, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование платежного агента")},
    {1028, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование платежного субагента")},
    {1029, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование реквизита")},
    {1030, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование товара")},
    {1031, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "наличными")},
    {1032, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "налог:")},
    {1033, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "налоги:")},
    {1034, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "наценка (ставка)")},
    {1035, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "наценка (сумма)")},
    {1036, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "номер автомата")},
    {1037, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "регистрационный номер ККТ")},
    {1038, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер смены")},
    {1039, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "зарезервирован")},
    {1040, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер фискального документа")},
    {1041, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "заводской номер накопителя")},
    {1042, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер чека")},
    {1043, MTLVData::VLN,
     QT_TRANSLATE_NOOP("MTLVDocument", "общая стоимость позиции с учетом скидок и наценок")},
    {1044, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "операция банковского агента")},
    {1045, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "операция банковского субагента")},
    {1046, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "ОФД")},
    {1047, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "параметр настройки:")},
    {1048, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "пользователь")},
    {1049, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "почтовый индекс")},
    {1050, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак исчерпания ресурса ФН")},
    {1051, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак необходимости срочной замены ФН")},
    {1052, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак переполнения памяти ФН")},
    {1053, MTLVData::Byte,
     QT_TRANSLATE_NOOP("MTLVDocument", "признак превышения времени ожидания ответа ОФД")},
    {1054, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак расчета")},
    {1055, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак системы налогообложения")},
    {1056, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак шифрования")},
    {1057, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "применение платежными агентами (субагентами)")},
    {1058, MTLVData::Byte,
     QT_TRANSLATE_NOOP("MTLVDocument", "применение банковскими агентами (субагентами)")},
    {1059, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "реквизиты товара:")},
    {1060, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сайт налогового органа")},
    {1061, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сайт ОФД")},
    {1062, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "системы налогообложения")},
    {1063, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "скидка (ставка)")},
    {1064, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "скидка (сумма)")},
    {1065, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сокращенное наименование налога")},
    {1066, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение")},
    {1067, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение оператора для ККТ:")},
    {1068, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение оператора для ФН:")},
    {1069, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сообщение оператору:")},
    {1070, MTLVData::FVLN, QT_TRANSLATE_NOOP("MTLVDocument", "ставка налога")},
    {1071, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "сторно товара:")},
    {1072, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма налога")},
    {1073, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон банковского агента")},
    {1074, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон платежного агента")},
    {1075, MTLVData::String,
     QT_TRANSLATE_NOOP("MTLVDocument", "телефона оператора по переводу денежных средств")},
    {1076, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "тип сообщения")},
    {1077, MTLVData::Bytes, QT_TRANSLATE_NOOP("MTLVDocument", "фискальный признак документа")},
    {1078, MTLVData::Bytes, QT_TRANSLATE_NOOP("MTLVDocument", "фискальный признак оператора")},
    {1079, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "цена за единицу")},
    {1080, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "штриховой код EAN13")},
    {1081, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "электронными")},
    {1082, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон банковского субагента")},
    {1083, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "телефон платежного субагента")},
    {1084, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "дополнительный реквизит пользователя:")},
    {1085, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "наименование дополнительного реквизита")},
    {1086, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "значение дополнительного реквизита")},
    {1097, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "количество непереданных ФД")},
    {1098, MTLVData::UnixTime, QT_TRANSLATE_NOOP("MTLVDocument", "дата и время первого из непереданных ФД")},
    {1101, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "код причины перерегистрации")},
    {1103, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека поставке 10%")},
    {1104, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма расчета по чеку с НДС поставке 0%")},
    {1105, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма расчета по чеку без НДС")},
    {1107, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека по расч. ставке 10/110")},
    {1108, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак ККТ для расчетов только в Интернет")},
    {1109, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак расчетов за услуги")},
    {1110, MTLVData::Byte, QT_TRANSLATE_NOOP("MTLVDocument", "признак АС БСО")},
    {1111, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "общее количество ФД за смену")},
    {1112, MTLVData::STLV, QT_TRANSLATE_NOOP("MTLVDocument", "скидка/наценка:")},
    {1116, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "номер первого непереданного документа")},
    {1117, MTLVData::String, QT_TRANSLATE_NOOP("MTLVDocument", "адрес электронной почты отправителя чека")},
    {1118, MTLVData::UInt32, QT_TRANSLATE_NOOP("MTLVDocument", "количество кассовых чеков (БСО) за смену")},
};

// The general VAT rate was 18 % until the end of 2018 and has been 20 % since;
// the two sums of that rate carry the official 20 % names from 2019 on.
const TagEntry namesBefore2019[] = {
    {1102, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека по ставке 18%")},
    {1106, MTLVData::VLN, QT_TRANSLATE_NOOP("MTLVDocument", "сумма НДС чека по расч. ставке 18/118")},
};
// Codes 1 and 3 of the VAT rate named 18 % until then, and 20 % since.
const struct
{
    quint64 code;
    const char *text;
} vatCodesBefore2019[] = {
    {1, QT_TRANSLATE_NOOP("MTLVDocument", "НДС 18%")},
    {3, QT_TRANSLATE_NOOP("MTLVDocument", "НДС расч. 18/118")},
};
constexpr int kVatRateTag = 1199;
const QDate kRate20Since(2019, 1, 1);

struct DocTypeEntry
{
    int code;
    const char *name;
};

// As for tags: these names stay, the formats' data names the other codes.
const DocTypeEntry docTypeEntries[] = {
    {1, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт о фискализации")},
    {2, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт об открытии смены")},
    {3, QT_TRANSLATE_NOOP("MTLVDocument", "Кассовый чек")},
    {4, QT_TRANSLATE_NOOP("MTLVDocument", "БСО")},
    {5, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт о закрытии смены")},
    {6, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт о закрытии фискального накопителя")},
    {7, QT_TRANSLATE_NOOP("MTLVDocument", "Подтверждение оператора")},
    {11, QT_TRANSLATE_NOOP("MTLVDocument", "Отчёт об изменении параметров регистрации")},
    {21, QT_TRANSLATE_NOOP("MTLVDocument", "Отчета о текущем состоянии расчетов")},
    {22, QT_TRANSLATE_NOOP("MTLVDocument", "Кассовый чек коррекции")},
    {41, QT_TRANSLATE_NOOP("MTLVDocument", "БСО коррекции")},
};

constexpr char kDataDir[] = ":/documents/data/";

QString translated(const char *text)
{
    return QCoreApplication::translate("MTLVDocument", text);
}

QString translated(const QString &text)
{
    return QCoreApplication::translate("MTLVDocument", text.toUtf8().constData());
}

int typeCode(const QString &name)
{
    static const struct
    {
        const char *name;
        int type;
    } types[] = {
        {"BYTE", MTLVData::Byte},     {"UINT16", MTLVData::UInt16}, {"UINT32", MTLVData::UInt32},
        {"VLN", MTLVData::VLN},       {"FVLN", MTLVData::FVLN},     {"UNIXTIME", MTLVData::UnixTime},
        {"STRING", MTLVData::String}, {"BYTES", MTLVData::Bytes},   {"STLV", MTLVData::STLV},
    };
    for (const auto &t : types) {
        if (name == QLatin1String(t.name))
            return t.type;
    }
    return MTLVData::NoType;
}

// "1.0(withdrawn)", "1.05,1.1,1.2", "?": one bit per version, as 1209 numbers them.
int versionBits(const QString &list)
{
    static const char *const versions[] = {"1.0", "1.05", "1.1", "1.2"};
    int bits = 0;
    for (QString version : list.split(QLatin1Char(','))) {
        version = version.section(QLatin1Char('('), 0, 0).trimmed();
        for (int i = 0; i < 4; ++i) {
            if (version == QLatin1String(versions[i]))
                bits |= 1 << i;
        }
    }
    return bits;
}

int highestVersion(int bits)
{
    int highest = 0;
    for (int i = 0; i < 4; ++i) {
        if (bits & (1 << i))
            highest = i + 1;
    }
    return highest;
}

struct Dictionary
{
    QMap<int, MTLVData> current;
    // Every meaning of the tags that have had more than one, oldest first.
    QMap<int, QList<MTLVData>> meanings;
};

Dictionary load()
{
    Dictionary d;
    static const QRegularExpression altType(QStringLiteral("another transcription type ([A-Z0-9]+)"));
    QMap<int, QList<MTLVData>> byTag;
    for (const QStringList &row : TsvTable::read(QLatin1String(kDataDir) + QLatin1String("tags.tsv"))) {
        bool ok = false;
        const int tag = row.at(0).toInt(&ok);
        if (!ok || tag <= 0 || tag > 0xFFFF)
            continue;
        MTLVData entry(tag, translated(row.at(1)), typeCode(row.at(2)));
        entry.officialName = row.at(1);
        entry.versions = versionBits(row.at(4));
        const QRegularExpressionMatch alt = altType.match(row.at(6));
        if (alt.hasMatch())
            entry.altType = typeCode(alt.captured(1));
        byTag[tag].append(entry);
    }
    for (const TagEntry &known : tagEntries) {
        QList<MTLVData> &entries = byTag[known.tag];
        if (entries.isEmpty())
            entries.append(MTLVData(known.tag, QString(), known.type));
        for (MTLVData &entry : entries) {
            entry.name = translated(known.name);
            entry.type = known.type;
        }
    }
    for (auto it = byTag.begin(); it != byTag.end(); ++it) {
        // The current meaning is the one of the newest version; the later row on a tie.
        const MTLVData *newest = &it.value().first();
        for (const MTLVData &entry : it.value()) {
            if (highestVersion(entry.versions) >= highestVersion(newest->versions))
                newest = &entry;
        }
        d.current.insert(it.key(), *newest);
        if (it.value().size() > 1)
            d.meanings.insert(it.key(), it.value());
    }
    return d;
}

const Dictionary &dictionary()
{
    // A function-local static is filled exactly once even if a second thread
    // (a command-line tool, a test) gets here at the same time.
    static const Dictionary d = load();
    return d;
}

bool fits(const MTLVData &entry, qsizetype length)
{
    return MTLVData::acceptsLength(entry.type, length) || MTLVData::acceptsLength(entry.altType, length);
}

} // namespace

const QMap<int, MTLVData> &MTLVDictionary::tags()
{
    return dictionary().current;
}

const QMap<int, QString> &MTLVDictionary::docTypeNames()
{
    static const QMap<int, QString> names = [] {
        QMap<int, QString> map;
        for (const QStringList &row :
             TsvTable::read(QLatin1String(kDataDir) + QLatin1String("doctypes.tsv"))) {
            bool ok = false;
            const int code = row.at(0).toInt(&ok);
            if (ok && code > 0 && code <= 0xFFFF)
                map.insert(code, translated(row.at(1)));
        }
        for (const DocTypeEntry &entry : docTypeEntries)
            map.insert(entry.code, translated(entry.name));
        return map;
    }();
    return names;
}

const MTLVData *MTLVDictionary::find(int tag)
{
    const QMap<int, MTLVData> &current = tags();
    const auto it = current.constFind(tag);
    return it == current.cend() ? nullptr : &it.value();
}

const MTLVData *MTLVDictionary::find(int tag, int version, qsizetype length)
{
    const QMap<int, QList<MTLVData>> &meanings = dictionary().meanings;
    const auto it = meanings.constFind(tag);
    if (it == meanings.cend())
        return find(tag);
    QList<const MTLVData *> candidates;
    for (const MTLVData &entry : it.value()) {
        if (version >= Ffd10 && version <= Ffd12 && (entry.versions & (1 << (version - 1))))
            candidates.append(&entry);
    }
    if (candidates.size() == 1)
        return candidates.first();
    // The document does not say, or says a version no meaning is written for:
    // the length tells the meanings apart where their types differ.
    if (candidates.isEmpty()) {
        for (const MTLVData &entry : it.value())
            candidates.append(&entry);
    }
    for (auto c = candidates.crbegin(); c != candidates.crend(); ++c) {
        if (fits(**c, length))
            return *c;
    }
    return find(tag);
}

bool MTLVDictionary::dependsOnVersion(int tag)
{
    return dictionary().meanings.contains(tag);
}

QString MTLVDictionary::nameOn(const MTLVData &entry, const QDate &documentDate)
{
    if (documentDate.isValid() && documentDate < kRate20Since) {
        for (const TagEntry &before : namesBefore2019) {
            if (before.tag == entry.tag)
                return translated(before.name);
        }
    }
    return entry.name;
}

QString MTLVDictionary::codeTextOn(int tag, quint64 code, const QDate &documentDate)
{
    if (tag != kVatRateTag || !documentDate.isValid() || documentDate >= kRate20Since)
        return QString();
    for (const auto &before : vatCodesBefore2019) {
        if (before.code == code)
            return translated(before.text);
    }
    return QString();
}

bool MTLVDictionary::isFormCode(int tag)
{
    // Requisites are numbered from 1000 (and this program's own 901); form codes
    // are small numbers.
    return tag > 0 && tag < 1000 && !find(tag);
}
