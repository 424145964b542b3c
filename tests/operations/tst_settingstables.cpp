// The settings tables procedure: reading every table of the emulated register
// through the driver, restoring a backup (only the differences written, the
// register's own fields left alone), the refusals that leave the register
// untouched, where the list of tables ends, and the checks of a value and of
// a backup file.

#include "emulatorlink.h"
#include "scriptedreply.h"
#include "settingstables.h"

#include <kelodefaults.h>
#include <registertext.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace ops;

namespace {

const QString pw = QString::number(kelo::kDefaultSysAdminPassword);

TableField numberField(int n, const QString &name, int size, quint64 min, quint64 max)
{
    return {n, name, false, size, min, max};
}

TableField textField(int n, const QString &name, int size)
{
    return {n, name, true, size, 0, 0};
}

// A register of two small tables, as a backup holds it.
RegisterBackup smallRegister()
{
    RegisterBackup b;
    b.model = 250;
    b.modelName = QStringLiteral("Kelo-Vint-Ф");
    TableContents print;
    print.structure = {9,
                       QStringLiteral("Параметры печати"),
                       2,
                       2,
                       {numberField(1, QStringLiteral("Яркость печати"), 1, 1, 15),
                        textField(2, QStringLiteral("Строка"), 8)}};
    print.values = {{qulonglong(8), QStringLiteral("abc")}, {qulonglong(3), QString()}};
    TableContents reg;
    reg.structure = {18,
                     QStringLiteral("Регистрационные данные"),
                     1,
                     1,
                     {textField(1, QStringLiteral("Заводской номер ККТ"), 20)}};
    reg.values = {{QStringLiteral("1702000123")}};
    b.tables = {print, reg};
    return b;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(RegisterBackup)

class TstSettingsTables : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void restoreWritesOnlyTheDifferences();
    void refusalsWriteNothing_data();
    void refusalsWriteNothing();
    void fieldReplies_data();
    void fieldReplies();
    void values_data();
    void values();
    void backupFiles_data();
    void backupFiles();
};

void TstSettingsTables::initTestCase()
{
    mpLoadDataFiles();
    QVERIFY(mpParseDescriptionFiles());
    mpLoadDefaults();
}

void TstSettingsTables::restoreWritesOnlyTheDifferences()
{
    kelo::emu::EmulatorConfig config;
    config.baud = 0;
    config.preset = kelo::emu::Preset::Registered;
    EmulatorLink emu(config);
    QVERIFY(emu.connect());
    QStringList sent;
    const Exec exec = [&sent](const QString &command) {
        sent << command;
        TestFp fp;
        return fp.execCommand(command);
    };
    SettingsTables tables(exec, pw);
    RegisterBackup backup;
    QVERIFY2(tables.readAll(&backup), qPrintable(tables.error()));
    QCOMPARE(backup.model, 250);
    QList<int> numbers;
    for (const TableContents &t : backup.tables)
        numbers << t.structure.number;
    QCOMPARE(numbers, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 18, 19}));
    QCOMPARE(backup.serialNumber, QStringLiteral("1702000123"));
    const TableContents &ofd = backup.tables.last();
    QCOMPARE(ofd.structure.fields.at(1).max, quint64(65535));
    QCOMPARE(ofd.values.at(0).at(1), QVariant(qulonglong(7777)));
    // The list ends after 16 refused numbers past table 19.
    QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^2D,"))).size(), 19 + 16 + 12);

    // The register changes two settings; the file changes its INN and the
    // longest text the register has, to the last byte.
    for (const QString &command : {"1E," + pw + ",19,1,2,b822", "1E," + pw + ",7,3,1,cff0eee1e0"})
        QVERIFY2(exec(command), qPrintable(lastErrText));
    RegisterBackup file = backup;
    file.tables[10].values[0][1] = QStringLiteral("7700000099");
    const QString longest(128, QChar(0x0416)); // Ж, one byte in Windows-1251
    file.tables[10].values[0][6] = longest;

    RegisterBackup now;
    QVERIFY2(tables.readAll(&now), qPrintable(tables.error()));
    const RestorePlan plan = SettingsTables::planRestore(file, now);
    QVERIFY2(plan.refusal.isEmpty(), qPrintable(plan.refusal));
    QStringList changes;
    for (const CellChange &c : plan.changes)
        changes << QStringLiteral("%1.%2.%3 %4>%5")
                       .arg(c.table)
                       .arg(c.row)
                       .arg(c.field.number)
                       .arg(SettingsTables::valueText(c.current),
                            SettingsTables::valueText(c.wanted).left(3));
    QCOMPARE(changes, (QStringList{"7.3.1 Проба>ОТД", "18.1.7 ООО \"Ромашка\">ЖЖЖ", "19.1.2 8888>777"}));
    QCOMPARE(plan.skipped.size(), 1);
    QCOMPARE(plan.skipped.first().field.number, 2);

    sent.clear();
    const QList<CellWrite> written = tables.write(plan.changes);
    QCOMPARE(sent.filter(QRegularExpression(QStringLiteral("^1E,"))).size(), 3);
    for (const CellWrite &w : written)
        QVERIFY2(w.matches(), qPrintable(w.error));
    RegisterBackup after;
    QVERIFY(tables.readAll(&after));
    file.tables[10].values[0][1] = after.tables[10].values[0][1];
    QCOMPARE(after.toJson().value("tables"), file.toJson().value("tables"));
    QVERIFY(SettingsTables::planRestore(file, after).changes.isEmpty());
}

void TstSettingsTables::refusalsWriteNothing_data()
{
    QTest::addColumn<RegisterBackup>("file");
    QTest::addColumn<QString>("refusal");

    RegisterBackup b = smallRegister();
    b.tables[0].values[0][0] = qulonglong(9); // a difference, so that a plan would have something
    RegisterBackup other = b;
    other.model = 251;
    QTest::newRow("other model") << other << "модели 251";
    RegisterBackup wider = b;
    wider.tables[0].structure.fields[1].size = 9;
    QTest::newRow("wider text") << wider
                                << "поле 2: в файле «Строка», text, 9 байт; в ККТ «Строка», text, 8 байт";
    RegisterBackup retyped = b;
    retyped.tables[0].structure.fields[1].text = false;
    QTest::newRow("other type") << retyped << "number";
    RegisterBackup renamed = b;
    renamed.tables[0].structure.fields[0].name = QStringLiteral("Контраст");
    QTest::newRow("other field name") << renamed << "«Контраст»";
    RegisterBackup moreRows = b;
    moreRows.tables[0].structure.rows = 3;
    moreRows.tables[0].values.append({qulonglong(1), QString()});
    QTest::newRow("more rows") << moreRows << "3 рядов";
    RegisterBackup missing = b;
    missing.tables[1].structure.number = 30;
    QTest::newRow("table the register lacks") << missing << "Таблицы 30";
    RegisterBackup high = b;
    high.tables[0].values[1][0] = qulonglong(16);
    QTest::newRow("number above the range") << high << "значение 16 вне диапазона 1..15";
    RegisterBackup longer = b;
    longer.tables[0].values[1][1] = QStringLiteral("ЖЖЖЖЖЖЖЖЖ");
    QTest::newRow("text too long") << longer << "длиннее 8 байт";
}

void TstSettingsTables::refusalsWriteNothing()
{
    QFETCH(RegisterBackup, file);
    QFETCH(QString, refusal);
    const RestorePlan plan = SettingsTables::planRestore(file, smallRegister());
    QVERIFY2(plan.refusal.contains(refusal), qPrintable(plan.refusal));
    QVERIFY(plan.changes.isEmpty());
}

// What "2E" answers after the field's name: type, size and (for a number)
// the range; what the layout needs is taken, bytes after it are left.
void TstSettingsTables::fieldReplies_data()
{
    QTest::addColumn<QList<QByteArray>>("reply"); // the values after the name
    QTest::addColumn<QString>("field");           // "type size min..max", or the error

    using V = QList<QByteArray>;
    const QByteArray zero(1, '\0');
    QTest::newRow("number") << V{zero, "\x02", QByteArray::fromHex("0100ffff")} << "number 2 1..65535";
    QTest::newRow("number, bytes after the range")
        << V{zero, "\x01", QByteArray::fromHex("010f0000")} << "number 1 1..15";
    QTest::newRow("text") << V{"\x01", "\x30"} << "text 48";
    QTest::newRow("text, two bytes after its size") << V{"\x01", "\x30", QByteArray(2, '\0')} << "text 48";
    QTest::newRow("range cut") << V{zero, "\x02", QByteArray::fromHex("0100ff")} << "без границ";
    QTest::newRow("no size") << V{zero} << "без типа и размера";
    QTest::newRow("unknown type") << V{"\x02", "\x01"} << "неизвестный тип поля 2";
    QTest::newRow("size 0") << V{"\x01", zero} << "размер поля 0";
    QTest::newRow("number of 9 bytes") << V{zero, "\x09", QByteArray(18, '\0')} << "размер поля 9";
    QTest::newRow("minimum above maximum") << V{zero, "\x01", QByteArray::fromHex("0501")} << "минимум 5";
}

void TstSettingsTables::fieldReplies()
{
    QFETCH(QList<QByteArray>, reply);
    QFETCH(QString, field);
    const QByteArray name = toRegisterText(QStringLiteral("Поле")) + QByteArray(36, '\0');
    SettingsTables tables(
        [&](const QString &command) {
            if (command.startsWith(QLatin1String("2D")))
                return scripted::reply({"\x2d", "", name, scripted::le16(1), "\x01"});
            return scripted::reply(QList<QByteArray>{"\x2e", "", name} + reply);
        },
        pw);
    TableStructure s;
    if (!tables.readStructure(5, &s)) {
        QVERIFY2(tables.error().contains(field), qPrintable(tables.error()));
        QCOMPARE(tables.errorCode(), -1);
        return;
    }
    QCOMPARE(s.fields.size(), 1);
    const TableField &f = s.fields.first();
    QCOMPARE(f.name, QStringLiteral("Поле"));
    const QString got = f.text ? QStringLiteral("text %1").arg(f.size)
                               : QStringLiteral("number %1 %2..%3").arg(f.size).arg(f.min).arg(f.max);
    QCOMPARE(got, field);
}

void TstSettingsTables::values_data()
{
    QTest::addColumn<bool>("text");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("error"); // empty: accepted
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("number at the maximum") << false << "1000" << QString() << QByteArray::fromHex("e803");
    QTest::newRow("number at the minimum") << false << "10" << QString() << QByteArray::fromHex("0a00");
    QTest::newRow("number above") << false << "1001"
                                  << "значение 1001 вне диапазона 10..1000" << QByteArray();
    QTest::newRow("number below") << false << "9"
                                  << "10..1000" << QByteArray();
    QTest::newRow("beyond 64 bits") << false << "18446744073709551616"
                                    << "не число; нужно число от 10 до 1000" << QByteArray();
    QTest::newRow("empty number") << false << ""
                                  << "не число" << QByteArray();
    QTest::newRow("text padded") << true << "Ёж" << QString() << QByteArray::fromHex("a8e6000000");
    QTest::newRow("text of the whole size")
        << true << "ЖЖЖЖЖ" << QString() << QByteArray::fromHex("c6c6c6c6c6");
    QTest::newRow("text one byte over") << true << "ЖЖЖЖЖЖ"
                                        << "длиннее 5 байт" << QByteArray();
    QTest::newRow("text outside Windows-1251") << true << "日本"
                                               << "Windows-1251" << QByteArray();
    QTest::newRow("text with a zero") << true << QStringLiteral("a") + QChar(0) + "b"
                                      << "нулевым" << QByteArray();
}

void TstSettingsTables::values()
{
    QFETCH(bool, text);
    QFETCH(QString, input);
    QFETCH(QString, error);
    QFETCH(QByteArray, bytes);
    const TableField field = text ? textField(1, QStringLiteral("Строка"), 5)
                                  : numberField(1, QStringLiteral("Интервал"), 2, 10, 1000);
    QVariant value;
    QString message;
    QCOMPARE(SettingsTables::parseValue(field, input, &value, &message), error.isEmpty());
    QVERIFY2(message.contains(error), qPrintable(message));
    if (error.isEmpty())
        QCOMPARE(SettingsTables::encode(field, value), bytes);
}

void TstSettingsTables::backupFiles_data()
{
    QTest::addColumn<QString>("edit"); // what is done to the file
    QTest::addColumn<QString>("error");

    QTest::newRow("as written") << QString() << QString();
    QTest::newRow("not JSON") << "cut"
                              << "не JSON";
    QTest::newRow("another file") << "format"
                                  << "не файл таблиц";
    QTest::newRow("true for a number") << "true"
                                       << "таблица 9, ряд 1, поле 1: значение не того типа";
    QTest::newRow("row missing") << "rows"
                                 << "2 рядов значений вместо 3";
    QTest::newRow("number wider than 8 bytes") << "size"
                                               << "недопустимый размер";
    QTest::newRow("table twice") << "twice"
                                 << "указана дважды";
}

void TstSettingsTables::backupFiles()
{
    QFETCH(QString, edit);
    QFETCH(QString, error);
    RegisterBackup written = smallRegister();
    written.serialNumber = QStringLiteral("1702000123");
    written.date = QDateTime(QDate(2026, 12, 1), QTime(10, 0));
    // A number beyond what a JSON number holds exactly is kept whole.
    written.tables[0].structure.fields[0] =
        numberField(1, QStringLiteral("Яркость печати"), 8, 0, ~quint64(0));
    written.tables[0].values[1][0] = qulonglong(0xFFFFFFFFFFFFFFF0ull);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tables.json"));
    QString message;
    QVERIFY2(written.save(path, &message), qPrintable(message));

    QJsonObject json = QJsonDocument::fromJson(readAll(path)).object();
    QJsonArray tablesJson = json.value("tables").toArray();
    QJsonObject table = tablesJson.at(0).toObject();
    QJsonArray rows = table.value("values").toArray();
    QJsonArray row = rows.at(0).toArray();
    QJsonArray fields = table.value("fields").toArray();
    QJsonObject field = fields.at(0).toObject();
    if (edit == "true")
        row[0] = true;
    else if (edit == "rows")
        table["rows"] = 3;
    else if (edit == "size")
        field["size"] = 9;
    else if (edit == "format")
        json["format"] = "something-else";
    rows[0] = row;
    table["values"] = rows;
    fields[0] = field;
    table["fields"] = fields;
    tablesJson[0] = table;
    if (edit == "twice")
        tablesJson.append(table);
    json["tables"] = tablesJson;
    QByteArray text = QJsonDocument(json).toJson();
    if (edit == "cut")
        text.chop(10);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text);
    out.close();

    RegisterBackup read;
    QCOMPARE(read.load(path, &message), error.isEmpty());
    QVERIFY2(message.contains(error), qPrintable(message));
    if (error.isEmpty()) {
        QCOMPARE(read.toJson(), written.toJson());
        QCOMPARE(read.tables[0].values[1][0], QVariant(qulonglong(0xFFFFFFFFFFFFFFF0ull)));
    }
}

QTEST_GUILESS_MAIN(TstSettingsTables)
#include "tst_settingstables.moc"
