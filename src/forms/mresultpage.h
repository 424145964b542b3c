#ifndef MRESULTPAGE_H
#define MRESULTPAGE_H

#include <QString>
#include <QStringList>

// A result page of the window being built: a title and a table of captions and
// values, in sections of their own when a page answers more than one question.
//
//     MResultPage page(tr("Запрос номера ФН"));
//     page.row(tr("Заводской номер ФН:"), reply::text(2));
//     view->setHtml(page.html());
//
// Texts are plain; the fragments escape them.
class MResultPage
{
public:
    explicit MResultPage(const QString &title);

    // Closes the table so far and opens a new titled one below it.
    void section(const QString &title);
    void row(const QString &caption, const QString &value);
    // A caption that heads the rows below it.
    void row(const QString &caption);
    // A row one column further right: a blank caption cell, then caption and value.
    void subRow(const QString &caption, const QString &value);

    // The page, its table and document closed.
    QString html() const;

private:
    QStringList m_lines;
};

#endif // MRESULTPAGE_H
