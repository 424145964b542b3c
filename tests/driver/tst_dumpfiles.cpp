// Dump blocks and dump files: block checks, the checksum file and the chunked
// MD5 and comparison of dump files.

#include "dumpfiles.h"
#include "dumpimage.h"

#include <QCryptographicHash>
#include <QFile>
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

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TstDumpFiles : public QObject
{
    Q_OBJECT
private slots:
    void blocksInOrderMakeTheImage();
    void badBlocksAreRefusedAndChangeNothing_data();
    void badBlocksAreRefusedAndChangeNothing();
    void blockNumbersMayStartAtOneAndWrap();
    void checksumFileName_data();
    void checksumFileName();
    void checksumLine();
    void chunkedMd5EqualsWholeMd5_data();
    void chunkedMd5EqualsWholeMd5();
    void md5StopsWhenAsked();
    void comparison();
    void writingIsWholeOrNothing();

private:
    QTemporaryDir m_dir;
};

void TstDumpFiles::blocksInOrderMakeTheImage()
{
    DumpImage image(3);
    QVERIFY(!image.isComplete());
    QCOMPARE(image.addBlock(6, 0, block('a')), DumpImage::Ok);
    QCOMPARE(image.addBlock(6, 1, block('b')), DumpImage::Ok);
    QCOMPARE(image.addBlock(6, 2, block('c')), DumpImage::Ok);
    QVERIFY(image.isComplete());
    QCOMPARE(image.bytes(), block('a') + block('b') + block('c'));
    QCOMPARE(image.addBlock(6, 3, block('d')), DumpImage::TooMany);
    QCOMPARE(image.bytes().size(), 3 * DumpImage::kBlockSize);
}

void TstDumpFiles::badBlocksAreRefusedAndChangeNothing_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("text");
    QTest::newRow("other memory") << 7 << 1 << block('x') << int(DumpImage::WrongUnit)
                                  << QStringLiteral(
                                         "Блок 2 дампа получен не из памяти программ (устройство 7)!");
    QTest::newRow("block repeated") << 6 << 0 << block('x') << int(DumpImage::WrongNumber)
                                    << QStringLiteral("Блок 2 дампа получен с номером 0 вместо 1!");
    QTest::newRow("block skipped") << 6 << 2 << block('x') << int(DumpImage::WrongNumber)
                                   << QStringLiteral("Блок 2 дампа получен с номером 2 вместо 1!");
    QTest::newRow("short block") << 6 << 1 << QByteArray(31, 'x') << int(DumpImage::NoData)
                                 << QStringLiteral("Блок 2 дампа получен без данных!");
    QTest::newRow("no block") << 6 << 1 << QByteArray() << int(DumpImage::NoData)
                              << QStringLiteral("Блок 2 дампа получен без данных!");
}

void TstDumpFiles::badBlocksAreRefusedAndChangeNothing()
{
    QFETCH(int, unit);
    QFETCH(int, number);
    QFETCH(QByteArray, data);
    QFETCH(int, check);
    QFETCH(QString, text);
    DumpImage image(4);
    QCOMPARE(image.addBlock(6, 0, block('a')), DumpImage::Ok);
    const DumpImage::BlockCheck result = image.addBlock(unit, number, data);
    QCOMPARE(int(result), check);
    QCOMPARE(image.checkText(result), text);
    QCOMPARE(image.blocksTaken(), 1);
    QCOMPARE(image.bytes(), block('a'));
    // The expected block is still taken after a refused one.
    QCOMPARE(image.addBlock(6, 1, block('b')), DumpImage::Ok);
}

void TstDumpFiles::blockNumbersMayStartAtOneAndWrap()
{
    DumpImage fromOne(2);
    QCOMPARE(fromOne.addBlock(6, 1, block('a')), DumpImage::Ok);
    QCOMPARE(fromOne.addBlock(6, 2, block('b')), DumpImage::Ok);
    DumpImage wrapping(2);
    QCOMPARE(wrapping.addBlock(6, 0xFFFF, block('a')), DumpImage::Ok);
    QCOMPARE(wrapping.addBlock(6, 0, block('b')), DumpImage::Ok);
}

void TstDumpFiles::checksumFileName_data()
{
    QTest::addColumn<QString>("dump");
    QTest::addColumn<QString>("md5");
    QTest::newRow("bin") << QStringLiteral("/d/dump.bin") << QStringLiteral("/d/dump.md5");
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

void TstDumpFiles::checksumLine()
{
    QCOMPARE(dumpMd5Line("0123abcd", QStringLiteral("/some/dir/дамп.bin")),
             QByteArray("0123abcd *") + QStringLiteral("дамп.bin").toUtf8() + '\n');
}

void TstDumpFiles::chunkedMd5EqualsWholeMd5_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("chunk - 1") << kDumpChunkSize - 1;
    QTest::newRow("chunk") << kDumpChunkSize;
    QTest::newRow("chunk + 1") << kDumpChunkSize + 1;
    QTest::newRow("2.5 chunks") << kDumpChunkSize * 5 / 2;
}

void TstDumpFiles::chunkedMd5EqualsWholeMd5()
{
    QFETCH(qint64, size);
    const QByteArray bytes = randomBytes(size, quint32(size) + 1);
    const QString path = m_dir.filePath(QStringLiteral("md5.bin"));
    QVERIFY(writeRaw(path, bytes));
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

void TstDumpFiles::md5StopsWhenAsked()
{
    const QString path = m_dir.filePath(QStringLiteral("stop.bin"));
    QVERIFY(writeRaw(path, randomBytes(kDumpChunkSize * 3, 7)));
    int calls = 0;
    QByteArray digest("untouched");
    QVERIFY(!dumpFileMd5(path, &digest, nullptr, [&](qint64, qint64) { return ++calls < 2; }));
    QCOMPARE(calls, 2);
    QCOMPARE(digest, QByteArray("untouched"));
    QString error;
    QVERIFY(!dumpFileMd5(m_dir.filePath(QStringLiteral("missing.bin")), &digest, &error));
    QVERIFY(!error.isEmpty());
}

void TstDumpFiles::comparison()
{
    const QByteArray bytes = randomBytes(kDumpChunkSize + 100, 3);
    QByteArray lastDiffers = bytes;
    lastDiffers[lastDiffers.size() - 1] = char(lastDiffers.back() ^ 1);
    const QString a = m_dir.filePath(QStringLiteral("a.bin"));
    const QString same = m_dir.filePath(QStringLiteral("same.bin"));
    const QString last = m_dir.filePath(QStringLiteral("last.bin"));
    const QString prefix = m_dir.filePath(QStringLiteral("prefix.bin"));
    QVERIFY(writeRaw(a, bytes));
    QVERIFY(writeRaw(same, bytes));
    QVERIFY(writeRaw(last, lastDiffers));
    QVERIFY(writeRaw(prefix, bytes.left(bytes.size() - 1)));
    const QString missing = m_dir.filePath(QStringLiteral("missing.bin"));

    QCOMPARE(dumpCompareFiles(a, same), DumpCompare::Equal);
    QCOMPARE(dumpCompareFiles(a, last), DumpCompare::DifferentContent);
    QCOMPARE(dumpCompareFiles(a, prefix), DumpCompare::DifferentSize);
    QCOMPARE(dumpCompareFiles(missing, a), DumpCompare::FirstUnreadable);
    QCOMPARE(dumpCompareFiles(a, missing), DumpCompare::SecondUnreadable);
    QCOMPARE(dumpCompareFiles(a, same, [](qint64, qint64) { return false; }), DumpCompare::Stopped);
}

void TstDumpFiles::writingIsWholeOrNothing()
{
    const QString path = m_dir.filePath(QStringLiteral("x.md5"));
    QVERIFY(dumpWriteFile(path, "first"));
    // The checksum of "x.md5" goes beside it, never over it.
    QVERIFY(dumpWriteMd5File(path, "d41d8cd98f00b204e9800998ecf8427e"));
    QFile input(path);
    QVERIFY(input.open(QIODevice::ReadOnly));
    QCOMPARE(input.readAll(), QByteArray("first"));
    QFile md5(path + QStringLiteral(".md5"));
    QVERIFY(md5.open(QIODevice::ReadOnly));
    QCOMPARE(md5.readAll(), QByteArray("d41d8cd98f00b204e9800998ecf8427e *x.md5\n"));

    QString error;
    QVERIFY(!dumpWriteFile(m_dir.filePath(QStringLiteral("no/such/dir/f.bin")), "x", &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TstDumpFiles)
#include "tst_dumpfiles.moc"
