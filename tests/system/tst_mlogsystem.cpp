#include "mlogsystem.h"
#include "systemtestutil.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString stars(90, QLatin1Char('*'));

// Time stamps and the header's changing values replaced by fixed marks, so a
// whole file can be compared with the expected text.
QString normalized(const QByteArray &content)
{
    QString text = QString::fromUtf8(content);
    text.replace(QRegularExpression(QStringLiteral("\n\\*{90}\nTime run:.*?\nEvents:\n"),
                                    QRegularExpression::DotMatchesEverythingOption),
                 QStringLiteral("<header>"));
    text.replace(QRegularExpression(
                     QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] \\[\\d\\d\\.\\d\\d\\.\\d{4}\\]")),
                 QStringLiteral("[T] [D]"));
    return text;
}

QString line(int number, int level, const QString &text)
{
    return QStringLiteral("%1: {%2} [T] [D] %3\n").arg(number, 6, 10, QLatin1Char('0')).arg(level).arg(text);
}

} // namespace

class TestMLogSystem : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void headerAndLineFormat();
    void repeatSuppression_data();
    void repeatSuppression();
    void textCommandsAndClearing();
    void pendingLinesAreCappedThenGoToTheFile();
    void destructionWritesEverythingThenClosingLines();

private:
    QString logPath() const { return m_dir->filePath("events.log"); }

    QTemporaryDir *m_dir = nullptr;
    MLogSystem *m_log = nullptr;
};

void TestMLogSystem::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_log = new MLogSystem;
    m_log->setLogFile(logPath());
}

void TestMLogSystem::cleanup()
{
    delete m_log;
    delete m_dir;
}

void TestMLogSystem::headerAndLineFormat()
{
    QSignalSpy blocks(m_log, qOverload<const QString &>(&MLogSystem::stringWrited));
    m_log->logWrite(QStringLiteral("Первая строка"));
    const QDateTime before = QDateTime::currentDateTime();
    m_log->logWrite(QStringLiteral("hello"), MLogSystem::LevelError);
    const QDateTime after = QDateTime::currentDateTime();
    m_log->flush();

    const QByteArray content = readFile(logPath());
    QCOMPARE(normalized(content), "<header>" + line(1, 0, "Первая строка") + line(2, 5, "hello"));
    QVERIFY(content.contains("\nApplication:        tst_mlogsystem\n"));

    // The stamp is the time the line was logged.
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("\\[([\\d:.]{12})\\] \\[([\\d.]{10})\\] hello\n$"))
            .match(QString::fromUtf8(content));
    QVERIFY2(match.hasMatch(), content.constData());
    const QDateTime stamped = QDateTime::fromString(match.captured(2) + ' ' + match.captured(1),
                                                    QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz"));
    QVERIFY(stamped >= before.addMSecs(-1) && stamped <= after);

    // The writer hands out exactly what it wrote.
    QCOMPARE(blocks.size(), 2);
    QCOMPARE((blocks.at(0).at(0).toString() + blocks.at(1).at(0).toString()).toUtf8(), content);
}

using Messages = QList<QPair<QString, int>>;

void TestMLogSystem::repeatSuppression_data()
{
    QTest::addColumn<Messages>("input");
    QTest::addColumn<QStringList>("accepted"); // "level|text" as patterns

    const QString summary =
        QStringLiteral("1|Last message repeated %1 times\\. Time from first message: \\d+ ms\\.");
    QTest::newRow("run summarised before the next message")
        << Messages{{"abcde", 0}, {"abcde", 0}, {"abcde", 0}, {"abcde", 0}, {"abcde", 0}, {"other", 0}}
        << QStringList{"0|abcde", summary.arg(5), "0|other"};
    QTest::newRow("four characters or fewer never suppressed")
        << Messages{{"abcd", 0}, {"abcd", 0}, {"abcd", 0}, {"", 0}, {"", 0}}
        << QStringList{"0|abcd", "0|abcd", "0|abcd", "0|", "0|"};
    QTest::newRow("another level is not a repeat")
        << Messages{{"abcde", 0}, {"abcde", 5}, {"abcde", 0}} << QStringList{"0|abcde", "5|abcde", "0|abcde"};
    QTest::newRow("repeat at another level ends the run")
        << Messages{{"abcde", 0}, {"abcde", 0}, {"abcde", 5}, {"abcde", 5}, {"xyzzy", 5}}
        << QStringList{"0|abcde", summary.arg(2), "5|abcde", summary.arg(2), "5|xyzzy"};
    QTest::newRow("run still open at the end is not summarised")
        << Messages{{"first", 0}, {"again", 0}, {"again", 0}} << QStringList{"0|first", "0|again"};
}

void TestMLogSystem::repeatSuppression()
{
    QFETCH(Messages, input);
    QFETCH(QStringList, accepted);

    QSignalSpy spy(m_log, qOverload<const QString &, MLogSystem_EventLevel>(&MLogSystem::stringWrited));
    for (const auto &[text, level] : input)
        m_log->logWrite(text, level);
    m_log->flush();

    QStringList seen;
    for (const QList<QVariant> &signal : spy)
        seen << QStringLiteral("%1|%2").arg(signal.at(1).toInt()).arg(signal.at(0).toString());
    QCOMPARE(seen.size(), accepted.size());
    for (int i = 0; i < seen.size(); ++i)
        QVERIFY2(QRegularExpression('^' + accepted.at(i) + '$').match(seen.at(i)).hasMatch(),
                 qPrintable(seen.at(i)));

    // The file holds exactly the accepted messages, numbered without gaps.
    QString file = "<header>";
    for (int i = 0; i < seen.size(); ++i)
        file += line(i + 1, seen.at(i).section('|', 0, 0).toInt(), seen.at(i).section('|', 1));
    QCOMPARE(normalized(readFile(logPath())), file);
}

void TestMLogSystem::textCommandsAndClearing()
{
    m_log->logWrite(QStringLiteral("first"));
    m_log->logWrite(QStringLiteral("#LINE"));
    m_log->logWrite(QStringLiteral("#Cr"));
    m_log->logWrite(QStringLiteral("#header"));
    m_log->logWrite(QStringLiteral("second"));
    m_log->clearLog(); // numbering starts over under a new header
    m_log->logWrite(QStringLiteral("third"));
    m_log->flush();

    QCOMPARE(normalized(readFile(logPath())), "<header>" + line(1, 0, "first") + stars + "\n\n<header>"
                                                  + line(2, 0, "second") + "<header>" + line(1, 0, "third"));
}

void TestMLogSystem::pendingLinesAreCappedThenGoToTheFile()
{
    MLogSystem log;
    const int extra = 5;
    for (int i = 0; i < MLogSystem::MaxPendingLines + extra; ++i)
        log.logWrite(QStringLiteral("message %1").arg(i));
    log.flush();
    QCOMPARE(log.logFile(), QString());
    const QStringList pending = log.pendingLines();
    QCOMPARE(pending.size(), MLogSystem::MaxPendingLines + 1);
    QCOMPARE(pending.first(),
             QStringLiteral("MLogSystem: 5 older lines were dropped while no log file was set.\n"));
    QVERIFY(pending.at(1).endsWith(QStringLiteral("] message 5\n")));

    // The extension becomes "log", missing folders are made, and lines logged
    // after the call follow the kept ones.
    log.setLogFile(m_dir->filePath("sub/dir/events.txt"));
    log.logWrite(QStringLiteral("written to the file"));
    log.flush();
    const QString file = QDir(m_dir->path()).absoluteFilePath("sub/dir/events.log");
    QCOMPARE(log.logFile(), file);
    QVERIFY(log.pendingLines().isEmpty());
    QCOMPARE(normalized(readFile(file)),
             normalized(pending.join(QString()).toUtf8())
                 + line(MLogSystem::MaxPendingLines + extra + 1, 0, "written to the file"));
}

void TestMLogSystem::destructionWritesEverythingThenClosingLines()
{
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        m_log->logWrite(QStringLiteral("burst %1").arg(i));
    delete m_log;
    m_log = nullptr;

    const QStringList lines = normalized(readFile(logPath())).remove("<header>").split('\n');
    QCOMPARE(lines.size(), count + 4); // + closing line, asterisks, empty line, end
    for (int i = 0; i < count; ++i)
        QCOMPARE(lines.at(i) + '\n', line(i + 1, 0, QStringLiteral("burst %1").arg(i)));
    QCOMPARE(lines.at(count) + '\n', line(count + 1, 3, "SystemLog: Log object destroed."));
    QCOMPARE(lines.at(count + 1), stars);
    QCOMPARE(lines.at(count + 2), QString());
}

QTEST_GUILESS_MAIN(TestMLogSystem)
#include "tst_mlogsystem.moc"
