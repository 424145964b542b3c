#include "settingstables.h"

#include "registerconnector.h"

#include <registerfields.h>
#include <registertext.h>
#include <replyvalues.h>
#include <testfp.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace ops {

namespace {

// Reply values: "2D" 2 name, 3 rows, 4 fields; "2E" 2 name, 3 type, 4 size,
// 5 minimum and maximum; "1F" 2 the value.
constexpr int kNameValue = 2;
constexpr int kRowsValue = 3;
constexpr int kFieldsValue = 4;
constexpr int kTypeValue = 3;
constexpr int kSizeValue = 4;
constexpr int kRangeValue = 5;
constexpr int kCellValue = 2;

constexpr int kMaxNumberSize = 8;
// A value travels in one frame: 1F's reply carries it after two bytes.
constexpr int kMaxFieldSize = 253;
// Numbers beyond this are kept in a file as decimal text, so that no JSON
// reader rounds them.
constexpr quint64 kMaxJsonInteger = (quint64(1) << 53) - 1;
const char *const kFileFormat = "kelo-settings-tables";

QString tr(const char *text)
{
    return QCoreApplication::translate("ops::SettingsTables", text);
}

quint64 maxOfSize(int size)
{
    return size >= 8 ? ~quint64(0) : (quint64(1) << (8 * size)) - 1;
}

QVariant jsonNumber(quint64 v)
{
    return v <= kMaxJsonInteger ? QVariant(double(v)) : QVariant(QString::number(v));
}

QJsonValue toJsonValue(const QVariant &v, bool text)
{
    if (text)
        return v.toString();
    return QJsonValue::fromVariant(jsonNumber(v.toULongLong()));
}

// A whole non-negative number from a file: a JSON number without a fraction,
// or its decimal text.
bool fromJsonNumber(const QJsonValue &value, quint64 *out)
{
    if (value.isString()) {
        const QString text = value.toString();
        bool ok = !text.isEmpty();
        for (const QChar c : text)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        *out = ok ? text.toULongLong(&ok) : 0;
        return ok;
    }
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!(d >= 0) || d > double(kMaxJsonInteger) || d != double(quint64(d)))
        return false;
    *out = quint64(d);
    return true;
}

QString cellName(const CellChange &c)
{
    return tr("таблица %1, ряд %2, поле %3 «%4»")
        .arg(c.table)
        .arg(c.row)
        .arg(c.field.number)
        .arg(c.field.name);
}

} // namespace

bool CellWrite::matches() const
{
    return written && readBack && SettingsTables::sameValue(value, cell.wanted);
}

SettingsTables::SettingsTables(Exec exec, const QString &password)
    : m_exec(std::move(exec)), m_password(password)
{}

bool SettingsTables::fail(int code, const QString &text)
{
    m_errorCode = code;
    m_error = text;
    return false;
}

bool SettingsTables::failCommand()
{
    return fail(lastErrCode > 0 ? lastErrCode : -1, lastErrText);
}

bool SettingsTables::step(int done, int total)
{
    if (m_progress && !m_progress(done, total)) {
        m_stopped = true;
        return fail(-1, tr("Чтение таблиц прервано пользователем."));
    }
    return true;
}

bool SettingsTables::listTables(QList<TableStructure> *tables)
{
    tables->clear();
    int refusedInARow = 0;
    for (int number = 1; number <= kMaxTable && refusedInARow < kEndGap; ++number) {
        if (!m_exec(QStringLiteral("2D,%1,%2").arg(m_password).arg(number))) {
            if (lastErrCode != kNoTable)
                return failCommand();
            ++refusedInARow;
        } else {
            refusedInARow = 0;
            if (reply::count() <= kFieldsValue || reply::bytes(kFieldsValue).isEmpty())
                return fail(-1, tr("Таблица %1: ответ без числа рядов и полей.").arg(number));
            TableStructure t;
            t.number = number;
            t.name = reply::string(kNameValue).trimmed();
            t.rows = reply::word(kRowsValue);
            t.fieldCount = reply::byte(kFieldsValue);
            tables->append(t);
        }
        if (!step(number, 0))
            return false;
    }
    return true;
}

bool SettingsTables::readField(int table, int field, TableField *out)
{
    if (!m_exec(QStringLiteral("2E,%1,%2,%3").arg(m_password).arg(table).arg(field)))
        return failCommand();
    const QString where = tr("Таблица %1, поле %2").arg(table).arg(field);
    if (reply::count() <= kSizeValue || reply::bytes(kTypeValue).isEmpty()
        || reply::bytes(kSizeValue).isEmpty())
        return fail(-1, tr("%1: ответ без типа и размера поля.").arg(where));
    TableField f;
    f.number = field;
    f.name = reply::string(kNameValue).trimmed();
    const int type = reply::byte(kTypeValue);
    f.size = reply::byte(kSizeValue);
    if (type > 1)
        return fail(-1, tr("%1: неизвестный тип поля %2.").arg(where).arg(type));
    f.text = type == 1;
    if (f.size < 1 || f.size > (f.text ? kMaxFieldSize : kMaxNumberSize))
        return fail(-1, tr("%1: недопустимый размер поля %2 байт.").arg(where).arg(f.size));
    if (!f.text) {
        // Only what the layout needs is taken; bytes after it are not ours.
        const QByteArray range = reply::bytes(kRangeValue);
        if (range.size() < 2 * f.size)
            return fail(-1, tr("%1: ответ без границ значения.").arg(where));
        const auto le = [&range](int from, int size) {
            quint64 v = 0;
            for (int i = size - 1; i >= 0; --i)
                v = (v << 8) | quint8(range.at(from + i));
            return v;
        };
        f.min = le(0, f.size);
        f.max = le(f.size, f.size);
        if (f.min > f.max)
            return fail(-1, tr("%1: минимум %2 больше максимума %3.").arg(where).arg(f.min).arg(f.max));
    }
    *out = f;
    return true;
}

bool SettingsTables::readStructure(int table, TableStructure *structure)
{
    if (!m_exec(QStringLiteral("2D,%1,%2").arg(m_password).arg(table)))
        return failCommand();
    if (reply::count() <= kFieldsValue || reply::bytes(kFieldsValue).isEmpty())
        return fail(-1, tr("Таблица %1: ответ без числа рядов и полей.").arg(table));
    TableStructure t;
    t.number = table;
    t.name = reply::string(kNameValue).trimmed();
    t.rows = reply::word(kRowsValue);
    t.fieldCount = reply::byte(kFieldsValue);
    for (int field = 1; field <= t.fieldCount; ++field) {
        TableField f;
        if (!readField(table, field, &f) || !step(field, 0))
            return false;
        t.fields.append(f);
    }
    *structure = t;
    return true;
}

bool SettingsTables::readValue(const TableStructure &structure, int row, int field, QVariant *value)
{
    if (field < 1 || field > structure.fields.size())
        return fail(-1, tr("В таблице %1 нет поля %2.").arg(structure.number).arg(field));
    return readCell(structure.number, row, structure.fields.at(field - 1), value);
}

bool SettingsTables::readCell(int table, int row, const TableField &field, QVariant *value)
{
    if (!m_exec(QStringLiteral("1F,%1,%2,%3,%4").arg(m_password).arg(table).arg(row).arg(field.number)))
        return failCommand();
    const QByteArray bytes = reply::bytes(kCellValue);
    if (bytes.size() < field.size) {
        return fail(-1, tr("Таблица %1, ряд %2, поле %3: получено %4 байт из %5.")
                            .arg(table)
                            .arg(row)
                            .arg(field.number)
                            .arg(bytes.size())
                            .arg(field.size));
    }
    // Bytes beyond the field's size are not its value.
    if (field.text) {
        *value = fromRegisterString(bytes.left(field.size));
    } else {
        quint64 v = 0;
        for (int i = field.size - 1; i >= 0; --i)
            v = (v << 8) | quint8(bytes.at(i));
        *value = QVariant(qulonglong(v));
    }
    return true;
}

bool SettingsTables::readContents(const TableStructure &structure, TableContents *contents)
{
    TableContents c;
    c.structure = structure;
    const int total = structure.rows * int(structure.fields.size());
    int done = 0;
    for (int row = 1; row <= structure.rows; ++row) {
        QList<QVariant> values;
        for (int field = 1; field <= structure.fields.size(); ++field) {
            QVariant v;
            if (!readValue(structure, row, field, &v) || !step(++done, total))
                return false;
            values.append(v);
        }
        c.values.append(values);
    }
    *contents = c;
    return true;
}

bool SettingsTables::readAll(RegisterBackup *backup)
{
    RegisterBackup b;
    RegisterIdentity identity;
    if (!RegisterConnector::identify(m_exec, &identity))
        return lastErrCode != 0 ? failCommand() : fail(-1, tr("ККТ не назвала свою модель."));
    b.model = identity.model;
    b.modelName = identity.name;
    b.date = QDateTime::currentDateTime();
    QList<TableStructure> list;
    if (!listTables(&list))
        return false;
    QList<TableStructure> structures;
    int total = 0;
    for (const TableStructure &listed : list) {
        TableStructure structure;
        if (!readStructure(listed.number, &structure))
            return false;
        structures.append(structure);
        total += structure.rows * int(structure.fields.size());
    }
    // The values are counted over all tables.
    const Progress outer = m_progress;
    int before = 0;
    if (outer)
        m_progress = [&outer, &before, total](int done, int) {
            return outer(before + done, total);
        };
    for (const TableStructure &structure : structures) {
        TableContents contents;
        const bool read = readContents(structure, &contents);
        before += structure.rows * int(structure.fields.size());
        if (!read) {
            m_progress = outer;
            return false;
        }
        b.tables.append(contents);
    }
    m_progress = outer;
    const ::TableField serial = regfield::kSerialNumber;
    for (const TableContents &t : b.tables) {
        if (t.structure.number == serial.table && t.values.size() >= serial.row
            && t.structure.fields.size() >= serial.field)
            b.serialNumber = valueText(t.values.at(serial.row - 1).at(serial.field - 1));
    }
    *backup = b;
    return true;
}

QList<CellWrite> SettingsTables::write(const QList<CellChange> &cells)
{
    QList<CellWrite> results;
    bool linkLost = false;
    int done = 0;
    for (const CellChange &cell : cells) {
        CellWrite w;
        w.cell = cell;
        if (linkLost || m_stopped) {
            w.errorCode = -1;
            w.error = m_stopped ? tr("Не записано: запись прервана.") : tr("Не записано: нет связи с ККТ.");
            results.append(w);
            continue;
        }
        const QString wrong = validate(cell.field, cell.wanted);
        if (!wrong.isEmpty()) {
            w.errorCode = -1;
            w.error = wrong;
            results.append(w);
            continue;
        }
        const QString command = QStringLiteral("1E,%1,%2,%3,%4,%5")
                                    .arg(m_password)
                                    .arg(cell.table)
                                    .arg(cell.row)
                                    .arg(cell.field.number)
                                    .arg(QString::fromLatin1(encode(cell.field, cell.wanted).toHex()));
        if (!m_exec(command)) {
            w.errorCode = lastErrCode > 0 ? lastErrCode : -1;
            w.error = lastErrText;
            linkLost = lastErrCode <= 0;
        } else {
            w.written = true;
            QVariant back;
            if (readCell(cell.table, cell.row, cell.field, &back)) {
                w.readBack = true;
                w.value = back;
            } else {
                w.errorCode = m_errorCode;
                w.error = m_error;
                linkLost = lastErrCode < 0;
            }
            if (w.readBack && !w.matches()) {
                w.error =
                    tr("Прочитано обратно «%1» вместо «%2».").arg(valueText(w.value), valueText(cell.wanted));
            }
        }
        results.append(w);
        if (m_progress && !m_progress(++done, int(cells.size())))
            m_stopped = true;
    }
    return results;
}

QString SettingsTables::validate(const TableField &field, const QVariant &value)
{
    const QString name = tr("Поле «%1»").arg(field.name);
    if (field.text) {
        if (value.typeId() != QMetaType::QString)
            return tr("%1: нужен текст.").arg(name);
        const QString text = value.toString();
        if (text.contains(QChar(0)))
            return tr("%1: текст с нулевым символом.").arg(name);
        const QByteArray bytes = toRegisterText(text);
        if (fromRegisterText(bytes) != text)
            return tr("%1: в тексте есть знаки, которых нет в кодировке Windows-1251.").arg(name);
        if (bytes.size() > field.size) {
            return tr("%1: текст длиннее %2 байт (%3 байт в Windows-1251).")
                .arg(name)
                .arg(field.size)
                .arg(bytes.size());
        }
        return QString();
    }
    if (value.typeId() != QMetaType::ULongLong)
        return tr("%1: нужно число от %2 до %3.").arg(name).arg(field.min).arg(field.max);
    const quint64 v = value.toULongLong();
    if (v < field.min || v > field.max || v > maxOfSize(field.size))
        return tr("%1: значение %2 вне диапазона %3..%4.").arg(name).arg(v).arg(field.min).arg(field.max);
    return QString();
}

bool SettingsTables::parseValue(const TableField &field, const QString &text, QVariant *value, QString *error)
{
    QVariant v;
    if (field.text) {
        v = text;
    } else {
        bool ok = !text.isEmpty() && text.size() <= 20;
        for (const QChar c : text)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const quint64 n = ok ? text.toULongLong(&ok) : 0;
        if (!ok) {
            *error = tr("Поле «%1»: «%2» не число; нужно число от %3 до %4.")
                         .arg(field.name, text)
                         .arg(field.min)
                         .arg(field.max);
            return false;
        }
        v = QVariant(qulonglong(n));
    }
    *error = validate(field, v);
    if (!error->isEmpty())
        return false;
    *value = v;
    return true;
}

bool SettingsTables::isProtected(int table, int field)
{
    // The register's identity and what the FN registration set.
    static const ::TableField kept[] = {regfield::kSerialNumber, regfield::kInn, regfield::kRegNumber,
                                        regfield::kFnNumber, regfield::kWorkModeCode};
    for (const ::TableField &k : kept) {
        if (k.table == table && k.field == field)
            return true;
    }
    return false;
}

QString SettingsTables::valueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::ULongLong)
        return QString::number(value.toULongLong());
    return value.toString();
}

bool SettingsTables::sameValue(const QVariant &a, const QVariant &b)
{
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::ULongLong)
        return a.toULongLong() == b.toULongLong();
    return a.toString() == b.toString();
}

QByteArray SettingsTables::encode(const TableField &field, const QVariant &value)
{
    QByteArray bytes;
    if (field.text) {
        bytes = toRegisterText(value.toString()).left(field.size);
    } else {
        quint64 v = value.toULongLong();
        for (int i = 0; i < field.size; ++i, v >>= 8)
            bytes.append(char(v & 0xFF));
    }
    return bytes + QByteArray(field.size - bytes.size(), '\0');
}

QString SettingsTables::modelMismatch(const RegisterBackup &file, int model, const QString &modelName)
{
    if (file.model == model)
        return QString();
    return tr("Файл снят с ККТ модели %1 (%2), а подключена модель %3 (%4).")
        .arg(file.model)
        .arg(file.modelName)
        .arg(model)
        .arg(modelName);
}

RestorePlan SettingsTables::planRestore(const RegisterBackup &file, const RegisterBackup &current)
{
    RestorePlan plan;
    const auto refuse = [&plan](const QString &text) {
        plan.changes.clear();
        plan.skipped.clear();
        plan.refusal = text;
        return plan;
    };
    const QString otherModel = modelMismatch(file, current.model, current.modelName);
    if (!otherModel.isEmpty())
        return refuse(otherModel);
    for (const TableContents &t : file.tables) {
        const TableContents *now = nullptr;
        for (const TableContents &c : current.tables) {
            if (c.structure.number == t.structure.number)
                now = &c;
        }
        const int n = t.structure.number;
        if (!now)
            return refuse(tr("Таблицы %1 «%2» в ККТ нет.").arg(n).arg(t.structure.name));
        const TableStructure &s = now->structure;
        if (s.name != t.structure.name || s.rows != t.structure.rows
            || s.fields.size() != t.structure.fields.size()) {
            return refuse(tr("Таблица %1 в файле «%2», %3 рядов, %4 полей; в ККТ «%5», %6 рядов, %7 полей.")
                              .arg(n)
                              .arg(t.structure.name)
                              .arg(t.structure.rows)
                              .arg(t.structure.fields.size())
                              .arg(s.name)
                              .arg(s.rows)
                              .arg(s.fields.size()));
        }
        for (int f = 0; f < s.fields.size(); ++f) {
            const TableField &mine = t.structure.fields.at(f);
            const TableField &theirs = s.fields.at(f);
            if (!mine.sameLayout(theirs)) {
                return refuse(tr("Таблица %1, поле %2: в файле «%3», %4, %5 байт; в ККТ «%6», %7, %8 байт.")
                                  .arg(n)
                                  .arg(f + 1)
                                  .arg(mine.name, mine.typeName())
                                  .arg(mine.size)
                                  .arg(theirs.name, theirs.typeName())
                                  .arg(theirs.size));
            }
        }
        for (int row = 0; row < s.rows; ++row) {
            for (int f = 0; f < s.fields.size(); ++f) {
                CellChange c;
                c.table = n;
                c.row = row + 1;
                c.tableName = s.name;
                c.field = s.fields.at(f);
                c.current = now->values.at(row).at(f);
                c.wanted = t.values.at(row).at(f);
                if (sameValue(c.current, c.wanted))
                    continue;
                if (isProtected(n, c.field.number)) {
                    plan.skipped.append(c);
                    continue;
                }
                const QString wrong = validate(c.field, c.wanted);
                if (!wrong.isEmpty())
                    return refuse(tr("%1: %2").arg(cellName(c), wrong));
                plan.changes.append(c);
            }
        }
    }
    return plan;
}

QJsonObject RegisterBackup::toJson() const
{
    QJsonArray tablesJson;
    for (const TableContents &t : tables) {
        QJsonArray fields;
        for (const TableField &f : t.structure.fields) {
            QJsonObject field{{QStringLiteral("number"), f.number},
                              {QStringLiteral("name"), f.name},
                              {QStringLiteral("type"), f.typeName()},
                              {QStringLiteral("size"), f.size}};
            if (!f.text) {
                field.insert(QStringLiteral("min"), QJsonValue::fromVariant(jsonNumber(f.min)));
                field.insert(QStringLiteral("max"), QJsonValue::fromVariant(jsonNumber(f.max)));
            }
            fields.append(field);
        }
        QJsonArray rows;
        for (const QList<QVariant> &row : t.values) {
            QJsonArray values;
            for (int f = 0; f < row.size(); ++f)
                values.append(toJsonValue(row.at(f), t.structure.fields.at(f).text));
            rows.append(values);
        }
        tablesJson.append(QJsonObject{{QStringLiteral("number"), t.structure.number},
                                      {QStringLiteral("name"), t.structure.name},
                                      {QStringLiteral("rows"), t.structure.rows},
                                      {QStringLiteral("fields"), fields},
                                      {QStringLiteral("values"), rows}});
    }
    return QJsonObject{{QStringLiteral("format"), QLatin1String(kFileFormat)},
                       {QStringLiteral("version"), 1},
                       {QStringLiteral("model"), model},
                       {QStringLiteral("modelName"), modelName},
                       {QStringLiteral("serialNumber"), serialNumber},
                       {QStringLiteral("date"), date.toString(Qt::ISODate)},
                       {QStringLiteral("tables"), tablesJson}};
}

bool RegisterBackup::fromJson(const QJsonObject &json, QString *error)
{
    const auto wrong = [error](const QString &text) {
        *error = text;
        return false;
    };
    if (json.value(QStringLiteral("format")).toString() != QLatin1String(kFileFormat))
        return wrong(tr("это не файл таблиц настроек ККТ"));
    if (json.value(QStringLiteral("version")).toInt() != 1)
        return wrong(tr("неизвестная версия файла %1")
                         .arg(json.value(QStringLiteral("version")).toVariant().toString()));
    quint64 modelNumber = 0;
    if (!fromJsonNumber(json.value(QStringLiteral("model")), &modelNumber) || modelNumber > 255)
        return wrong(tr("нет номера модели ККТ"));
    RegisterBackup b;
    b.model = int(modelNumber);
    b.modelName = json.value(QStringLiteral("modelName")).toString();
    b.serialNumber = json.value(QStringLiteral("serialNumber")).toString();
    b.date = QDateTime::fromString(json.value(QStringLiteral("date")).toString(), Qt::ISODate);
    const QJsonValue tablesValue = json.value(QStringLiteral("tables"));
    if (!tablesValue.isArray())
        return wrong(tr("нет списка таблиц"));
    const QJsonArray tablesJson = tablesValue.toArray();
    if (tablesJson.size() > SettingsTables::kMaxTable)
        return wrong(tr("таблиц больше %1").arg(SettingsTables::kMaxTable));
    for (const QJsonValue &tv : tablesJson) {
        const QJsonObject to = tv.toObject();
        TableContents t;
        quint64 number = 0, rows = 0;
        if (!fromJsonNumber(to.value(QStringLiteral("number")), &number) || number < 1
            || number > quint64(SettingsTables::kMaxTable))
            return wrong(tr("таблица без номера от 1 до %1").arg(SettingsTables::kMaxTable));
        const QString where = tr("таблица %1").arg(number);
        for (const TableContents &seen : b.tables) {
            if (seen.structure.number == int(number))
                return wrong(tr("%1 указана дважды").arg(where));
        }
        if (!fromJsonNumber(to.value(QStringLiteral("rows")), &rows) || rows > 0xFFFF)
            return wrong(tr("%1: нет числа рядов от 0 до 65535").arg(where));
        t.structure.number = int(number);
        t.structure.name = to.value(QStringLiteral("name")).toString();
        t.structure.rows = int(rows);
        const QJsonArray fields = to.value(QStringLiteral("fields")).toArray();
        if (fields.size() > 255)
            return wrong(tr("%1: полей больше 255").arg(where));
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QJsonObject fo = fields.at(i).toObject();
            TableField f;
            f.number = int(i + 1);
            f.name = fo.value(QStringLiteral("name")).toString();
            const QString type = fo.value(QStringLiteral("type")).toString();
            quint64 size = 0;
            if (type != QLatin1String("number") && type != QLatin1String("text"))
                return wrong(tr("%1, поле %2: тип не number и не text").arg(where).arg(i + 1));
            f.text = type == QLatin1String("text");
            if (!fromJsonNumber(fo.value(QStringLiteral("size")), &size) || size < 1
                || size > quint64(f.text ? kMaxFieldSize : kMaxNumberSize))
                return wrong(tr("%1, поле %2: недопустимый размер").arg(where).arg(i + 1));
            f.size = int(size);
            if (!f.text) {
                if (!fromJsonNumber(fo.value(QStringLiteral("min")), &f.min)
                    || !fromJsonNumber(fo.value(QStringLiteral("max")), &f.max) || f.min > f.max)
                    return wrong(tr("%1, поле %2: нет границ значения").arg(where).arg(i + 1));
            }
            t.structure.fields.append(f);
        }
        t.structure.fieldCount = int(t.structure.fields.size());
        const QJsonArray rowsJson = to.value(QStringLiteral("values")).toArray();
        if (rowsJson.size() != qsizetype(rows))
            return wrong(tr("%1: %2 рядов значений вместо %3").arg(where).arg(rowsJson.size()).arg(rows));
        for (qsizetype r = 0; r < rowsJson.size(); ++r) {
            const QJsonArray rowJson = rowsJson.at(r).toArray();
            if (rowJson.size() != t.structure.fields.size())
                return wrong(tr("%1, ряд %2: %3 значений вместо %4")
                                 .arg(where)
                                 .arg(r + 1)
                                 .arg(rowJson.size())
                                 .arg(t.structure.fields.size()));
            QList<QVariant> values;
            for (qsizetype f = 0; f < rowJson.size(); ++f) {
                const TableField &field = t.structure.fields.at(f);
                const QJsonValue v = rowJson.at(f);
                quint64 n = 0;
                if (field.text && v.isString())
                    values.append(v.toString());
                else if (!field.text && fromJsonNumber(v, &n))
                    values.append(QVariant(qulonglong(n)));
                else
                    return wrong(
                        tr("%1, ряд %2, поле %3: значение не того типа").arg(where).arg(r + 1).arg(f + 1));
            }
            t.values.append(values);
        }
        b.tables.append(t);
    }
    *this = b;
    return true;
}

bool RegisterBackup::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = QJsonDocument(toJson()).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool RegisterBackup::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        *error = tr("файл больше %1 байт").arg(kMaxFileBytes);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileBytes + 1), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? tr("не JSON (%1 на байте %2)").arg(parseError.errorString()).arg(parseError.offset)
                     : tr("не объект JSON");
        return false;
    }
    return fromJson(doc.object(), error);
}

} // namespace ops
