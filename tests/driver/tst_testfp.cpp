// Text command execution: splitting, request building, error bytes and reply
// values, against a scripted register on a pseudo-terminal.

#include "mainproc.h"
#include "ptypeer.h"
#include "razbcmd.h"
#include "testfp.h"
#include "zirivoro.h"

#include <kelodefaults.h>

#include <QTest>

namespace {

using namespace linkbytes;

QString pw()
{
    return QString::number(kelo::kDefaultSysAdminPassword);
}

QByteArray pwBytes()
{
    return QByteArray(1, char(kelo::kDefaultSysAdminPassword)) + QByteArray(3, '\0');
}

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
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void stateReplyHas24Values();
    void registerRefusals_data();
    void registerRefusals();
    void replyWithoutErrorByte();
    void replyToAnotherCommand();
    void variableLastItemTakesTheRest();
    void shortReplyKeepsOnlyWhatArrived();
    void missingParametersKeepDefaults();
    void quotedStringAndExtraParameters();
    void linkFailureText();

private:
    // Runs the command against a peer that expects `request` and answers `reply`.
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

bool TstTestFp::exchange(const QString &command, const QByteArray &request, const QByteArray &reply)
{
    m_peer->step(ENQ, NAK);
    m_peer->step(frame(request), ACK + frame(reply));
    m_peer->step(ACK);
    m_peer->start();
    if (m_link->frInit(m_peer->slavePath(), QSerialPort::Baud115200) != 0)
        return false;
    TestFp exec;
    const bool ok = exec.execCommand(command);
    if (!m_peer->failure().isEmpty())
        qWarning("peer: %s", qPrintable(m_peer->failure()));
    return ok;
}

void TstTestFp::split_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("plain") << "11,30" << true << QStringList{"11", "30"};
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

void TstTestFp::refusedBeforeSending_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("text");

    QTest::newRow("unsplittable") << "11,30," << true << "Error parse command!";
    QTest::newRow("33 fields") << QString("11" + QString(",1").repeated(32)) << true
                               << "Error parse command!";
    QTest::newRow("ZZ") << "ZZ,30" << true << "Bad command number!";
    QTest::newRow("99") << "99,30" << true << "Bad command number!";
    QTest::newRow("8E") << "8E,30" << true << "Bad command number!";
    QTest::newRow("one-digit date") << "22,30,5/12/26" << true << "Error in param Дата";
    QTest::newRow("price too big") << "80,30,1,99999999999,0,1,0,0,0,'x'" << true << "Error in param Цена";
    QTest::newRow("missing enumeration") << "8D,30" << true << "Error in param Тип чека";
    QTest::newRow("not connected") << "11,30" << false << "No connect!";
}

void TstTestFp::refusedBeforeSending()
{
    QFETCH(QString, command);
    QFETCH(bool, connected);
    QFETCH(QString, text);
    mpLinkSettings().connected = connected;
    m_peer->start();
    QCOMPARE(m_link->frInit(m_peer->slavePath(), QSerialPort::Baud115200), 0);
    TestFp exec;
    QVERIFY(!exec.execCommand(command));
    QCOMPARE(lastErrCode, -1);
    QCOMPARE(lastErrText, text);
    QTest::qWait(20);
    QVERIFY(m_peer->received().isEmpty());
}

void TstTestFp::stateReplyHas24Values()
{
    QByteArray reply = QByteArray::fromHex("1100"
                                           "1e"
                                           "3034"
                                           "0100"
                                           "010111"
                                           "01"
                                           "0500"
                                           "0010"
                                           "02"
                                           "00"
                                           "01"
                                           "3031"
                                           "0200"
                                           "010111"
                                           "050c1a"
                                           "0a1405"
                                           "01"
                                           "39300000"
                                           "0700"
                                           "ffff"
                                           "01"
                                           "0f"
                                           "112233445566");
    QVERIFY(exchange(pw().prepend("11,"), QByteArray("\x11") + pwBytes(), reply));
    QCOMPARE(lastErrCode, 0);
    QCOMPARE(rplItems.count(), 24);
    QCOMPARE(rplItems.at(8).dftval, QByteArray("00 10"));
    QCOMPARE(rplItems.at(9).value.toHex(), QByteArray("02"));
    QCOMPARE(rplItems.at(15).dftval, QByteArray("05/12/26"));
    QCOMPARE(rplItems.at(18).dftval, QByteArray("12345"));
    QCOMPARE(rplItems.at(20).dftval, QByteArray()); // FF FF: no value
    QCOMPARE(rplItems.at(23).dftval, QByteArray("112516402455057"));
}

void TstTestFp::registerRefusals_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("FN state") << pw().prepend("FF01,") << QByteArray::fromHex("ff01") + pwBytes()
                              << QByteArray::fromHex("ff0102") << 2 << "[2]: Неверное состояние ФН!";
    QTest::newRow("date check") << pw().prepend("10,") << QByteArray("\x10") + pwBytes()
                                << QByteArray::fromHex("10c0") << 192
                                << "[192]: Контроль даты и времени(подтвердите дату и время)!";
    QTest::newRow("password") << QStringLiteral("11,1") << QByteArray::fromHex("1101000000")
                              << QByteArray::fromHex("114f") << 79 << "[79]: Неверный пароль!";
    QTest::newRow("two-byte short form")
        << pw().prepend("FF40,") << QByteArray::fromHex("ff40") + pwBytes() << QByteArray::fromHex("ff37")
        << 55 << "[55]: Команда не поддерживается в данной реализации ФР!";
}

void TstTestFp::registerRefusals()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(!exchange(command, request, reply));
    QCOMPARE(lastErrCode, code);
    QCOMPARE(lastErrText, text);
}

void TstTestFp::replyWithoutErrorByte()
{
    QVERIFY(!exchange(pw().prepend("FF01,"), QByteArray::fromHex("ff01") + pwBytes(),
                      QByteArray::fromHex("ff00")));
    QCOMPARE(lastErrCode, -1);
    QCOMPARE(lastErrText, QStringLiteral("Error command execute: 523 (Запрос статуса ФН)!"));
}

void TstTestFp::replyToAnotherCommand()
{
    QVERIFY(!exchange(pw().prepend("10,"), QByteArray("\x10") + pwBytes(), QByteArray::fromHex("11001e")));
    QCOMPARE(lastErrCode, -1);
    QCOMPARE(lastErrText, QStringLiteral("Error command execute: 523 (Короткий запрос состояния ФР)!"));
}

void TstTestFp::variableLastItemTakesTheRest()
{
    const QByteArray name = "Kelo-Vint-\xD4";
    QVERIFY(exchange(QStringLiteral("FC"), QByteArray("\xFC"),
                     QByteArray::fromHex("fc00000001"
                                         "02fa00")
                         + name));
    QCOMPARE(rplItems.count(), 9);
    QCOMPARE(rplItems.at(6).dftval, QByteArray("250"));
    QCOMPARE(rplItems.at(8).value, name);
    QCOMPARE(rplItems.at(8).len, quint32(name.size()));
}

void TstTestFp::shortReplyKeepsOnlyWhatArrived()
{
    // FF01 cut inside its FN number: the number and what follows are absent.
    const QByteArray reply = QByteArray::fromHex("ff0100"
                                                 "03"
                                                 "00"
                                                 "00"
                                                 "01"
                                                 "00"
                                                 "1a0c05"
                                                 "1005")
                             + "99990789";
    QVERIFY(exchange(pw().prepend("FF01,"), QByteArray::fromHex("ff01") + pwBytes(), reply));
    QCOMPARE(rplItems.count(), 9);
    QCOMPARE(rplItems.at(7).dftval, QByteArray("05/12/26"));
    QCOMPARE(rplItems.at(8).dftval, QByteArray("16:05"));
}

void TstTestFp::missingParametersKeepDefaults()
{
    // 80 with only the password: quantity 1 and price 100 come from the
    // description; the name has no default and must be given.
    TestFp exec;
    QVERIFY(!exec.execCommand(pw().prepend("80,")));
    QCOMPARE(lastErrText, QStringLiteral("Error in param Название товара"));

    QVERIFY(exchange(QStringLiteral("19"), QByteArray("\x19") + pwBytes() + "\x01",
                     QByteArray::fromHex("190001")));
    QCOMPARE(rplItems.at(2).dftval, QByteArray("1"));
}

void TstTestFp::quotedStringAndExtraParameters()
{
    QByteArray request = QByteArray("\x17") + pwBytes() + "\x01" + QByteArray("\xC8\xF2\xEE\xE3\xEE, x");
    request.append(QByteArray(40 - 8, '\0'));
    QVERIFY(exchange(pw().prepend("17,") + ",1,'Итого, x'", request, QByteArray::fromHex("170001")));
    // 16 takes no parameter: the password given is ignored.
    cleanup();
    init();
    QVERIFY(exchange(pw().prepend("16,"), QByteArray("\x16"), QByteArray::fromHex("1600")));
}

void TstTestFp::linkFailureText()
{
    m_peer->start();
    QCOMPARE(m_link->frInit(m_peer->slavePath(), QSerialPort::Baud115200), 0);
    m_link->port().close(); // nothing can be exchanged now
    TestFp exec;
    QVERIFY(!exec.execCommand(pw().prepend("11,")));
    QCOMPARE(lastErrCode, -1);
    QCOMPARE(lastErrText, QStringLiteral("Состояние ФР: Ошибка драйвера [2]: ошибка обмена с ФР!!"));
}

QTEST_GUILESS_MAIN(TstTestFp)
#include "tst_testfp.moc"
