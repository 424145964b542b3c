// The reading operations of the window, pressed as an engineer presses them:
// the link test, the status report, date and time, the FN and OFD pages, the
// fiscal documents from the FN, and saving what a page shows.

#include "mainformfixture.h"
#include "ptypeer.h"

#include <kelodefaults.h>
#include <mainproc.h>
#include <zirivoro.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTextCodec>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextTable>

using namespace formtest;
using kelo::emu::FiscalStorage;
using kelo::emu::RegisterModel;

namespace {

const QString kNoErrors = QStringLiteral("Ошибок нет.");
const quint32 kPassword = kelo::kDefaultSysAdminPassword;

// What a result view shows: its titles, each with the table rows below it.
struct Section
{
    QString title;
    QList<QStringList> rows;
};

QString cellText(QTextTable *table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

QList<Section> sectionsOf(QTextEdit *view)
{
    QList<Section> sections;
    QTextFrame *root = view->document()->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        if (auto *table = qobject_cast<QTextTable *>(it.currentFrame())) {
            if (sections.isEmpty())
                sections.append(Section());
            for (int r = 0; r < table->rows(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columns(); ++c) {
                    // Rows shorter than the table's widest row end in empty cells.
                    if (table->cellAt(r, c).column() == c)
                        cells << cellText(table, r, c);
                }
                while (!cells.isEmpty() && cells.last().isEmpty())
                    cells.removeLast();
                sections.last().rows << cells;
            }
        } else if (!it.currentBlock().text().trimmed().isEmpty()) {
            sections.append(Section{it.currentBlock().text(), {}});
        }
    }
    return sections;
}

QStringList titlesOf(const QList<Section> &sections)
{
    QStringList titles;
    for (const Section &section : sections)
        titles << section.title;
    return titles;
}

QList<QStringList> allRows(const QList<Section> &sections)
{
    QList<QStringList> rows;
    for (const Section &section : sections)
        rows << section.rows;
    return rows;
}

// The value of the row with this caption; a null string when there is none.
QString rowValue(const QList<QStringList> &rows, const QString &caption)
{
    for (const QStringList &row : rows) {
        if (row.size() >= 2 && row.first() == caption)
            return row.at(1);
    }
    return QString();
}

// A request as the register reads it: the code, the password, the rest.
QByteArray request(quint16 code, const QByteArray &rest = QByteArray(), quint32 password = kPassword)
{
    QByteArray bytes;
    if (code > 0xFF)
        bytes.append('\xFF');
    bytes.append(char(code & 0xFF));
    for (int i = 0; i < 4; ++i)
        bytes.append(char((password >> (8 * i)) & 0xFF));
    return bytes + rest;
}

QByteArray littleEndian(quint64 value, int width)
{
    QByteArray bytes;
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

QByteArray cp1251(const QString &text, int width)
{
    QByteArray bytes = QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
    return bytes.leftJustified(width, '\0', true);
}

// Runs commands on the register model directly, as its keyboard would; the
// error of the first one refused, 0 when all were done.
int runOnRegister(Bench &bench, const QList<QByteArray> &requests)
{
    int error = 0;
    bench.emulator().modify([&](RegisterModel &m) {
        for (const QByteArray &r : requests) {
            const QByteArray reply = m.execute(r);
            const int codeSize = quint8(r.at(0)) == 0xFF ? 2 : 1;
            error = reply.size() > codeSize ? quint8(reply.at(codeSize)) : -1;
            if (error != 0)
                return;
        }
    });
    return error;
}

QByteArray openShift()
{
    return request(0xE0);
}

QByteArray sale(quint64 quantity, quint64 kopecks, const QString &name)
{
    return request(0x80, littleEndian(quantity, 5) + littleEndian(kopecks, 5) + char(0)
                             + QByteArray("\x01\x00\x00\x00", 4) + cp1251(name, 40));
}

QByteArray closeReceipt(quint64 cash)
{
    return request(0x85, littleEndian(cash, 5) + littleEndian(0, 5) + QByteArray(10 + 2 + 4 + 40, '\0'));
}

// The register's side of one command over a scripted port: handshake, request,
// reply, acknowledgement.
QByteArray frame(const QByteArray &data)
{
    return QByteArray("\x02") + char(data.size()) + data + char(frlink::checkByte(data));
}

void exchange(PtyPeer &peer, const QByteArray &request, const QByteArray &reply)
{
    peer.step("\x05", "\x15");
    peer.step(frame(request), QByteArray("\x06") + frame(reply));
    peer.step("\x06");
}

// The link probe and the identification of a register of another model, as
// the first action after the window found no register at its start.
void greetAnotherModel(PtyPeer &peer)
{
    peer.step("\x05", "\x15");
    exchange(peer, "\xFC", QByteArray::fromHex("fc00010203040301") + cp1251(QStringLiteral("Other-KKT"), 9));
}

// A window that found no register at its start, now pointed at `port`.
std::unique_ptr<MMainForm> windowOn(const QString &port)
{
    Driver::resetLinkSettings();
    MMainFormOptions options;
    options.port = QStringLiteral("/nonexistent/ttyKelo");
    auto window = std::make_unique<MMainForm>(nullptr, options);
    child<QComboBox>(*window, "comboCOMPort")->setEditText(port);
    return window;
}

} // namespace

class TstReadingOps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void linkTestFillsTheDeviceFrame();
    void statusReportOfAnOpenShift();
    void statusReportStopsAtARefusal();
    void statusReportOfAnotherModel();
    void dateAndTime();
    void fnOfdPages_data();
    void fnOfdPages();
    void fnOfdPageValues();
    void cancelFnDocument();
    void receiptFromTheFN();
    void documentReadEndings();
    void documentCutAtItsBound();
    void registerThatNeverStopsAnswering();
    void savingTheShownPage_data();
    void savingTheShownPage();
    void printingTheShownPage();

private:
    std::unique_ptr<Driver> m_driver;
};

void TstReadingOps::initTestCase()
{
    m_driver = std::make_unique<Driver>();
}

void TstReadingOps::init()
{
    Driver::resetLinkSettings();
}

void TstReadingOps::linkTestFillsTheDeviceFrame()
{
    Bench bench;
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butTestLink"));

    QString serial, inn, regNumber, fnNumber;
    bench.emulator().inspect([&](const RegisterModel &m) {
        serial = m.tables().text(18, 1, 1);
        inn = m.tables().text(18, 1, 2);
        regNumber = m.tables().text(18, 1, 3);
        fnNumber = m.tables().text(18, 1, 4);
    });
    QVERIFY(!serial.isEmpty() && !inn.isEmpty() && !regNumber.isEmpty() && !fnNumber.isEmpty());
    QCOMPARE(status(*window),
             QStringLiteral("Тест выполнен. Модель: Kelo-Vint-Ф. Тип: 250. Заводской №: %1.").arg(serial));
    QVERIFY(!child(*window, "frameFRInfo")->isHidden());
    QCOMPARE(child<QLineEdit>(*window, "strInfo_Model")->text(), QStringLiteral("Kelo-Vint-Ф"));
    QCOMPARE(child<QLineEdit>(*window, "strInfo_SerialNumber")->text(), serial);
    QCOMPARE(child<QLineEdit>(*window, "strInfo_INN")->text(), inn);
    QCOMPARE(child<QLineEdit>(*window, "strInfo_RegNumber")->text(), regNumber);
    QCOMPARE(child<QLineEdit>(*window, "strInfo_FNSerialNumber")->text(), fnNumber);
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::statusReportOfAnOpenShift()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QCOMPARE(runOnRegister(bench, {openShift()}), 0);
    QVERIFY(click(*window, "butGetState"));
    QCOMPARE(status(*window), kNoErrors);

    const QList<Section> page = sectionsOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(titlesOf(page),
             (QStringList{QStringLiteral("Запрос статуса ККТ"), QStringLiteral("Запрос типа устройства"),
                          QStringLiteral("Статус информационного обмена с ОФД"),
                          QStringLiteral("Информация по ФН"), QStringLiteral("Статус ФН")}));
    QString serial, fnNumber;
    bench.emulator().inspect([&](const RegisterModel &m) {
        serial = m.tables().text(18, 1, 1);
        fnNumber = m.fiscalStorage().number;
    });
    const QList<QStringList> &state = page.at(0).rows;
    QCOMPARE(rowValue(state, QStringLiteral("Версия ПО ККТ:")), QStringLiteral("4.3"));
    QCOMPARE(rowValue(state, QStringLiteral("Заводской номер:")), serial);
    QCOMPARE(rowValue(state, QStringLiteral("ИНН:")), QStringLiteral("7712345678"));
    QCOMPARE(rowValue(state, QStringLiteral("Флаги ККТ [0002]:")), QStringLiteral("00 02"));
    QCOMPARE(rowValue(state, QStringLiteral("Режим/подрежим ККТ [2/0]:")),
             QStringLiteral("Открытая смена, 24 часа не кончились. / Бумага есть."));
    QCOMPARE(rowValue(page.at(1).rows, QStringLiteral("Язык устройства [00]:")), QStringLiteral("Русский."));
    QCOMPARE(rowValue(page.at(1).rows, QStringLiteral("Название устройства:")),
             QStringLiteral("Kelo-Vint-Ф"));
    // The shift opening waits for the OFD.
    QCOMPARE(rowValue(page.at(2).rows, QStringLiteral("    Ожидание квитанции от ОФД:")),
             QStringLiteral("да"));
    QCOMPARE(rowValue(page.at(2).rows, QStringLiteral("Документов без квитанции ОФД:")), QStringLiteral("1"));
    QCOMPARE(rowValue(page.at(3).rows, QStringLiteral("Заводской номер ФН:")), fnNumber);
    QCOMPARE(rowValue(page.at(4).rows, QStringLiteral("Фаза жизни ФН [03]:")),
             QStringLiteral("Проведена настройка ФН/Открыт фискальный режим"));
    QCOMPARE(rowValue(page.at(4).rows, QStringLiteral("Состояние смены [01]:")),
             QStringLiteral("Cмена открыта."));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::statusReportStopsAtARefusal()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    // A cashier's password reads the register's state, not its FN.
    child<QSpinBox>(*window, "strLinkPassword")->setValue(1);
    QVERIFY(click(*window, "butGetState"));

    const QList<Section> page = sectionsOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(titlesOf(page),
             (QStringList{QStringLiteral("Запрос статуса ККТ"), QStringLiteral("Запрос типа устройства")}));
    QVERIFY(
        rowValue(page.at(0).rows, QStringLiteral("Режим/подрежим ККТ [4/0]:")).startsWith("Закрытая смена."));
    QCOMPARE(page.at(1).rows.size(), 7);
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
    QVERIFY(!mpLinkSettings().connected);
    QVERIFY(child<QWidget>(*window, "tabWidget")->isEnabled());
}

void TstReadingOps::statusReportOfAnotherModel()
{
    // Codes the emulated register never reports: a foreign model, an undefined
    // mode and submode, flags with letters, an FN in no phase.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, request(0x1F, QByteArray::fromHex("12010001")),
             QByteArray::fromHex("1f00") + cp1251(QStringLiteral("0000000000001234"), 17));
    exchange(peer, request(0x11),
             QByteArray::fromHex("1100 1e 3132 0b00 010203 01 0700 1f0a 0c 07 01 3031 0100 010203 0f0c18 "
                                 "0a0b0c 03 d2040000 0100 0200 01 0b e5d7b01f0200"));
    exchange(peer, "\xFC", QByteArray::fromHex("fc00010203040301") + cp1251(QStringLiteral("Other-KKT"), 9));
    exchange(peer, request(0xFF39), QByteArray::fromHex("ff3900 11 00 0200 05000000 180c0f 0a0b"));
    exchange(peer, request(0xFF3F), QByteArray::fromHex("ff3f00 0200"));
    exchange(peer, request(0xFF04),
             QByteArray::fromHex("ff0400") + cp1251(QStringLiteral("fn v 1"), 16) + '\x02');
    exchange(peer, request(0xFF02),
             QByteArray::fromHex("ff0200") + cp1251(QStringLiteral("9999000011112222"), 16));
    exchange(peer, request(0xFF03), QByteArray::fromHex("ff0300 1a0c1f"));
    exchange(peer, request(0xFF01),
             QByteArray::fromHex("ff0100 00 03 02 02 01 180c0f 0a0b")
                 + cp1251(QStringLiteral("9999000011112222"), 16) + QByteArray::fromHex("05000000"));
    peer.start();
    AppDir dir;
    auto window = windowOn(peer.slavePath());
    QVERIFY(click(*window, "butGetState"));
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QVERIFY(peer.finished());
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(!window->isKnownModel);

    const QList<Section> page = sectionsOf(child<QTextEdit>(*window, "textFRState"));
    QCOMPARE(page.size(), 5);
    const QList<QStringList> &state = page.at(0).rows;
    QCOMPARE(rowValue(state, QStringLiteral("Версия ПО ККТ:")), QStringLiteral("1.2"));
    QCOMPARE(rowValue(state, QStringLiteral("Заводской номер 1:")), QStringLiteral("00001234"));
    QCOMPARE(rowValue(state, QStringLiteral("Заводской номер 2:")), QStringLiteral("0000000000001234"));
    QCOMPARE(rowValue(state, QStringLiteral("Флаги ККТ [0a1f]:")), QStringLiteral("0a 1f"));
    QCOMPARE(rowValue(state, QStringLiteral("Режим/подрежим ККТ [12/7]:")),
             QStringLiteral("Режим не определен. / Подрежим не определен."));
    QCOMPARE(rowValue(page.at(1).rows, QStringLiteral("Язык устройства [01]:")),
             QStringLiteral("Язык не определен."));
    QCOMPARE(rowValue(page.at(1).rows, QStringLiteral("Название устройства:")), QStringLiteral("Other-KKT"));
    const QStringList bits = {QStringLiteral("да"),  QStringLiteral("нет"), QStringLiteral("нет"),
                              QStringLiteral("нет"), QStringLiteral("да"),  QStringLiteral("нет")};
    for (int bit = 0; bit < 6; ++bit)
        QCOMPARE(page.at(2).rows.at(1 + bit).at(1), bits.at(bit));
    QCOMPARE(page.at(2).rows.at(1).at(0), QStringLiteral("    Соединение установлено:"));
    QCOMPARE(page.at(2).rows.at(10),
             (QStringList{QStringLiteral(" "), QStringLiteral("Номер"), QStringLiteral("5")}));
    QCOMPARE(rowValue(page.at(3).rows, QStringLiteral("Тип ПО ФН [02]:")),
             QStringLiteral("Версия не определена."));
    const QList<QStringList> &fn = page.at(4).rows;
    QCOMPARE(rowValue(fn, QStringLiteral("Фаза жизни ФН [00]:")), QString(""));
    QCOMPARE(rowValue(fn, QStringLiteral("Текущий документ [03]:")),
             QStringLiteral("Документ не определен."));
    QCOMPARE(rowValue(fn, QStringLiteral("Данные документа [02]:")),
             QStringLiteral("Не определены данные документа."));
    QCOMPARE(rowValue(fn, QStringLiteral("Состояние смены [02]:")),
             QStringLiteral("Состояние смены не определено."));
}

void TstReadingOps::dateAndTime()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    auto *edit = child<QDateTimeEdit>(*window, "strNewDateTime");
    auto *shown = child<QLineEdit>(*window, "strDateTimeFromFR");
    const auto registerClock = [&bench] {
        QDateTime now;
        bench.emulator().inspect([&](const RegisterModel &m) { now = m.now(); });
        return now;
    };
    const QDateTime wanted(QDate::currentDate().addDays(400), QTime(5, 6, 7), Qt::UTC);
    edit->setDateTime(wanted);
    QVERIFY(click(*window, "butSetDate"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY2(shown->text().startsWith(QStringLiteral("05:06:"))
                 && shown->text().endsWith(wanted.toString(" dd/MM/yy")),
             qPrintable(shown->text()));
    QVERIFY(qAbs(registerClock().secsTo(wanted)) < 60);

    // A date the register still waits to have confirmed: the second button
    // confirms it and leaves the time of day alone.
    const QDate day = wanted.date().addDays(1);
    QCOMPARE(runOnRegister(bench, {request(0x22, QByteArray() + char(day.day()) + char(day.month())
                                                     + char(day.year() % 100))}),
             0);
    edit->setDateTime(QDateTime(day, QTime(17, 0)));
    QVERIFY(click(*window, "butSetDateStep2"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(qAbs(registerClock().secsTo(QDateTime(day, wanted.time(), Qt::UTC))) < 60);
    QVERIFY(shown->text().endsWith(day.toString(" dd/MM/yy")));
}

void TstReadingOps::fnOfdPages_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("rows");
    const struct
    {
        const char *button;
        QString title;
        int rows;
    } pages[] = {
        {"butGetOFDStatus", QStringLiteral("Статус обмена с ОФД"), 13},
        {"butGetOFDDocs", QStringLiteral("Количество неподтвержденных документов от ОФД"), 1},
        {"getOFDRequest", QStringLiteral("Получение подтвержения для документа #1"), 4},
        {"butGetStateFisk", QStringLiteral("Итоги регистрации ККТ"), 8},
        {"butGetFN_State", QStringLiteral("Запрос статуса ФН"), 8},
        {"butGetFN_Srok", QStringLiteral("Запрос срока действия ФН"), 1},
        {"butGetFN_Number", QStringLiteral("Запрос номера ФН"), 1},
        {"butGetFN_Version", QStringLiteral("Запрос версии ФН"), 2},
    };
    for (const auto &page : pages) {
        QTest::addRow("%s", page.button) << QByteArray(page.button) << page.title << page.rows;
        // One byte short of the layout: the last value is missing, and no row may read it.
        QTest::addRow("%s, short reply", page.button) << QByteArray(page.button) << page.title << 0;
    }
}

void TstReadingOps::fnOfdPages()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, title);
    QFETCH(int, rows);
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    view->setPlainText(QStringLiteral("the page before"));
    if (rows == 0)
        bench.emulator().faults().arm(kelo::emu::Fault::ShortReply, 10); // every attempt of the command
    QVERIFY(click(*window, button.constData()));

    QCOMPARE(status(*window), kNoErrors);
    const QList<Section> page = sectionsOf(view);
    QCOMPARE(titlesOf(page), QStringList{title});
    QCOMPARE(page.first().rows.size(), rows);
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::fnOfdPageValues()
{
    // The FN's own pages share their rows with the status report; these are the page's own.
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QCOMPARE(runOnRegister(bench, {openShift()}), 0);
    FiscalStorage fn;
    bench.emulator().inspect([&](const RegisterModel &m) { fn = m.fiscalStorage(); });
    const quint32 awaiting = fn.firstUnconfirmed()->number;
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    const auto press = [&](const char *button) {
        click(*window, button);
        return allRows(sectionsOf(view));
    };

    // Connected, the shift opening is out and its receipt awaited; nothing else.
    QList<QStringList> rows = press("butGetOFDStatus");
    QCOMPARE(rows.at(1), (QStringList{QStringLiteral("    Соединение установлено:"), QStringLiteral("да")}));
    const QStringList bits = {QStringLiteral("да"),  QStringLiteral("да"),  QStringLiteral("да"),
                              QStringLiteral("нет"), QStringLiteral("нет"), QStringLiteral("нет")};
    for (int bit = 0; bit < 6; ++bit)
        QCOMPARE(rows.at(1 + bit).at(1), bits.at(bit));
    QCOMPARE(rows.at(9), QStringList{QStringLiteral("Первый документ для ОФД:")});
    QCOMPARE(rows.at(10),
             (QStringList{QStringLiteral(" "), QStringLiteral("Номер"), QString::number(awaiting)}));
    QCOMPARE(rowValue(press("butGetOFDDocs"), QStringLiteral("ФД без квитанции ОФД:")), QStringLiteral("1"));

    rows = press("butGetStateFisk");
    QCOMPARE(rowValue(rows, QStringLiteral("ИНН:")).trimmed(), fn.registration.inn);
    QCOMPARE(rowValue(rows, QStringLiteral("Код причины перерегистрации:")),
             QStringLiteral("Регистрация ККТ (0)"));
    QCOMPARE(rowValue(rows, QStringLiteral("Фискальный признак:")),
             QString::number(fn.registration.fiscalSign));

    child<QSpinBox>(*window, "strFDNumber")->setValue(1);
    QCOMPARE(rowValue(press("getOFDRequest"), QStringLiteral("Номер ФД:")), QStringLiteral("1"));
    // The OFD has not confirmed the shift opening yet: the register says so, the page stays empty.
    child<QSpinBox>(*window, "strFDNumber")->setValue(int(awaiting));
    QVERIFY(press("getOFDRequest").isEmpty());
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
}

void TstReadingOps::cancelFnDocument()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QCOMPARE(runOnRegister(bench, {openShift(), sale(1000, 5500, QStringLiteral("Хлеб"))}), 0);
    QVERIFY(click(*window, "butDocs_AnnDocFromFN"));
    QCOMPARE(status(*window), kNoErrors);
    bool open = true;
    bench.emulator().inspect([&](const RegisterModel &m) {
        open = m.state().receipt.open || m.fiscalStorage().current != FiscalStorage::NoDocument;
    });
    QVERIFY(!open);
    // Nothing left to cancel: the register's refusal is what the operator sees.
    QVERIFY(click(*window, "butDocs_AnnDocFromFN"));
    QVERIFY(lastErrCode > 0);
    QCOMPARE(status(*window), lastErrText);
}

void TstReadingOps::receiptFromTheFN()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QString cake = QStringLiteral("Торт <Прага> & Co");
    QCOMPARE(runOnRegister(bench, {openShift(), sale(1000, 123450, cake),
                                   sale(2000, 8990, QStringLiteral("Молоко")), closeReceipt(200000)}),
             0);
    quint32 number = 0;
    bench.emulator().inspect([&](const RegisterModel &m) { number = m.fiscalStorage().lastNumber(); });
    child<QSpinBox>(*window, "strFDNumber")->setValue(int(number));
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    QVERIFY(click(*window, "butGetFDFromFN"));

    // The register ended the items with "no more data": a complete read.
    QCOMPARE(status(*window), kNoErrors);
    const QList<Section> page = sectionsOf(view);
    QCOMPARE(titlesOf(page),
             QStringList{QStringLiteral("Фискальный документ (ФД) из фискального накопителя (ФН)")});
    const QList<QStringList> &rows = page.first().rows;
    QCOMPARE(rows.first(),
             (QStringList{QStringLiteral("Тип документа"), QStringLiteral("Кассовый чек (3)")}));
    QCOMPARE(rowValue(rows, QStringLiteral("признак расчета")), QStringLiteral("Приход"));
    QCOMPARE(rowValue(rows, QStringLiteral("итог")), QStringLiteral("1414.30"));
    const int item = int(rows.indexOf(QStringList{QStringLiteral("реквизиты товара:")}));
    QVERIFY(item > 0);
    QCOMPARE(rows.at(item + 1),
             (QStringList{QStringLiteral(" "), QStringLiteral("наименование товара"), cake}));
    QCOMPARE(rows.at(item + 2), (QStringList{QStringLiteral(" "), QStringLiteral("цена за единицу"),
                                             QStringLiteral("1234.50")}));

    // Saved, the page carries the name as text, not as markup.
    const QString file = bench.appDir.path() + QStringLiteral("/receipt.html");
    ModalAnswer save(ModalAnswer::chooseFile(file, QStringLiteral("HTML файлы (*.html)")), "QFileDialog");
    QVERIFY(click(*window, "butGetFD_Save"));
    QVERIFY(save.answered());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(saved.readAll());
    QVERIFY(html.contains(QStringLiteral("&lt;Прага&gt; &amp; Co")));
    QVERIFY(!html.contains(QStringLiteral("<Прага>")));
}

void TstReadingOps::documentReadEndings()
{
    // A document the FN does not have: the register's refusal, not "no errors".
    {
        Bench bench;
        QVERIFY(bench.start());
        auto window = bench.createWindow();
        auto *view = child<QTextEdit>(*window, "textFDFromFNData");
        view->setPlainText(QStringLiteral("the page before"));
        child<QSpinBox>(*window, "strFDNumber")->setValue(999);
        QVERIFY(click(*window, "butGetFDFromFN"));
        QCOMPARE(lastErrCode, 8);
        QCOMPARE(status(*window), lastErrText);
        QVERIFY(view->toPlainText().trimmed().isEmpty());
    }
    // A document whose first item cannot be read: an empty page and the register's error.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, request(0xFF3A, littleEndian(1, 4)), QByteArray::fromHex("ff3a00 0300 40"));
    exchange(peer, request(0xFF3B), QByteArray::fromHex("ff3b02"));
    peer.start();
    AppDir dir;
    auto window = windowOn(peer.slavePath());
    child<QSpinBox>(*window, "strFDNumber")->setValue(1);
    QVERIFY(click(*window, "butGetFDFromFN"));
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QCOMPARE(lastErrCode, 2);
    QCOMPARE(status(*window), lastErrText);
    QVERIFY(child<QTextEdit>(*window, "textFDFromFNData")->toPlainText().trimmed().isEmpty());
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::documentCutAtItsBound()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    // About 70 bytes per line: a receipt well over 64 KiB.
    QList<QByteArray> receipt{openShift()};
    for (int line = 0; line < 1000; ++line)
        receipt << sale(
            1000, 1,
            QStringLiteral("Позиция %1 с длинным названием товара").arg(line, 4, 10, QLatin1Char('0')));
    receipt << closeReceipt(1000);
    QCOMPARE(runOnRegister(bench, receipt), 0);
    quint32 number = 0;
    int documentBytes = 0;
    bench.emulator().inspect([&](const RegisterModel &m) {
        number = m.fiscalStorage().lastNumber();
        documentBytes = int(m.fiscalStorage().find(number)->tlv.size());
    });
    QVERIFY(documentBytes > 65535);
    child<QSpinBox>(*window, "strFDNumber")->setValue(int(number));
    QVERIFY(click(*window, "butGetFDFromFN"));

    QVERIFY(lastErrCode == -1);
    const QRegularExpression cut(
        QStringLiteral("^Документ прочитан не полностью \\(элементов: (\\d+), байт: (\\d+)\\)\\.$"));
    const QRegularExpressionMatch match = cut.match(status(*window));
    QVERIFY2(match.hasMatch(), qPrintable(status(*window)));
    QVERIFY(match.captured(2).toInt() <= 65535);
    QVERIFY(match.captured(2).toInt() > 65535 - 256);
    const QList<Section> page = sectionsOf(child<QTextEdit>(*window, "textFDFromFNData"));
    QCOMPARE(page.size(), 2);
    QCOMPARE(page.last().title, status(*window));
    QCOMPARE(rowValue(page.first().rows, QStringLiteral("Тип документа")),
             QStringLiteral("Кассовый чек (3)"));
    QVERIFY(!mpLinkSettings().connected);
}

void TstReadingOps::registerThatNeverStopsAnswering()
{
    // Every read gives one more item: the window takes 10,000 and stops.
    PtyPeer peer;
    greetAnotherModel(peer);
    exchange(peer, request(0xFF3A, littleEndian(1, 4)), QByteArray::fromHex("ff3a00 0300 ff"));
    for (int read = 0; read <= 10000; ++read)
        exchange(peer, request(0xFF3B), QByteArray::fromHex("ff3b00 10270000"));
    peer.start();
    AppDir dir;
    auto window = windowOn(peer.slavePath());
    child<QSpinBox>(*window, "strFDNumber")->setValue(1);
    QVERIFY(click(*window, "butGetFDFromFN"));
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QVERIFY(peer.finished());
    QCOMPARE(status(*window),
             QStringLiteral("Документ прочитан не полностью (элементов: 10000, байт: 40000)."));
}

void TstReadingOps::savingTheShownPage_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("html");
    const QString html = QStringLiteral("HTML файлы (*.html)");
    const QString text = QStringLiteral("Текстовые файлы (*.txt)");
    QTest::newRow("html, no suffix") << html << "page"
                                     << "page.html" << true;
    QTest::newRow("html, its suffix") << html << "page.html"
                                      << "page.html" << true;
    QTest::newRow("text, upper-case suffix") << text << "page.TXT"
                                             << "page.TXT.txt" << false;
    QTest::newRow("text, its suffix") << text << "page.txt"
                                      << "page.txt" << false;
    QTest::newRow("any file") << QStringLiteral("Все файлы (*)") << "page.dat"
                              << "page.dat" << false;
    QTest::newRow("no such directory") << html << "missing/page.html" << QString() << true;
}

void TstReadingOps::savingTheShownPage()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QFETCH(bool, html);
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butGetFN_Number"));
    auto *view = child<QTextEdit>(*window, "textFDFromFNData");
    QVERIFY(view->toPlainText().contains(QStringLiteral("Заводской номер ФН:")));

    const QDir dir(bench.appDir.path());
    QStringList filters;
    ModalAnswer answer(
        [&](QWidget *dialog) {
            filters = static_cast<QFileDialog *>(dialog)->nameFilters();
            ModalAnswer::chooseFile(dir.filePath(typed), filter)(dialog);
        },
        "QFileDialog");
    QVERIFY(click(*window, "butGetFD_Save"));
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), QStringLiteral("Выбор имени файла для сохранения данных ФД"));
    QCOMPARE(filters,
             (QStringList{QStringLiteral("HTML файлы (*.html)"), QStringLiteral("Текстовые файлы (*.txt)"),
                          QStringLiteral("Все файлы (*)")}));

    if (saved.isEmpty()) {
        QCOMPARE(status(*window), QStringLiteral("Ошибка открытия файла <%1>!").arg(dir.filePath(typed)));
        QVERIFY(dir.entryList(QDir::Files).isEmpty());
        return;
    }
    const QString path = dir.filePath(saved);
    QCOMPARE(status(*window), QStringLiteral("Данные сохранены в файл <%1>.").arg(path));
    QCOMPARE(dir.entryList(QDir::Files), QStringList{saved});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString content = QString::fromUtf8(file.readAll());
    if (html) {
        QVERIFY(content.startsWith(QStringLiteral("<!DOCTYPE HTML")));
        QVERIFY(content.contains(QStringLiteral("<meta charset=\"utf-8\" />")));
        QVERIFY(content.contains(QStringLiteral("Запрос номера ФН")));
    } else {
        QCOMPARE(content, view->toPlainText());
    }
}

void TstReadingOps::printingTheShownPage()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butGetFN_Number"));
    const QString pdf = bench.appDir.path() + QStringLiteral("/page.pdf");
    ModalAnswer print(
        [&](QWidget *dialog) {
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
            if (name)
                name->setText(pdf);
            static_cast<QDialog *>(dialog)->accept();
        },
        "QPrintDialog");
    QVERIFY(click(*window, "butGetFD_Print"));
    QVERIFY(print.answered());
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF"));
}

QTEST_MAIN(TstReadingOps)
#include "tst_readingops.moc"
