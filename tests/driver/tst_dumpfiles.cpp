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

QByteArray readRaw(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TstDumpFiles : public QObject
{
    Q_OBJECT
private slots:
    void blocksInOrderMakeTheImage_data();
    void blocksInOrderMakeTheImage();
    void badBlocksAreRefusedAndChangeNothing_data();
    void badBlocksAreRefusedAndChangeNothing();
    void checksumFileName_data();
    void checksumFileName();
    void chunkedMd5EqualsWholeMd5_data();
    void chunkedMd5EqualsWholeMd5();
    void md5StopsWhenAskedOrUnreadable();
    void comparison();
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

void TstDumpFiles::blocksInOrderMakeTheImage_data()
{
    QTest::addColumn<int>("first"); // the number of the first block
    QTest::newRow("from 0") << 0;
    QTest::newRow("from 1") << 1;
    QTest::newRow("wrapping") << 0xFFFE;
}

void TstDumpFiles::blocksInOrderMakeTheImage()
{
    QFETCH(int, first);
    DumpImage image(3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!image.isComplete());
        QCOMPARE(image.addBlock(6, (first + i) & 0xFFFF, block(char('a' + i))), DumpImage::Ok);
    }
    QVERIFY(image.isComplete());
    QCOMPARE(image.bytes(), block('a') + block('b') + block('c'));
    QCOMPARE(image.addBlock(6, (first + 3) & 0xFFFF, block('d')), DumpImage::TooMany);
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

void TstDumpFiles::md5StopsWhenAskedOrUnreadable()
{
    const QString path = writeDump(QStringLiteral("stop.bin"), randomBytes(kDumpChunkSize * 3, 7));
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
    const QString a = writeDump(QStringLiteral("a.bin"), bytes);
    const QString same = writeDump(QStringLiteral("same.bin"), bytes);
    const QString missing = m_dir.filePath(QStringLiteral("missing.bin"));

    QCOMPARE(dumpCompareFiles(a, same), DumpCompare::Equal);
    QCOMPARE(dumpCompareFiles(a, writeDump(QStringLiteral("last.bin"), lastDiffers)),
             DumpCompare::DifferentContent);
    QCOMPARE(dumpCompareFiles(a, writeDump(QStringLiteral("prefix.bin"), bytes.chopped(1))),
             DumpCompare::DifferentSize);
    QCOMPARE(dumpCompareFiles(missing, a), DumpCompare::FirstUnreadable);
    QCOMPARE(dumpCompareFiles(a, missing), DumpCompare::SecondUnreadable);
    QCOMPARE(dumpCompareFiles(a, same, [](qint64, qint64) { return false; }), DumpCompare::Stopped);
}

void TstDumpFiles::writingIsWholeOrNothing()
{
    // The checksum of a dump named like a checksum file goes beside it, never
    // over it; the line names the file without its directory, in UTF-8.
    const QString path = writeDump(QStringLiteral("дамп.md5"), "first");
    QVERIFY(dumpWriteMd5File(path, "d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(readRaw(path), QByteArray("first"));
    QCOMPARE(readRaw(path + QStringLiteral(".md5")),
             "d41d8cd98f00b204e9800998ecf8427e *" + QStringLiteral("дамп.md5").toUtf8() + '\n');

    QString error;
    QVERIFY(!dumpWriteFile(m_dir.filePath(QStringLiteral("no/such/dir/f.bin")), "x", &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TstDumpFiles)
#include "tst_dumpfiles.moc"
