#ifndef MTABLEFIELDDELEGATE_H
#define MTABLEFIELDDELEGATE_H

#include <settingstables.h>

#include <QList>
#include <QStyledItemDelegate>

// The editor of one value of a settings table, chosen by its column's field:
// a number is typed as decimal digits within the field's range (64-bit ranges
// included), a text may take no more bytes in Windows-1251 than the field has.
// A value is never put into the model here: valueEntered() hands it over, and
// refused() says why an entry was not taken.
class MTableFieldDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit MTableFieldDelegate(QObject *parent = nullptr);

    // The fields of the table shown, one per column.
    void setFields(const QList<ops::TableField> &fields) { m_fields = fields; }
    // What a field takes, for the line beside the grid.
    static QString fieldHint(const ops::TableField &field);
    // The bytes left for a text, or what is wrong with a number typed so far.
    static QString typingHint(const ops::TableField &field, const QString &text);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

signals:
    void valueEntered(const QModelIndex &index, const QVariant &value) const;
    void refused(const QString &reason) const;
    void hintChanged(const QString &hint) const;

private:
    const ops::TableField *fieldAt(const QModelIndex &index) const;

    QList<ops::TableField> m_fields;
};

#endif // MTABLEFIELDDELEGATE_H
