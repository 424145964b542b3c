#pragma once

// The «Архив ФН» page: a range of document numbers, the table of documents
// with its filters and search, and the page of the document chosen. Reading
// and export go through the window's connection cycle (mainform_archive.cpp);
// this class only shows and browses what was read.

#include "marchivemodel.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTextEdit;

namespace Ui {
class MArchivePage;
}

class MArchivePage : public QWidget
{
    Q_OBJECT

public:
    explicit MArchivePage(QWidget *parent = nullptr);
    ~MArchivePage() override;

    MArchiveModel *model() const { return m_model; }
    MArchiveFilter *filter() const { return m_filter; }
    QTextEdit *view() const;
    QSpinBox *fromBox() const;
    QSpinBox *toBox() const;
    QPushButton *readButton() const;
    QPushButton *exportButton() const;
    QPushButton *printButton() const;
    QPushButton *saveButton() const;
    QComboBox *formatBox() const;
    QLabel *summary() const;
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

    Ui::MArchivePage *ui;
    MArchiveModel *m_model;
    MArchiveFilter *m_filter;
    quint32 m_shown = 0;
};
