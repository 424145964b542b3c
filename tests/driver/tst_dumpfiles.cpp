// The dump image's block numbering (any start, 16-bit wrap, repeats) and
// count, and the dump files: writing, the checksum file and the chunked MD5
// and comparison.

#include "dumpfiles.h"
#include "dumpimage.h"
#include "systemtestutil.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray block(char fill)
{
    return QByteArray(DumpImage::kBlockSize, fill);
}

QByteArray randomBytes(qint64 size, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray bytes(qsizetype(size), '\0');
    for (char &c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

} // namespace

class TstDumpFiles : public QObject
{
    Q_OBJECT
private slots:
    void imageTakesBlocksInOrder_data();
    void imageTakesBlocksInOrder();
    void checksumFileName_data();
    void checksumFileName();
    void chunkedMd5EqualsWholeMd5_data();
    void chunkedMd5EqualsWholeMd5();
    void comparisonAndItsEnds();
    void writingIsWholeOrNothing();

private:
    QString writeDump(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
};

QString TstDumpFiles::writeDump(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    return dumpWriteFile(path, bytes) ? path : QString();
}

void TstDumpFiles::imageTakesBlocksInOrder_data()
{
    QTest::addColumn<int>("first"); // the number of the first block
    QTest::newRow("from 0") << 0;
    QTest::newRow("from 1") << 1;
    QTest::newRow("wrapping") << 0xFFFF;
}

void TstDumpFiles::imageTakesBlocksInOrder()
{
    QFETCH(int, first);
    DumpImage image(3);
    QCOMPARE(image.addBlock(6, first, block('a')), DumpImage::Ok);
    // A repeated block is refused, changes nothing, and the expected one is
    // still taken after it.
    QCOMPARE(image.addBlock(6, first, block('x')), DumpImage::WrongNumber);
    QCOMPARE(
        image.checkText(DumpImage::WrongNumber),
        QStringLiteral("Блок 2 дампа получен с номером %1 вместо %2!").arg(first).arg((first + 1) & 0xFFFF));
    QCOMPARE(image.blocksTaken(), 1);
    for (int i = 1; i < 3; ++i) {
        QVERIFY(!image.isComplete());
        QCOMPARE(image.addBlock(6, (first + i) & 0xFFFF, block(char('a' + i))), DumpImage::Ok);
    }
    QVERIFY(image.isComplete());
    QCOMPARE(image.bytes(), block('a') + block('b') + block('c'));
    QCOMPARE(image.addBlock(6, (first + 3) & 0xFFFF, block('d')), DumpImage::TooMany);
    QCOMPARE(image.bytes().size(), 3 * DumpImage::kBlockSize);
}

void TstDumpFiles::checksumFileName_data()
{
    QTest::addColumn<QString>("dump");
    QTest::addColumn<QString>("md5");
    QTest::newRow("two dots") << QStringLiteral("/d/a.b.bin") << QStringLiteral("/d/a.b.md5");
    QTest::newRow("no suffix") << QStringLiteral("/d/dump") << QStringLiteral("/d/dump.md5");
    QTest::newRow("md5 input") << QStringLiteral("/d/x.md5") << QStringLiteral("/d/x.md5.md5");
    QTest::newRow("relative") << QStringLiteral("dump.bin") << QStringLiteral("dump.md5");
}

void TstDumpFiles::checksumFileName()
{
    QFETCH(QString, dump);
    QFETCH(QString, md5);
    QCOMPARE(dumpMd5FilePath(dump), md5);
}

void TstDumpFiles::chunkedMd5EqualsWholeMd5_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("chunk - 1") << kDumpChunkSize - 1;
    QTest::newRow("chunk") << kDumpChunkSize;
    QTest::newRow("chunk + 1") << kDumpChunkSize + 1;
}

void TstDumpFiles::chunkedMd5EqualsWholeMd5()
{
    QFETCH(qint64, size);
    const QByteArray bytes = randomBytes(size, quint32(size) + 1);
    const QString path = writeDump(QStringLiteral("md5.bin"), bytes);
    QByteArray digest;
    qint64 lastDone = -1;
    QVERIFY(dumpFileMd5(path, &digest, nullptr, [&](qint64 done, qint64 total) {
        lastDone = done;
        return total == size;
    }));
    QCOMPARE(digest, QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
    if (size > 0)
        QCOMPARE(lastDone, size);
}

void TstDumpFiles::comparisonAndItsEnds()
{
    // Several chunks: the last byte of the last one still counts.
    const QByteArray bytes = randomBytes(kDumpChunkSize * 3, 7);
    QByteArray lastDiffers = bytes;
    lastDiffers[lastDiffers.size() - 1] = char(lastDiffers.back() ^ 1);
    const QString path = writeDump(QStringLiteral("a.bin"), bytes);
    QCOMPARE(dumpCompareFiles(path, writeDump(QStringLiteral("same.bin"), bytes)), DumpCompare::Equal);
    QCOMPARE(dumpCompareFiles(path, writeDump(QStringLiteral("last.bin"), lastDiffers)),
             DumpCompare::DifferentContent);
    QCOMPARE(dumpCompareFiles(path, writeDump(QStringLiteral("prefix.bin"), bytes.chopped(1))),
             DumpCompare::DifferentSize);

    const QString missing = m_dir.filePath(QStringLiteral("missing.bin"));
    QCOMPARE(dumpCompareFiles(path, path, [](qint64, qint64) { return false; }), DumpCompare::Stopped);
    QCOMPARE(dumpCompareFiles(missing, path), DumpCompare::FirstUnreadable);
    QCOMPARE(dumpCompareFiles(path, missing), DumpCompare::SecondUnreadable);
    int calls = 0;
    QByteArray digest("untouched");
    QVERIFY(!dumpFileMd5(path, &digest, nullptr, [&](qint64, qint64) { return ++calls < 2; }));
    QCOMPARE(calls, 2);
    QCOMPARE(digest, QByteArray("untouched"));
    QString error;
    QVERIFY(!dumpFileMd5(missing, &digest, &error));
    QVERIFY(!error.isEmpty());
}

void TstDumpFiles::writingIsWholeOrNothing()
{
    // The checksum of a dump named like a checksum file goes beside it, never
    // over it; the line names the file without its directory, in UTF-8.
    const QString path = writeDump(QStringLiteral("дамп.md5"), "first");
    QVERIFY(dumpWriteMd5File(path, "d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(readFile(path), QByteArray("first"));
    QCOMPARE(readFile(path + QStringLiteral(".md5")),
             "d41d8cd98f00b204e9800998ecf8427e *" + QStringLiteral("дамп.md5").toUtf8() + '\n');

    QString error;
    QVERIFY(!dumpWriteFile(m_dir.filePath(QStringLiteral("no/such/dir/f.bin")), "x", &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TstDumpFiles)
#include "tst_dumpfiles.moc"
