#include "marchivepage.h"
#include "ui_marchivepage.h"

#include <documentformat.h>
#include <mstrfortext.h>
#include <mtlvrenderer.h>

#include <QCoreApplication>

MArchivePage::MArchivePage(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MArchivePage)
    , m_model(new MArchiveModel(this))
    , m_filter(new MArchiveFilter(this))
{
    ui->setupUi(this);
    ui->comboArchiveFormat->addItem(tr("HTML"), int(DocFormat::Html));
    ui->comboArchiveFormat->addItem(tr("JSON"), int(DocFormat::Json));
    ui->comboArchiveFormat->addItem(tr("Текст"), int(DocFormat::Text));
    ui->dateArchiveFrom->setDate(QDate::currentDate().addMonths(-1));
    ui->dateArchiveTo->setDate(QDate::currentDate());
    ui->splitArchive->setStretchFactor(0, 3);
    ui->splitArchive->setStretchFactor(1, 2);
    refreshTypes();
    m_filter->setSourceModel(m_model);
    ui->tableArchive->setModel(m_filter);

    connect(ui->comboArchiveType, &QComboBox::currentIndexChanged, this, &MArchivePage::applyFilters);
    connect(ui->chkArchiveDates, &QCheckBox::toggled, this, &MArchivePage::applyFilters);
    connect(ui->dateArchiveFrom, &QDateEdit::dateChanged, this, &MArchivePage::applyFilters);
    connect(ui->dateArchiveTo, &QDateEdit::dateChanged, this, &MArchivePage::applyFilters);
    connect(ui->chkArchiveUnconfirmed, &QCheckBox::toggled, this, &MArchivePage::applyFilters);
    connect(ui->strArchiveFind, &QSpinBox::editingFinished, this, &MArchivePage::findNumber);
    connect(ui->tableArchive->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MArchivePage::showCurrent);
    // A row read while it is the current one shows its document at once.
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from) {
        if (m_filter->mapToSource(ui->tableArchive->currentIndex()).row() == from.row())
            showCurrent();
    });
}

MArchivePage::~MArchivePage()
{
    delete ui;
}

QTextEdit *MArchivePage::view() const
{
    return ui->textArchiveDocument;
}
QSpinBox *MArchivePage::fromBox() const
{
    return ui->strArchiveFrom;
}
QSpinBox *MArchivePage::toBox() const
{
    return ui->strArchiveTo;
}
QPushButton *MArchivePage::readButton() const
{
    return ui->butArchiveRead;
}
QPushButton *MArchivePage::exportButton() const
{
    return ui->butArchiveExport;
}
QPushButton *MArchivePage::printButton() const
{
    return ui->butArchivePrint;
}
QPushButton *MArchivePage::saveButton() const
{
    return ui->butArchiveSave;
}
QComboBox *MArchivePage::formatBox() const
{
    return ui->comboArchiveFormat;
}
QLabel *MArchivePage::summary() const
{
    return ui->labArchiveSummary;
}

void MArchivePage::refreshTypes()
{
    const int chosen =
        ui->comboArchiveType->currentData().isValid() ? ui->comboArchiveType->currentData().toInt() : -1;
    const QSignalBlocker blocker(ui->comboArchiveType);
    ui->comboArchiveType->clear();
    ui->comboArchiveType->addItem(tr("Все"), -1);
    for (const auto &[code, name] : m_model->types())
        ui->comboArchiveType->addItem(QStringLiteral("%1 (%2)").arg(name).arg(code), code);
    ui->comboArchiveType->setCurrentIndex(qMax(0, ui->comboArchiveType->findData(chosen)));
    ui->tableArchive->resizeColumnsToContents();
}

void MArchivePage::applyFilters()
{
    const bool dates = ui->chkArchiveDates->isChecked();
    ui->dateArchiveFrom->setEnabled(dates);
    ui->dateArchiveTo->setEnabled(dates);
    m_filter->setType(ui->comboArchiveType->currentData().toInt());
    m_filter->setDates(dates ? ui->dateArchiveFrom->date() : QDate(),
                       dates ? ui->dateArchiveTo->date() : QDate());
    m_filter->setUnconfirmedOnly(ui->chkArchiveUnconfirmed->isChecked());
}

void MArchivePage::findNumber()
{
    const int row = m_model->rowOf(quint32(ui->strArchiveFind->value()));
    const QModelIndex at = m_filter->mapFromSource(m_model->index(row, 0));
    if (!at.isValid())
        return;
    ui->tableArchive->setCurrentIndex(at);
    ui->tableArchive->scrollTo(at);
}

void MArchivePage::showCurrent()
{
    const MArchiveRow *row = m_model->rowAt(m_filter->mapToSource(ui->tableArchive->currentIndex()).row());
    if (!row || row->state == MArchiveRow::NotRead) {
        m_shown = 0;
        ui->textArchiveDocument->clear();
        return;
    }
    m_shown = row->number;
    ui->textArchiveDocument->setHtml(documentHtml(row->doc));
}

QString MArchivePage::documentHtml(const ops::FnDocument &doc)
{
    if (doc.items.isEmpty())
        return MStrForText::tableEnd() + MStrForText::htmlEnd();
    QStringList lines = MTLVRenderer::documentPageLines(doc.tlvItems());
    // The items read before a failure, damage or the bound are shown, but the
    // page says the document is incomplete, so neither it nor a saved copy of
    // it can pass for the whole document.
    if (!doc.isComplete()) {
        const QString note = QCoreApplication::translate(
                                 "MMainForm", "Документ прочитан не полностью (элементов: %1, байт: %2).")
                                 .arg(doc.items.size())
                                 .arg(doc.bytes);
        lines.insert(lines.size() - 1, MStrForText::titleLine(note));
    }
    return lines.join(QString());
}
