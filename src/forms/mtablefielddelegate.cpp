#include "mtablefielddelegate.h"

#include <registertext.h>

#include <QLineEdit>
#include <QValidator>

using ops::SettingsTables;
using ops::TableField;

namespace {

// Keeps out what can never become a value of the field: anything but digits,
// or more digits than 2^64 has, in a number; a text longer than the field or
// with a character Windows-1251 does not have. A number out of range stays
// intermediate, so Enter does not take it.
class FieldValidator : public QValidator
{
public:
    FieldValidator(const TableField &field, QObject *parent) : QValidator(parent), m_field(field) {}

    State validate(QString &input, int &) const override
    {
        if (m_field.text)
            return SettingsTables::validate(m_field, input).isEmpty() ? Acceptable : Invalid;
        if (input.size() > 20)
            return Invalid;
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Invalid;
        }
        QVariant value;
        QString error;
        return SettingsTables::parseValue(m_field, input, &value, &error) ? Acceptable : Intermediate;
    }

private:
    TableField m_field;
};

} // namespace

MTableFieldDelegate::MTableFieldDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

const TableField *MTableFieldDelegate::fieldAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.column() < 0 || index.column() >= m_fields.size())
        return nullptr;
    return &m_fields.at(index.column());
}

QString MTableFieldDelegate::fieldHint(const TableField &field)
{
    if (field.text)
        return tr("Поле %1 «%2»: текст до %3 байт.").arg(field.number).arg(field.name).arg(field.size);
    return tr("Поле %1 «%2»: число от %3 до %4.")
        .arg(field.number)
        .arg(field.name)
        .arg(field.min)
        .arg(field.max);
}

QString MTableFieldDelegate::typingHint(const TableField &field, const QString &text)
{
    if (field.text) {
        const qsizetype left = field.size - toRegisterText(text).size();
        return tr("Осталось байт: %1 из %2.").arg(left).arg(field.size);
    }
    QVariant value;
    QString error;
    if (SettingsTables::parseValue(field, text, &value, &error))
        return fieldHint(field);
    return error;
}

QWidget *MTableFieldDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                           const QModelIndex &index) const
{
    const TableField *field = fieldAt(index);
    if (!field)
        return nullptr;
    auto *editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setValidator(new FieldValidator(*field, editor));
    const TableField copy = *field;
    connect(editor, &QLineEdit::textChanged, this,
            [this, copy](const QString &text) { emit hintChanged(typingHint(copy, text)); });
    return editor;
}

void MTableFieldDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(index.data(Qt::EditRole).toString());
        if (const TableField *field = fieldAt(index))
            emit hintChanged(typingHint(*field, line->text()));
    }
}

void MTableFieldDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    const TableField *field = fieldAt(index);
    if (!line || !field)
        return;
    QVariant value;
    QString error;
    if (!SettingsTables::parseValue(*field, line->text(), &value, &error)) {
        emit refused(error);
        return;
    }
    emit valueEntered(index, value);
}
