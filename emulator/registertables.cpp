#include "registertables.h"

#include "wireformat.h"

namespace kelo::emu {

const QVector<RegisterTables::Table> &RegisterTables::definitions()
{
    static const QVector<Table> tables = {
        {1,
         "Тип и режим кассы",
         1,
         {{1, false, 1, "Номер кассы в магазине", false, false},
          {2, false, 1, "Обнуление денежной наличности при закрытии смены", false, false},
          {3, false, 1, "Отрезка чека", false, false},
          {4, false, 1, "Печать рекламного текста", false, false},
          {5, false, 1, "Начисление налогов", false, false},
          {6, false, 1, "Печать налогов", false, false},
          {7, false, 1, "Количество строк рекламного текста", false, false},
          {8, false, 1, "Работа с денежным ящиком", false, false},
          {9, false, 1, "Печать заголовка чека", false, false},
          {10, false, 1, "Сжатие шрифта", false, false},
          {11, false, 1, "Звуковой сигнал", false, false},
          {12, false, 1, "Печать необнуляемой суммы", false, false},
          {13, false, 1, "Печать операционных регистров", false, false},
          {14, false, 1, "Открытие смены по первому чеку", false, false},
          {15, false, 1, "Печать даты и времени в чеке", false, false},
          {16, false, 1, "Работа с фискальным накопителем", false, false}}},
        {4, "Оплаты чека коррекции", 1, {{1, false, 5, "Сумма электронными", true, false}}},
        {6,
         "Налоговые ставки",
         6,
         {{1, false, 2, "Ставка", false, false}, {2, true, 64, "Название налога", false, false}}},
        {18,
         "Регистрационные данные",
         1,
         {{1, true, 20, "Заводской номер ККТ", false, true},
          {2, true, 12, "ИНН пользователя", false, true},
          {3, true, 20, "Регистрационный номер ККТ", false, true},
          {4, true, 16, "Заводской номер ФН", false, true},
          {5, false, 1, "Система налогообложения", true, false},
          {6, false, 1, "Режим работы", false, true},
          {7, true, 128, "Наименование пользователя", false, false},
          {8, true, 64, "Место расчетов", false, false},
          {9, true, 128, "Адрес расчетов", false, false},
          {10, true, 64, "Наименование ОФД", false, false},
          {11, true, 64, "Адрес сайта ОФД", false, false},
          {12, true, 12, "ИНН ОФД", false, false},
          {13, true, 64, "Адрес сайта ФНС", false, false}}},
        {19,
         "Параметры ОФД",
         1,
         {{1, true, 64, "Сервер", false, false}, {2, false, 2, "Порт", false, false}}},
    };
    return tables;
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
            for (const Field &f : t.fields)
                store(t.number, row, f.number, QByteArray());
        }
    }
    setNumber(1, 1, 1, 1);
    setNumber(1, 1, 2, 1);
    setNumber(1, 1, 16, 1);
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
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (keepTable != 0 && static_cast<int>(it.key() >> 24) == keepTable)
            values_.insert(it.key(), it.value());
    }
}

const RegisterTables::Field *RegisterTables::find(int table, int row, int field)
{
    for (const Table &t : definitions()) {
        if (t.number != table)
            continue;
        if (row < 1 || row > t.rows)
            return nullptr;
        for (const Field &f : t.fields) {
            if (f.number == field)
                return &f;
        }
        return nullptr;
    }
    return nullptr;
}

RegisterTables::Result RegisterTables::read(int table, int row, int field, QByteArray *value) const
{
    bool known = false;
    for (const Table &t : definitions())
        known = known || t.number == table;
    if (!known)
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
