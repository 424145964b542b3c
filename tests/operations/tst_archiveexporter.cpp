// The archive exporter both front ends share: the index is rebuilt from the
// journal across runs, what the journal holds is checked before it names a
// file, and a folder that cannot take a file says which file and why.

#include "systemtestutil.h"

#include <archiveexporter.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

ops::FnDocument receipt(quint32 number)
{
    ops::FnDocument doc;
    doc.number = number;
    doc.docType = 3;
    doc.opened = true;
    // Total 1020 as money: 12.34 plus the number.
    const quint32 total = 1234 + number;
    doc.items.append(ops::FnItem{1020, 3, QByteArray(1, char(total & 0xff)) + char(total >> 8) + char(0)});
    doc.status = ops::FnDocument::Complete;
    return doc;
}

QStringList indexNumbers(const QString &dir)
{
    QStringList numbers;
    const QList<QByteArray> lines = readFile(QDir(dir).filePath(QStringLiteral("index.csv"))).split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        if (!line.isEmpty())
            numbers << QString::fromUtf8(line.left(line.indexOf(',')));
    }
    return numbers;
}

} // namespace

class TstArchiveExporter : public QObject
{
    Q_OBJECT

private slots:
    void resumesFromTheJournal();
};

void TstArchiveExporter::resumesFromTheJournal()
{
    QTemporaryDir dir;
    QString path, reason;
    {
        ops::ArchiveExporter first(dir.path(), DocFormat::Json);
        first.loadJournal();
        QVERIFY(first.write(receipt(1), &path, &reason));
        QVERIFY(first.write(receipt(2), &path, &reason));
    }
    // What an interrupted run and a hand-edited journal leave behind: a line cut
    // short, a number out of range, a file name that points out of the folder.
    QFile journal(dir.filePath(QStringLiteral(".fd-export.jsonl")));
    QVERIFY(journal.open(QIODevice::Append));
    journal.write(
        "{\"number\":7,\"file\":\"../fd-000007.json\"}\n{\"number\":0,\"file\":\"fd-000000.json\"}\n"
        "{\"number\":4294967296,\"file\":\"x.json\"}\n{\"number\":9,\"fi");
    journal.close();
    QVERIFY(writeFile(dir.filePath(QStringLiteral("x.json")), "{}"));
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("fd-000002.json")))); // removed by hand: not listed

    ops::ArchiveExporter second(dir.path(), DocFormat::Json);
    second.loadJournal();
    QVERIFY(second.isExported(1));
    QVERIFY(!second.isExported(2));
    QVERIFY(second.write(receipt(3), &path, &reason));
    QVERIFY(second.writeIndex(&path, &reason));
    QCOMPARE(indexNumbers(dir.path()), QStringList({"1", "3"}));
    const QByteArray csv = readFile(dir.filePath(QStringLiteral("index.csv")));
    QVERIFY2(csv.contains("3,3,Кассовый чек,,12.37,fd-000003.json"), csv.constData());
    QVERIFY(readFile(dir.filePath(QStringLiteral("fd-000003.json"))).contains("\"complete\": true"));
}

QTEST_MAIN(TstArchiveExporter)
#include "tst_archiveexporter.moc"
