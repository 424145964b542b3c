#include "mtlvrenderer.h"

#include "mstrfortext.h"
#include "mtlvdictionary.h"

#include <QCoreApplication>

namespace {

// Every item has a row but the empty tag 0 that ends a document read item by item.
bool hasRow(const MTLVDocument &item)
{
    return item.isKnown || item.tag != 0 || !item.data.isEmpty();
}

} // namespace

void MTLVRenderer::outTLVDocument(QStringList &lines, const MTLVDocument &item, int level)
{
    if (hasRow(item)) {
        lines << MStrForText::rowBegin();
        if (level <= 0) {
            lines << MStrForText::nameCell(item.displayName());
        } else {
            lines << MStrForText::nameCell(QStringLiteral(" "));
            for (int i = 1; i < level; ++i)
                lines << MStrForText::valueCell(QStringLiteral(" "));
            lines << MStrForText::valueCell(item.displayName());
        }
        lines << MStrForText::valueCell(item.displayText()) << MStrForText::rowEnd();
    }
    for (const MTLVDocument &child : item.children)
        outTLVDocument(lines, child, level + 1);
}

QStringList MTLVRenderer::documentPageLines(const QList<MTLVDocument> &items)
{
    QStringList lines;
    lines << MStrForText::htmlBegin() << MStrForText::titleLine(pageTitle()) << MStrForText::lineBreak()
          << MStrForText::tableBegin();
    if (!items.isEmpty()) {
        lines << MStrForText::rowBegin()
              << MStrForText::nameCell(QCoreApplication::translate("MTLVDocument", "Тип документа"))
              << MStrForText::valueCell(docTypeText(items.first().docType)) << MStrForText::rowEnd();
    }
    for (const MTLVDocument &item : items)
        outTLVDocument(lines, item, 0);
    lines << MStrForText::tableEnd() << MStrForText::htmlEnd();
    return lines;
}

QString MTLVRenderer::documentPage(const QList<MTLVDocument> &items)
{
    return documentPageLines(items).join(QString());
}

void MTLVRenderer::outTLVText(QStringList &lines, const MTLVDocument &item, int level)
{
    if (hasRow(item)) {
        QString line = QString(2 * qMax(level, 0), QLatin1Char(' ')) + item.displayName();
        const QString value = item.displayText();
        if (!value.isEmpty())
            line += (line.endsWith(QLatin1Char(':')) ? QStringLiteral(" ") : QStringLiteral(": ")) + value;
        lines << line;
    }
    for (const MTLVDocument &child : item.children)
        outTLVText(lines, child, level + 1);
}

QString MTLVRenderer::documentText(const QList<MTLVDocument> &items)
{
    QStringList lines{pageTitle()};
    if (!items.isEmpty())
        lines << QCoreApplication::translate("MTLVDocument", "Тип документа") + QStringLiteral(": ")
                     + docTypeText(items.first().docType);
    for (const MTLVDocument &item : items)
        outTLVText(lines, item, 0);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString MTLVRenderer::pageTitle()
{
    return QCoreApplication::translate("MTLVDocument",
                                       "Фискальный документ (ФД) из фискального накопителя (ФН)");
}

QString MTLVRenderer::docTypeText(quint16 docType)
{
    return QStringLiteral("%1 (%2)").arg(MTLVDictionary::docTypeNames().value(docType),
                                         QString::number(docType));
}
