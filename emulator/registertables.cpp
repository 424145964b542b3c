#include "registertables.h"

#include "wireformat.h"

namespace kelo::emu {

namespace {

using Field = RegisterTables::Field;

constexpr quint64 kFlag = 1;

// Fields are written with the shift closed unless anyMode() lets them be
// written in a shift as well.
constexpr Field numberField(int n, int width, const char *name, quint64 min, quint64 max)
{
    return {n, false, width, name, min, max, false, false};
}

constexpr Field textField(int n, int width, const char *name)
{
    return {n, true, width, name, 0, 0, false, false};
}

constexpr Field readOnly(Field f)
{
    f.readOnly = true;
    return f;
}

constexpr Field anyMode(Field f)
{
    f.anyMode = true;
    return f;
}

} // namespace

const QVector<RegisterTables::Table> &RegisterTables::definitions()
{
    static const QVector<Table> tables = {
        {1,
         "Тип и режим кассы",
         1,
         {numberField(1, 1, "Номер кассы в магазине", 1, 99),
          numberField(2, 1, "Обнуление наличности при закрытии смены", 0, kFlag),
          numberField(3, 1, "Отрезка чека", 0, 2), // 0 none, 1 full, 2 partial
          numberField(4, 1, "Печать рекламного текста", 0, kFlag),
          numberField(5, 1, "Начисление налогов", 0, kFlag), numberField(6, 1, "Печать налогов", 0, kFlag),
          numberField(7, 1, "Количество строк рекламного текста", 0, 4), // rows of table 8
          numberField(8, 1, "Работа с денежным ящиком", 0, kFlag),
          numberField(9, 1, "Печать заголовка чека", 0, kFlag), numberField(10, 1, "Сжатие шрифта", 0, kFlag),
          numberField(11, 1, "Звуковой сигнал", 0, kFlag),
          numberField(12, 1, "Печать необнуляемой суммы", 0, kFlag),
          numberField(13, 1, "Печать операционных регистров", 0, kFlag),
          numberField(14, 1, "Открытие смены по первому чеку", 0, kFlag),
          numberField(15, 1, "Печать даты и времени в чеке", 0, kFlag),
          numberField(16, 1, "Работа с фискальным накопителем", 0, kFlag)}},
        {kPasswordTable,
         "Пароли кассиров и администраторов",
         kAdministratorRow,
         {numberField(1, 4, "Пароль", 0, 99999999), textField(2, 21, "Имя")}},
        {3, "Заголовок чека", 4, {textField(1, 48, "Строка")}},
        {4,
         "Оплаты чека коррекции",
         1,
         {anyMode(numberField(1, 5, "Сумма электронными", 0, 0xFFFFFFFFFEull))}},
        {5, "Наименования типов оплаты", 16, {textField(1, 24, "Наименование")}},
        {6,
         "Налоговые ставки",
         6,
         {numberField(1, 2, "Ставка", 0, 9999), // hundredths of a percent
          textField(2, 64, "Название налога")}},
        {7, "Наименования отделов", 16, {textField(1, 24, "Наименование")}},
        {8, "Рекламный текст", 4, {textField(1, 48, "Строка")}},
        {9,
         "Параметры печати",
         1,
         {numberField(1, 1, "Яркость печати", 1, 15), numberField(2, 1, "Межстрочный интервал", 0, 10),
          numberField(3, 1, "Шрифт чека", 1, 2), numberField(4, 1, "Прогон перед отрезкой, строк", 0, 10),
          numberField(5, 1, "Печать логотипа", 0, kFlag)}},
        {10,
         "Сетевые параметры",
         1,
         {numberField(1, 1, "Получение адреса по DHCP", 0, kFlag), textField(2, 15, "IP-адрес"),
          textField(3, 15, "Маска подсети"), textField(4, 15, "Шлюз"), textField(5, 15, "DNS-сервер")}},
        {18,
         "Регистрационные данные",
         1,
         {readOnly(textField(1, 20, "Заводской номер ККТ")), readOnly(textField(2, 12, "ИНН пользователя")),
          readOnly(textField(3, 20, "Регистрационный номер ККТ")),
          readOnly(textField(4, 16, "Заводской номер ФН")),
          anyMode(numberField(5, 1, "Система налогообложения", 0, 63)), // bits of the six systems
          readOnly(numberField(6, 1, "Режим работы", 0, 255)), textField(7, 128, "Наименование пользователя"),
          textField(8, 64, "Место расчетов"), textField(9, 128, "Адрес расчетов"),
          textField(10, 64, "Наименование ОФД"), textField(11, 64, "Адрес сайта ОФД"),
          textField(12, 12, "ИНН ОФД"), textField(13, 64, "Адрес сайта ФНС")}},
        {19,
         "Параметры ОФД",
         1,
         {textField(1, 64, "Сервер"), numberField(2, 2, "Порт", 1, 65535),
          numberField(3, 2, "Таймаут соединения, с", 1, 600), numberField(4, 2, "Таймаут ответа, с", 1, 600),
          numberField(5, 2, "Интервал опроса, с", 10, 3600)}},
    };
    return tables;
}

const RegisterTables::Table *RegisterTables::findTable(int table)
{
    for (const Table &t : definitions()) {
        if (t.number == table)
            return &t;
    }
    return nullptr;
}

const RegisterTables::Field *RegisterTables::findField(int table, int field)
{
    const Table *t = findTable(table);
    if (!t || field < 1 || field > t->fields.size())
        return nullptr;
    return &t->fields.at(field - 1);
}

RegisterTables::RegisterTables()
{
    resetToDefaults();
}

void RegisterTables::resetToDefaults(int keepTable)
{
    const QMap<quint32, QByteArray> before = values_;
    values_.clear();
    for (const Table &t : definitions()) {
        for (int row = 1; row <= t.rows; ++row) {
            for (const Field &f : t.fields) {
                QByteArray least;
                if (!f.text)
                    wire::appendLE(least, f.min, f.width);
                store(t.number, row, f.number, least);
            }
        }
    }
    setNumber(1, 1, 1, 1);
    setNumber(1, 1, 2, 1);
    setNumber(1, 1, 16, 1);
    for (int row = 1; row <= kAdministratorRow; ++row) {
        setNumber(kPasswordTable, row, 1, static_cast<quint64>(row));
        setText(kPasswordTable, row, 2,
                row == kAdministratorRow ? QStringLiteral("АДМИНИСТРАТОР")
                                         : QStringLiteral("КАССИР %1").arg(row));
    }
    setText(3, 1, 1, QStringLiteral("ДОБРО ПОЖАЛОВАТЬ!"));
    static const char *const payments[] = {"НАЛИЧНЫМИ", "ЭЛЕКТРОННЫМИ", "ПРЕДОПЛАТА", "ПОСТОПЛАТА",
                                           "ВСТРЕЧНОЕ ПРЕДОСТАВЛЕНИЕ"};
    for (int row = 1; row <= 5; ++row)
        setText(5, row, 1, QString::fromUtf8(payments[row - 1]));
    for (int row = 1; row <= 16; ++row)
        setText(7, row, 1, QStringLiteral("ОТДЕЛ %1").arg(row));
    setText(8, 1, 1, QStringLiteral("СПАСИБО ЗА ПОКУПКУ!"));
    setNumber(9, 1, 1, 8);
    setNumber(9, 1, 2, 2);
    setNumber(9, 1, 4, 4);
    setNumber(10, 1, 1, 1);
    static const struct
    {
        quint64 rate;
        const char *name;
    } taxes[] = {{2200, "НДС 22%"}, {1000, "НДС 10%"}, {0, "НДС 0%"},
                 {0, "БЕЗ НДС"},    {500, "НДС 5%"},   {700, "НДС 7%"}};
    for (int row = 1; row <= 6; ++row) {
        setNumber(6, row, 1, taxes[row - 1].rate);
        setText(6, row, 2, QString::fromUtf8(taxes[row - 1].name));
    }
    setText(19, 1, 1, QStringLiteral("ofd.example.test"));
    setNumber(19, 1, 2, 7777);
    setNumber(19, 1, 3, 30);
    setNumber(19, 1, 4, 60);
    setNumber(19, 1, 5, 60);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (keepTable != 0 && static_cast<int>(it.key() >> 24) == keepTable)
            values_.insert(it.key(), it.value());
    }
}

const RegisterTables::Field *RegisterTables::find(int table, int row, int field)
{
    const Table *t = findTable(table);
    if (!t || row < 1 || row > t->rows)
        return nullptr;
    return findField(table, field);
}

RegisterTables::Result RegisterTables::read(int table, int row, int field, QByteArray *value) const
{
    if (!findTable(table))
        return Result::NoTable;
    if (!find(table, row, field))
        return Result::NoField;
    *value = values_.value(key(table, row, field));
    return Result::Ok;
}

RegisterTables::Result RegisterTables::write(int table, int row, int field, const QByteArray &value,
                                             bool shiftOpen)
{
    QByteArray current;
    const Result known = read(table, row, field, &current);
    if (known != Result::Ok)
        return known;
    const Field *f = find(table, row, field);
    if (f->readOnly)
        return Result::ReadOnly;
    if (shiftOpen && !f->anyMode)
        return Result::WrongMode;
    for (int i = f->width; i < value.size(); ++i) {
        if (value.at(i) != '\0')
            return Result::TooLong;
    }
    if (!f->text) {
        const quint64 v = wire::readLE(value, 0, qMin(f->width, static_cast<int>(value.size())));
        if (v < f->min || v > f->max)
            return Result::OutOfRange;
    }
    store(table, row, field, value);
    return Result::Ok;
}

quint64 RegisterTables::number(int table, int row, int field) const
{
    const QByteArray v = values_.value(key(table, row, field));
    return wire::readLE(v, 0, qMin(8, static_cast<int>(v.size())));
}

QString RegisterTables::text(int table, int row, int field) const
{
    return wire::fromCp1251(values_.value(key(table, row, field)));
}

void RegisterTables::setNumber(int table, int row, int field, quint64 value)
{
    QByteArray v;
    wire::appendLE(v, value, 8);
    store(table, row, field, v);
}

void RegisterTables::setText(int table, int row, int field, const QString &value)
{
    store(table, row, field, wire::toCp1251(value));
}

void RegisterTables::store(int table, int row, int field, const QByteArray &value)
{
    const Field *f = find(table, row, field);
    if (f)
        values_.insert(key(table, row, field), wire::fixedText(value, f->width));
}

QJsonObject RegisterTables::toJson() const
{
    QJsonObject json;
    for (auto it = values_.cbegin(); it != values_.cend(); ++it) {
        const quint32 k = it.key();
        const QString name = QStringLiteral("%1.%2.%3").arg(k >> 24).arg((k >> 8) & 0xFFFF).arg(k & 0xFF);
        json.insert(name, QString::fromLatin1(it.value().toHex()));
    }
    return json;
}

void RegisterTables::fromJson(const QJsonObject &json)
{
    resetToDefaults();
    for (auto it = json.constBegin(); it != json.constEnd(); ++it) {
        const QStringList parts = it.key().split(QLatin1Char('.'));
        if (parts.size() != 3)
            continue;
        store(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(),
              QByteArray::fromHex(it.value().toString().toLatin1()));
    }
}

} // namespace kelo::emu
