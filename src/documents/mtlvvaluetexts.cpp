#include "mtlvvaluetexts.h"

#include "tsvtable.h"

#include <QCoreApplication>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

namespace {

struct Meaning
{
    QString text;
    // Given by a range of codes, not code by code: not confirmed for this code.
    bool doubtful = false;
};

struct ValueList
{
    QMap<quint64, Meaning> codes;
    bool flags = false;
    bool hex = false; // the formats write these codes in hexadecimal
};

bool parseCode(const QString &text, quint64 *code, bool *hex)
{
    bool ok = false;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        *hex = true;
        *code = t.mid(2).toULongLong(&ok, 16);
    } else {
        *code = t.toULongLong(&ok, 10);
    }
    return ok;
}

// "7..10" with "5%, 7%, 5/105, 7/107" gives each code its own text; a range of
// flags with one text gives that text to every flag in it.
void addRow(ValueList &list, const QStringList &row)
{
    const QString &value = row.at(1);
    const QString text = QCoreApplication::translate("MTLVDocument", row.at(2).toUtf8().constData());
    quint64 first = 0;
    quint64 last = 0;
    bool hex = false;
    const qsizetype dots = value.indexOf(QLatin1String(".."));
    if (dots < 0) {
        if (parseCode(value, &first, &hex))
            list.codes.insert(first, Meaning{text, false});
        list.hex = list.hex || hex;
        return;
    }
    if (!parseCode(value.left(dots), &first, &hex) || !parseCode(value.mid(dots + 2), &last, &hex)
        || last < first)
        return;
    list.hex = list.hex || hex;
    const QStringList parts = text.split(QStringLiteral(", "));
    if (!hex && last - first < 64 && quint64(parts.size()) == last - first + 1) {
        for (quint64 code = first; code <= last; ++code)
            list.codes.insert(code, Meaning{parts.at(qsizetype(code - first)), true});
        return;
    }
    for (int bit = 0; bit < 64; ++bit) {
        const quint64 flag = quint64(1) << bit;
        if (flag >= first && flag <= last)
            list.codes.insert(flag, Meaning{text, true});
    }
}

QMap<int, ValueList> load()
{
    static const QRegularExpression also(QStringLiteral("\\balso ((?:\\d+)(?:\\s*,\\s*\\d+)*)"));
    QMap<int, ValueList> lists;
    QMap<int, QList<int>> sharing; // a list and the tags that use it too
    for (const QStringList &row : TsvTable::read(QStringLiteral(":/documents/data/values.tsv"))) {
        bool ok = false;
        const int tag = row.at(0).toInt(&ok);
        if (!ok)
            continue;
        ValueList &list = lists[tag];
        addRow(list, row);
        const QString &note = row.at(3);
        if (note.contains(QLatin1String("bit flags")))
            list.flags = true;
        const QRegularExpressionMatch match = also.match(note);
        if (match.hasMatch()) {
            for (const QString &other : match.captured(1).split(QLatin1Char(',')))
                sharing[tag].append(other.trimmed().toInt());
        }
    }
    for (auto it = lists.begin(); it != lists.end(); ++it)
        it->flags = it->flags || it->hex;
    for (auto it = sharing.cbegin(); it != sharing.cend(); ++it) {
        const ValueList list = lists.value(it.key());
        for (int other : it.value()) {
            if (!lists.contains(other))
                lists.insert(other, list);
        }
    }
    return lists;
}

const QMap<int, ValueList> &lists()
{
    static const QMap<int, ValueList> all = load();
    return all;
}

QString number(quint64 code, bool hex)
{
    return hex ? QStringLiteral("0x") + QString::number(code, 16) : QString::number(code);
}

QString meaningText(const ValueList &list, quint64 code)
{
    const auto it = list.codes.constFind(code);
    if (it == list.codes.cend())
        return number(code, list.hex);
    if (it->doubtful)
        return QStringLiteral("%1 (%2)").arg(it->text, number(code, list.hex));
    return it->text;
}

} // namespace

bool MTLVValueTexts::hasList(int tag)
{
    return lists().contains(tag);
}

QString MTLVValueTexts::text(int tag, quint64 code)
{
    const auto it = lists().constFind(tag);
    if (it == lists().cend())
        return QString::number(code);
    if (!it->flags)
        return meaningText(*it, code);
    if (code == 0)
        return QStringLiteral("0");
    QStringList set;
    for (int bit = 0; bit < 64; ++bit) {
        const quint64 flag = quint64(1) << bit;
        if (code & flag)
            set << meaningText(*it, flag);
    }
    return set.join(QStringLiteral(", "));
}
