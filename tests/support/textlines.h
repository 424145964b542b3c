#pragma once

// What a rich text shows, a line each: a paragraph as "# " and its text, a table
// row as its cells joined by " | ", without empty cells at its end.

#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

inline QStringList linesOf(const QTextDocument *document)
{
    QStringList lines;
    QTextFrame *root = document->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        auto *table = qobject_cast<QTextTable *>(it.currentFrame());
        if (!table && !it.currentBlock().text().trimmed().isEmpty())
            lines << QStringLiteral("# ") + it.currentBlock().text();
        for (int r = 0; table && r < table->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QTextCursor cursor = cell.firstCursorPosition();
                cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                if (cell.column() == c) // rows shorter than the widest row end in empty cells
                    cells << cursor.selectedText();
            }
            while (!cells.isEmpty() && cells.last().isEmpty())
                cells.removeLast();
            lines << cells.join(QStringLiteral(" | "));
        }
    }
    return lines;
}
