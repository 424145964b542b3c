#include "mresultpage.h"

#include <mstrfortext.h>

MResultPage::MResultPage(const QString &title)
{
    m_lines << MStrForText::htmlBegin() << MStrForText::titleLine(title) << MStrForText::lineBreak()
            << MStrForText::tableBegin();
}

void MResultPage::section(const QString &title)
{
    m_lines << MStrForText::tableEnd() << MStrForText::lineBreak() << MStrForText::titleLine(title)
            << MStrForText::lineBreak() << MStrForText::tableBegin();
}

void MResultPage::row(const QString &caption, const QString &value)
{
    m_lines << MStrForText::rowBegin() << MStrForText::nameCell(caption) << MStrForText::valueCell(value)
            << MStrForText::rowEnd();
}

void MResultPage::row(const QString &caption)
{
    m_lines << MStrForText::rowBegin() << MStrForText::nameCell(caption) << MStrForText::rowEnd();
}

void MResultPage::subRow(const QString &caption, const QString &value)
{
    m_lines << MStrForText::rowBegin() << MStrForText::nameCell(QStringLiteral(" "))
            << MStrForText::valueCell(caption) << MStrForText::valueCell(value) << MStrForText::rowEnd();
}

QString MResultPage::html() const
{
    return (QStringList(m_lines) << MStrForText::tableEnd() << MStrForText::htmlEnd()).join(QString());
}
