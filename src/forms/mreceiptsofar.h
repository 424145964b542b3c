#ifndef MRECEIPTSOFAR_H
#define MRECEIPTSOFAR_H

#include <QList>
#include <QPair>
#include <QString>

// The receipt being built, as the window has sent it: what the operator sees
// on the page between opening a receipt and closing it. Sums in kopecks.
class MReceiptSoFar
{
public:
    struct Line
    {
        QString name;
        double quantity;
        qint64 price;
        bool storno;
        qint64 sum() const;
    };

    void open(int type);
    void clear();
    bool isOpen() const { return m_open; }
    void addLine(const Line &line);
    // A discount (negative) or a surcharge on the whole receipt.
    void addAdjustment(const QString &name, qint64 amount);
    qint64 total() const;

    // Caption and value rows for the page.
    QList<QPair<QString, QString>> rows() const;

    static qint64 kopecks(double money);

private:
    bool m_open = false;
    int m_type = 0;
    QList<Line> m_lines;
    QList<QPair<QString, qint64>> m_adjustments;
};

#endif // MRECEIPTSOFAR_H
