// Text command execution: splitting, request building, error bytes and reply
// values, against a scripted register on a pseudo-terminal.

#include "mainproc.h"
#include "ptypeer.h"
#include "razbcmd.h"
#include "registerrequests.h"
#include "replyvalues.h"
#include "testfp.h"
#include "zirivoro.h"

#include <QTest>

namespace {

using namespace linkbytes;

const QString pw = QString::number(rq::kPassword);

} // namespace

class TstTestFp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void split_data();
    void split();
    void failsWithNothingSent_data();
    void failsWithNothingSent();
    void exchanges_data();
    void exchanges();
    void tableStructures_data();
    void tableStructures();

private:
    // Scripts one exchange of request and reply and runs the command on it.
    bool exchange(const QString &command, const QByteArray &request, const QByteArray &reply);

    ZiRivoro *m_link = nullptr;
    PtyPeer *m_peer = nullptr;
};

void TstTestFp::initTestCase()
{
    mpLoadDataFiles();
    QVERIFY(mpParseDescriptionFiles());
}

void TstTestFp::init()
{
    mpLoadDefaults();
    m_link = new ZiRivoro;
    m_peer = new PtyPeer;
    mpLinkSettings().link = m_link;
    mpLinkSettings().connected = true;
    lastErrCode = 0;
    lastErrText.clear();
}

void TstTestFp::cleanup()
{
    mpLinkSettings().link = nullptr;
    mpLinkSettings().connected = false;
    delete m_link;
    delete m_peer;
}

void TstTestFp::split_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("quoted comma") << "17,30,1,'Итого, к оплате'" << true
                                  << QStringList{"17", "30", "1", "Итого, к оплате"};
    QTest::newRow("double quotes") << "17,30,\"a,b\",1" << true << QStringList{"17", "30", "a,b", "1"};
    QTest::newRow("quote inside a field") << "17,30,x'y,1" << true << QStringList{"17", "30", "x'y", "1"};
    QTest::newRow("empty parameter") << "11,,30" << true << QStringList{"11", "", "30"};
    QTest::newRow("fields are not trimmed") << "11, 30" << true << QStringList{"11", " 30"};
    QTest::newRow("trailing comma") << "11,30," << false << QStringList();
    QTest::newRow("empty") << "" << false << QStringList();
    QTest::newRow("open quote") << "17,'abc" << false << QStringList();
    QTest::newRow("text after quote") << "17,'abc'x,1" << false << QStringList();
    QStringList fields32{"11"};
    for (int i = 1; i < 32; ++i)
        fields32 << QString::number(i);
    QTest::newRow("32 fields") << fields32.join(',') << true << fields32;
    QTest::newRow("33 fields") << (fields32.join(',') + ",x") << false << QStringList();
}

void TstTestFp::split()
{
    QFETCH(QString, command);
    QFETCH(bool, ok);
    QFETCH(QStringList, fields);
    TestFp exec;
    QCOMPARE(exec.splitCommand(command), ok);
    if (ok)
        QCOMPARE(exec.fields(), fields);
}

void TstTestFp::failsWithNothingSent_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("link"); // 0 open, 1 not marked connected, 2 port closed
    QTest::addColumn<QString>("text");

    QTest::newRow("unsplittable") << "11,30," << 0 << "Error parse command!";
    QTest::newRow("ZZ") << "ZZ,30" << 0 << "Bad command number!";
    QTest::newRow("8E") << "8E,30" << 0 << "Bad command number!";
    QTest::newRow("one-digit date") << "22,30,5/12/26" << 0 << "Error in param Дата";
    QTest::newRow("missing enumeration") << "8D,30" << 0 << "Error in param Тип чека";
    // A receipt type that is no number, or no byte, would open a receipt of another type.
    QTest::newRow("enumeration not a number") << "8D,30,abc" << 0 << "Error in param Тип чека";
    QTest::newRow("enumeration negative") << "8D,30,-1" << 0 << "Error in param Тип чека";
    QTest::newRow("enumeration too big") << "8D,30,256" << 0 << "Error in param Тип чека";
    QTest::newRow("not connected") << "11,30" << 1 << "No connect!";
    QTest::newRow("port closed") << "11,30" << 2 << "Состояние ФР: Ошибка драйвера [2]: ошибка обмена с ФР!!";
}

void TstTestFp::failsWithNothingSent()
{
    QFETCH(QString, command);
    QFETCH(int, link);
    QFETCH(QString, text);
    mpLinkSettings().connected = link != 1;
    m_peer->start();
    QCOMPARE(m_link->frInit(m_peer->slavePath(), QSerialPort::Baud115200), 0);
    if (link == 2)
        m_link->port().close();
    TestFp exec;
    QVERIFY(!exec.execCommand(command));
    QCOMPARE(lastErrCode, -1);
    QCOMPARE(lastErrText, text);
    QTest::qWait(20);
    QVERIFY(m_peer->received().isEmpty());
}

void TstTestFp::exchanges_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");        // the driver's last error
    QTest::addColumn<int>("values");      // reply values kept
    QTest::addColumn<QByteArray>("text"); // the last value's text, or the error's

    const QByteArray name = "Kelo-Vint-\xD4";
    QTest::newRow("variable last item takes the rest")
        << "FC" << QByteArray("\xFC") << QByteArray::fromHex("fc0000000102fa00") + name << 0 << 9 << name;
    // FF01 cut inside its FN number: the number and what follows are absent.
    const QByteArray ff01 = rq::cmd(0xFF01);
    QTest::newRow("cut reply keeps what arrived")
        << "FF01," + pw << ff01 << QByteArray::fromHex("ff010003000001001a0c051005") + "99990789" << 0 << 9
        << QByteArray("16:05");
    QTest::newRow("missing parameters take the defaults")
        << "19" << rq::cmd(0x19) + "\x01" << QByteArray::fromHex("190001") << 0 << 3 << QByteArray("1");
    QTest::newRow("quoted text in the register's code page")
        << "17," + pw + ",1,'Итого, x'" << rq::cmd(0x17) + "\x01" + rq::text(QStringLiteral("Итого, x"), 40)
        << QByteArray::fromHex("170001") << 0 << 3 << QByteArray("1");
    QTest::newRow("parameters beyond the description ignored")
        << "16," + pw << QByteArray("\x16") << QByteArray::fromHex("1600") << 0 << 2 << QByteArray("0");

    const QByteArray badFf01 = "Error command execute: 523 (Запрос статуса ФН)!";
    QTest::newRow("FN state") << "FF01," + pw << ff01 << QByteArray::fromHex("ff0102") << 2 << 0
                              << QByteArray("[2]: Неверное состояние ФН!");
    QTest::newRow("date check") << "10," + pw << rq::cmd(0x10) << QByteArray::fromHex("10c0") << 192 << 0
                                << QByteArray("[192]: Контроль даты и времени(подтвердите дату и время)!");
    QTest::newRow("two-byte short form")
        << "FF40," + pw << rq::cmd(0xFF40) << QByteArray::fromHex("ff37") << 55 << 0
        << QByteArray("[55]: Команда не поддерживается в данной реализации ФР!");
    QTest::newRow("no error byte") << "FF01," + pw << ff01 << QByteArray::fromHex("ff00") << -1 << 0
                                   << badFf01;
    QTest::newRow("reply to another command")
        << "10," + pw << rq::cmd(0x10) << QByteArray::fromHex("11001e") << -1 << 0
        << QByteArray("Error command execute: 523 (Короткий запрос состояния ФР)!");
    QTest::newRow("reply to another two-byte command")
        << "FF01," + pw << ff01 << QByteArray::fromHex("ff0200") << -1 << 0 << badFf01;
}

void TstTestFp::exchanges()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    QFETCH(int, values);
    QFETCH(QByteArray, text);
    QCOMPARE(exchange(command, request, reply), code == 0);
    QVERIFY2(m_peer->failure().isEmpty(), qPrintable(m_peer->failure()));
    QCOMPARE(lastErrCode, code);
    if (code != 0) {
        QCOMPARE(lastErrText.toUtf8(), text);
        return;
    }
    QCOMPARE(rplItems.count(), values);
    QCOMPARE(rplItems.last().dftval, text);
}

// The structure of a table and of its fields: the name in the register's code
// page up to its zero bytes, the numbers, and the minimum and maximum of a
// number field as the bytes that follow its size.
void TstTestFp::tableStructures_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("values"); // the text forms after the name

    QTest::newRow("table") << "2D," + pw + ",6" << rq::cmd(0x2D) + "\x06"
                           << QByteArray::fromHex("2d00") + rq::text(QStringLiteral("Налоговые ставки"), 40)
                                  + rq::le(300, 2) + "\x02"
                           << QStringLiteral("Налоговые ставки") << QStringList{"300", "2"};
    QTest::newRow("text field with two bytes more")
        << "2E," + pw + ",3,1" << rq::cmd(0x2E) + "\x03\x01"
        << QByteArray::fromHex("2e00") + rq::text(QStringLiteral("Строка"), 40)
               + QByteArray::fromHex("01300000")
        << QStringLiteral("Строка") << QStringList{"1", "48", "00 00"};
}

void TstTestFp::tableStructures()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QString, name);
    QFETCH(QStringList, values);
    QVERIFY(exchange(command, request, reply));
    QVERIFY2(m_peer->failure().isEmpty(), qPrintable(m_peer->failure()));
    QCOMPARE(reply::string(2), name);
    QStringList texts;
    for (int i = 3; i < reply::count(); ++i) {
        if (!rplItems.at(i).value.isEmpty())
            texts << QString::fromUtf8(rplItems.at(i).dftval);
    }
    QCOMPARE(texts, values);
}

bool TstTestFp::exchange(const QString &command, const QByteArray &request, const QByteArray &reply)
{
    m_peer->step(ENQ, NAK);
    m_peer->step(frame(request), ACK + frame(reply));
    m_peer->step(ACK);
    m_peer->start();
    if (m_link->frInit(m_peer->slavePath(), QSerialPort::Baud115200) != 0)
        return false;
    TestFp exec;
    return exec.execCommand(command);
}

QTEST_GUILESS_MAIN(TstTestFp)
#include "tst_testfp.moc"
