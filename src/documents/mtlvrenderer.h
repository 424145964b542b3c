#ifndef MTLVRENDERER_H
#define MTLVRENDERER_H

#include "mtlvdocument.h"

#include <QList>
#include <QString>
#include <QStringList>

// Renders fiscal documents for people: the HTML page the window shows (and saves),
// and a plain-text form for command-line tools. Needs no widgets.
//
// The window, after reading the top-level items of a document in order:
//     view->setHtml(MTLVRenderer::documentPage(items));
class MTLVRenderer
{
public:
    // Appends the table row of `item` and, recursively, the rows
    // of its children. At level 0 the name is in a caption cell; at level n > 0 it moves
    // n columns to the right, after a blank caption cell and n - 1 blank value cells.
    static void outTLVDocument(QStringList &lines, const MTLVDocument &item, int level);

    // The whole page: title, a "Тип документа" row naming the type of the first item,
    // then the rows of every item. An empty list gives the page with an empty table.
    static QStringList documentPageLines(const QList<MTLVDocument> &items);
    static QString documentPage(const QList<MTLVDocument> &items);

    // Plain text: "name: value" per item, indented two blanks per level.
    static void outTLVText(QStringList &lines, const MTLVDocument &item, int level);
    static QString documentText(const QList<MTLVDocument> &items);

    static QString pageTitle();
    // "Кассовый чек (3)"; an unlisted code gives " (99)".
    static QString docTypeText(quint16 docType);
};

#endif // MTLVRENDERER_H
