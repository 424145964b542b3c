#pragma once

// The «Архив ФН» page: a range of document numbers, the table of documents
// with its filters and search, and the page of the document chosen. Reading
// and export go through the window's connection cycle (mainform_archive.cpp);
// this class only shows and browses what was read.

#include "marchivemodel.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTextEdit;

class MArchivePage : public QWidget
{
    Q_OBJECT

public:
    explicit MArchivePage(QWidget *parent = nullptr);

    MArchiveModel *model() const { return m_model; }
    MArchiveFilter *filter() const { return m_filter; }
    QTextEdit *view() const { return m_view; }
    QSpinBox *fromBox() const { return m_from; }
    QSpinBox *toBox() const { return m_to; }
    QPushButton *readButton() const { return m_read; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *printButton() const { return m_print; }
    QPushButton *saveButton() const { return m_save; }
    QComboBox *formatBox() const { return m_format; }
    QLabel *summary() const { return m_summary; }
    // The number of the document shown; 0 when none.
    quint32 shownNumber() const { return m_shown; }

    // The type filter's list and the columns' widths made afresh from the documents read.
    void refreshTypes();
    // The page of a document: all it holds, and a note when it is not whole.
    static QString documentHtml(const ops::FnDocument &doc);

private:
    void applyFilters();
    void findNumber();
    void showCurrent();

    MArchiveModel *m_model;
    MArchiveFilter *m_filter;
    QSpinBox *m_from, *m_to, *m_find;
    QPushButton *m_read, *m_export, *m_print, *m_save;
    QComboBox *m_format, *m_type;
    QCheckBox *m_dates, *m_unconfirmed;
    QDateEdit *m_dateFrom, *m_dateTo;
    QTableView *m_table;
    QTextEdit *m_view;
    QLabel *m_summary;
    quint32 m_shown = 0;
};
