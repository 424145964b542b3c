// The firmware dump procedure against a scripted register: the commands it
// sends, the checks on every block, how a failure or a stop ends the transfer,
// and that nothing but a whole, checked image comes out.

#include "dumpreader.h"
#include "scriptedreply.h"

#include <QTest>

using namespace ops;
using scripted::le16;

namespace {

struct ScriptedDump
{
    int blocks = 3;
    bool announce = true; // "01" carries the block count
    int refuseStart = 0;  // error code of "01"
    int failBlock = 0;    // the "02" (1-based) that fails ...
    int failCode = 0;     // ... with this code (-1: the link)
    int shortBlock = 0;   // the "02" whose block lacks a byte
    int foreignBlock = 0; // the "02" whose block is from another unit
    int skippedBlock = 0; // the "02" after which one block number is skipped
    QStringList sent;

    static QByteArray block(int number) { return QByteArray(32, char('a' + number)); }

    bool exec(const QString &command)
    {
        sent << command.section(QLatin1Char(','), 0, 0);
        if (command.startsWith(QLatin1String("03")))
            return scripted::reply({"\x03", ""});
        if (command.startsWith(QLatin1String("01"))) {
            if (refuseStart)
                return scripted::fail(refuseStart);
            return announce ? scripted::reply({"\x01", "", le16(blocks)}) : scripted::reply({"\x01", ""});
        }
        const int n = int(sent.count(QStringLiteral("02")));
        if (n == failBlock)
            return scripted::fail(failCode);
        const int number = n - 1 + (skippedBlock && n > skippedBlock ? 1 : 0);
        QByteArray data = block(number);
        if (n == shortBlock)
            data.chop(1);
        const char unit = n == foreignBlock ? 7 : 6;
        return scripted::reply({"\x02", "", QByteArray(1, unit), le16(number), data});
    }
};

// The register with one of its fields set.
template<typename T> ScriptedDump with(T ScriptedDump::*field, T value)
{
    ScriptedDump reg;
    reg.*field = value;
    return reg;
}

} // namespace

Q_DECLARE_METATYPE(ScriptedDump)

class TstDumpReader : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
};

void TstDumpReader::read_data()
{
    QTest::addColumn<ScriptedDump>("reg");
    QTest::addColumn<int>("stopAfter"); // the caller stops after this block; -1 never
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("whole") << ScriptedDump() << -1 << int(DumpRead::Done) << QString()
                           << QStringList{"03", "01", "02", "02", "02", "03"};
    QTest::newRow("01 refused") << with(&ScriptedDump::refuseStart, 79) << -1 << int(DumpRead::Refused)
                                << "[79]: refused!" << QStringList{"03", "01"};
    QTest::newRow("no size") << with(&ScriptedDump::announce, false) << -1 << int(DumpRead::NoSize)
                             << "Ошибка получения размера дампа!" << QStringList{"03", "01"};

    // A register that refused may still hand out blocks: it is told to stop.
    // A lost link is not asked again.
    ScriptedDump reg = with(&ScriptedDump::failBlock, 2);
    reg.failCode = 8;
    QTest::newRow("block refused") << reg << -1 << int(DumpRead::Failed)
                                   << "Ошибка чтения блока 2 дампа: [8]: refused!"
                                   << QStringList{"03", "01", "02", "02", "03"};
    reg.failCode = -1;
    QTest::newRow("link lost") << reg << -1 << int(DumpRead::Failed)
                               << "Ошибка чтения блока 2 дампа: [-1]: refused!"
                               << QStringList{"03", "01", "02", "02"};

    const QStringList rejectedSecond{"03", "01", "02", "02", "03"};
    QTest::newRow("block without its 32 bytes")
        << with(&ScriptedDump::shortBlock, 2) << -1 << int(DumpRead::Failed)
        << "Блок 2 дампа получен без данных!" << rejectedSecond;
    QTest::newRow("block of another memory")
        << with(&ScriptedDump::foreignBlock, 2) << -1 << int(DumpRead::Failed)
        << "Блок 2 дампа получен не из памяти программ (устройство 7)!" << rejectedSecond;
    QTest::newRow("block skipped") << with(&ScriptedDump::skippedBlock, 1) << -1 << int(DumpRead::Failed)
                                   << "Блок 2 дампа получен с номером 2 вместо 1!" << rejectedSecond;

    const QString stopped = QStringLiteral("Считывание дампа прервано пользователем.");
    QTest::newRow("stopped before the first block")
        << ScriptedDump() << 0 << int(DumpRead::Stopped) << stopped << QStringList{"03", "01", "03"};
    QTest::newRow("stopped after a block")
        << ScriptedDump() << 1 << int(DumpRead::Stopped) << stopped << QStringList{"03", "01", "02", "03"};
}

void TstDumpReader::read()
{
    QFETCH(ScriptedDump, reg);
    QFETCH(int, stopAfter);
    QFETCH(int, status);
    QFETCH(QString, error);
    QFETCH(QStringList, sent);
    DumpReader reader([&reg](const QString &command) { return reg.exec(command); }, QStringLiteral("30"));
    QList<int> progress;
    reader.setProgress([&](int done, int total) {
        progress << done;
        return total == reg.blocks && done != stopAfter;
    });
    const DumpRead dump = reader.read();
    QCOMPARE(int(dump.status), status);
    QCOMPARE(dump.error, error);
    QCOMPARE(reg.sent, sent);
    if (status == DumpRead::Done) {
        QCOMPARE(dump.image, ScriptedDump::block(0) + ScriptedDump::block(1) + ScriptedDump::block(2));
        QCOMPARE(progress, (QList<int>{0, 1, 2, 3}));
    } else {
        QVERIFY(dump.image.isEmpty()); // never a part of a dump
    }
}

QTEST_GUILESS_MAIN(TstDumpReader)
#include "tst_dumpreader.moc"
