#include "marchivepage.h"

#include <documentformat.h>
#include <mstrfortext.h>
#include <mtlvrenderer.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

template<typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QSpinBox *numberBox(const char *name)
{
    auto *box = named(new QSpinBox, name);
    box->setRange(0, 0x7FFFFFFF);
    box->setMinimumWidth(90);
    return box;
}

} // namespace

MArchivePage::MArchivePage(QWidget *parent)
    : QWidget(parent)
    , m_model(new MArchiveModel(this))
    , m_filter(new MArchiveFilter(this))
    , m_from(numberBox("strArchiveFrom"))
    , m_to(numberBox("strArchiveTo"))
    , m_find(numberBox("strArchiveFind"))
    , m_read(named(new QPushButton(tr("Прочитать")), "butArchiveRead"))
    , m_export(named(new QPushButton(tr("Экспорт…")), "butArchiveExport"))
    , m_print(named(new QPushButton(tr("Печать")), "butArchivePrint"))
    , m_save(named(new QPushButton(tr("Сохранить")), "butArchiveSave"))
    , m_format(named(new QComboBox, "comboArchiveFormat"))
    , m_type(named(new QComboBox, "comboArchiveType"))
    , m_dates(named(new QCheckBox(tr("Даты с")), "chkArchiveDates"))
    , m_unconfirmed(named(new QCheckBox(tr("Не подтвержденные ОФД")), "chkArchiveUnconfirmed"))
    , m_dateFrom(named(new QDateEdit(QDate::currentDate().addMonths(-1)), "dateArchiveFrom"))
    , m_dateTo(named(new QDateEdit(QDate::currentDate()), "dateArchiveTo"))
    , m_table(named(new QTableView, "tableArchive"))
    , m_view(named(new QTextEdit, "textArchiveDocument"))
    , m_summary(named(new QLabel, "labArchiveSummary"))
{
    setObjectName(QStringLiteral("tabArchive"));
    // 0 in the range's end: up to the last document the FN reports.
    m_from->setValue(1);
    m_to->setSpecialValueText(tr("последнего"));
    m_find->setSpecialValueText(tr("—"));
    m_format->addItem(tr("HTML"), int(DocFormat::Html));
    m_format->addItem(tr("JSON"), int(DocFormat::Json));
    m_format->addItem(tr("Текст"), int(DocFormat::Text));
    m_dateFrom->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_dateTo->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_dateFrom->setCalendarPopup(true);
    m_dateTo->setCalendarPopup(true);
    m_dateFrom->setEnabled(false);
    m_dateTo->setEnabled(false);
    refreshTypes();

    m_filter->setSourceModel(m_model);
    m_table->setModel(m_filter);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_view->setReadOnly(true);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *range = new QHBoxLayout;
    range->addWidget(new QLabel(tr("Документы с")));
    range->addWidget(m_from);
    range->addWidget(new QLabel(tr("по")));
    range->addWidget(m_to);
    range->addWidget(m_read);
    range->addStretch();
    range->addWidget(m_format);
    range->addWidget(m_export);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(tr("Тип:")));
    filters->addWidget(m_type, 1);
    filters->addWidget(m_dates);
    filters->addWidget(m_dateFrom);
    filters->addWidget(new QLabel(tr("по")));
    filters->addWidget(m_dateTo);
    filters->addWidget(m_unconfirmed);
    filters->addWidget(new QLabel(tr("Найти №:")));
    filters->addWidget(m_find);

    auto *document = new QWidget;
    auto *documentLayout = new QVBoxLayout(document);
    documentLayout->setContentsMargins(0, 0, 0, 0);
    documentLayout->addWidget(m_view);
    auto *documentButtons = new QHBoxLayout;
    documentButtons->addStretch();
    documentButtons->addWidget(m_print);
    documentButtons->addWidget(m_save);
    documentLayout->addLayout(documentButtons);

    auto *split = new QSplitter(Qt::Horizontal);
    split->addWidget(m_table);
    split->addWidget(document);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addWidget(m_summary);

    connect(m_type, &QComboBox::currentIndexChanged, this, &MArchivePage::applyFilters);
    connect(m_dates, &QCheckBox::toggled, this, &MArchivePage::applyFilters);
    connect(m_dateFrom, &QDateEdit::dateChanged, this, &MArchivePage::applyFilters);
    connect(m_dateTo, &QDateEdit::dateChanged, this, &MArchivePage::applyFilters);
    connect(m_unconfirmed, &QCheckBox::toggled, this, &MArchivePage::applyFilters);
    connect(m_find, &QSpinBox::editingFinished, this, &MArchivePage::findNumber);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MArchivePage::showCurrent);
    // A row read while it is the current one shows its document at once.
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from) {
        if (m_filter->mapToSource(m_table->currentIndex()).row() == from.row())
            showCurrent();
    });
}

void MArchivePage::refreshTypes()
{
    const int chosen = m_type->currentData().isValid() ? m_type->currentData().toInt() : -1;
    const QSignalBlocker blocker(m_type);
    m_type->clear();
    m_type->addItem(tr("Все"), -1);
    for (const auto &[code, name] : m_model->types())
        m_type->addItem(QStringLiteral("%1 (%2)").arg(name).arg(code), code);
    m_type->setCurrentIndex(qMax(0, m_type->findData(chosen)));
    m_table->resizeColumnsToContents();
}

void MArchivePage::applyFilters()
{
    const bool dates = m_dates->isChecked();
    m_dateFrom->setEnabled(dates);
    m_dateTo->setEnabled(dates);
    m_filter->setType(m_type->currentData().toInt());
    m_filter->setDates(dates ? m_dateFrom->date() : QDate(), dates ? m_dateTo->date() : QDate());
    m_filter->setUnconfirmedOnly(m_unconfirmed->isChecked());
}

void MArchivePage::findNumber()
{
    const int row = m_model->rowOf(quint32(m_find->value()));
    const QModelIndex at = m_filter->mapFromSource(m_model->index(row, 0));
    if (!at.isValid())
        return;
    m_table->setCurrentIndex(at);
    m_table->scrollTo(at);
}

void MArchivePage::showCurrent()
{
    const MArchiveRow *row = m_model->rowAt(m_filter->mapToSource(m_table->currentIndex()).row());
    if (!row || row->state == MArchiveRow::NotRead) {
        m_shown = 0;
        m_view->clear();
        return;
    }
    m_shown = row->number;
    m_view->setHtml(documentHtml(row->doc));
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
