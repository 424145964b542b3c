// The table behind the FN archive page: what its filters let through, and
// that documents read once are kept across ranges while failures are not.

#include "tlvfixtures.h"

#include <marchivemodel.h>

#include <QTest>

namespace {

constexpr quint16 kReceipt = 3;
constexpr quint16 kShiftOpen = 2;

ops::FnDocument document(quint32 number, quint16 type, const QDateTime &time, quint64 total = 0)
{
    ops::FnDocument doc;
    doc.number = number;
    doc.docType = type;
    doc.opened = true;
    const auto add = [&doc](quint16 tag, const QByteArray &value) {
        doc.items.append(ops::FnItem{tag, quint16(value.size()), value});
    };
    add(1012, tlvfix::le(quint64(time.toSecsSinceEpoch()), 4));
    if (total)
        add(1020, tlvfix::le(total, 3));
    add(1077, QByteArray::fromHex("00001280abcd"));
    doc.status = ops::FnDocument::Complete;
    return doc;
}

ops::FnDocument failed(quint32 number)
{
    ops::FnDocument doc;
    doc.number = number;
    doc.status = ops::FnDocument::Damaged;
    doc.error = QStringLiteral("damaged");
    return doc;
}

QDateTime day(int d)
{
    return QDateTime(QDate(2026, 3, d), QTime(12, 0), Qt::UTC);
}

// Documents 1..6 of a range of 7: 7 is not read, 5 failed.
void fill(MArchiveModel &model)
{
    model.setRange(1, 7);
    using O = MArchiveRow::Ofd;
    model.setDocument(document(1, kShiftOpen, day(1)), O::OfdConfirmed);
    model.setDocument(document(2, kReceipt, day(1), 1000), O::OfdConfirmed);
    model.setDocument(document(3, kReceipt, day(2), 2000), O::OfdNotConfirmed);
    model.setDocument(document(4, kShiftOpen, day(3)), O::OfdNotConfirmed);
    model.setDocument(failed(5), O::OfdUnknown);
    model.setDocument(document(6, kReceipt, day(5), 3000), O::OfdUnknown);
}

QList<quint32> shown(const MArchiveFilter &filter)
{
    QList<quint32> numbers;
    for (int row = 0; row < filter.rowCount(); ++row)
        numbers << filter.index(row, 0).data(MArchiveModel::kNumberRole).toUInt();
    return numbers;
}

} // namespace

class TstMArchiveModel : public QObject
{
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void keepsWhatWasRead();
};

void TstMArchiveModel::filters_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("unconfirmed");
    QTest::addColumn<QList<quint32>>("numbers");
    using N = QList<quint32>;
    const QDate none;
    QTest::newRow("none: every row") << -1 << none << none << false << N{1, 2, 3, 4, 5, 6, 7};
    // Rows whose type is not known (failed, not read) are not of the type asked.
    QTest::newRow("receipts") << int(kReceipt) << none << none << false << N{2, 3, 6};
    QTest::newRow("dates, both ends included")
        << -1 << QDate(2026, 3, 2) << QDate(2026, 3, 3) << false << N{3, 4};
    QTest::newRow("a range with nothing") << -1 << QDate(2026, 3, 4) << QDate(2026, 3, 4) << false << N{};
    // Unknown (no answer) is not "not confirmed".
    QTest::newRow("not confirmed") << -1 << none << none << true << N{3, 4};
    QTest::newRow("all at once") << int(kReceipt) << QDate(2026, 3, 2) << none << true << N{3};
}

void TstMArchiveModel::filters()
{
    QFETCH(int, type);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, unconfirmed);
    QFETCH(QList<quint32>, numbers);
    MArchiveModel model;
    fill(model);
    MArchiveFilter filter;
    filter.setSourceModel(&model);
    filter.setType(type);
    filter.setDates(from, to);
    filter.setUnconfirmedOnly(unconfirmed);
    QCOMPARE(shown(filter), numbers);
    // Off again, every row is back.
    filter.setType(-1);
    filter.setDates(QDate(), QDate());
    filter.setUnconfirmedOnly(false);
    QCOMPARE(filter.rowCount(), 7);
}

void TstMArchiveModel::keepsWhatWasRead()
{
    MArchiveModel model;
    fill(model);
    QCOMPARE(model.firstUnread(), 4); // document 5 failed
    QCOMPARE(model.readCount(), 5);
    // Another range and back: what was read whole is there without reading,
    // the failed document is to be read again.
    model.setRange(5, 10);
    QCOMPARE(model.count(), 6);
    QCOMPARE(model.rowAt(1)->state, MArchiveRow::Read);
    QCOMPARE(model.rowAt(0)->state, MArchiveRow::NotRead);
    QCOMPARE(model.rowOf(6), 1);
    model.setRange(1, 7);
    QCOMPARE(model.readCount(), 5);
    QCOMPARE(model.rowAt(2)->ofd, MArchiveRow::OfdNotConfirmed);
    // A document read whole later replaces its failure.
    model.setDocument(document(5, kReceipt, day(4), 500), MArchiveRow::OfdConfirmed);
    QCOMPARE(model.firstUnread(), 6);
    // An empty or backward range has no rows; a huge one is bounded.
    model.setRange(9, 3);
    QCOMPARE(model.count(), 0);
    QCOMPARE(model.firstUnread(), 0);
    model.setRange(0xFFFFFF00u, 0xFFFFFFFFu);
    QCOMPARE(model.count(), 256);
}

QTEST_MAIN(TstMArchiveModel)
#include "tst_marchivemodel.moc"
