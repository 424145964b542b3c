#include "mjournalpage.h"

#include <archiveexporter.h>
#include <documentformat.h>
#include <journalrecorder.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>
#include <tuple>

using journal::DocumentRow;

namespace {

constexpr int kSearchDelayMs = 250;
constexpr int kIdRole = Qt::UserRole + 1;
const QColor kFailedColor(170, 0, 0);
const QColor kDifferenceColor(255, 215, 200);

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) : QString();
}

// "2026-12-07T10:15:00" as the documents carry it, shown as the other times are.
QString documentDateText(const QString &date)
{
    const QDateTime time = QDateTime::fromString(date, Qt::ISODate);
    return time.isValid() ? time.toString(QStringLiteral("dd.MM.yyyy hh:mm")) : date;
}

QString csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << ops::ArchiveExporter::csvField(field);
    return quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
}

// The rows shown in a table widget, with its headers.
QString tableCsv(const QTableWidget *table)
{
    QStringList header;
    for (int c = 0; c < table->columnCount(); ++c)
        header << table->horizontalHeaderItem(c)->text();
    QString csv = csvLine(header);
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->isRowHidden(r))
            continue;
        QStringList fields;
        for (int c = 0; c < table->columnCount(); ++c)
            fields << (table->item(r, c) ? table->item(r, c)->text() : QString());
        csv += csvLine(fields);
    }
    return csv;
}

// One line of text a row, as the other lists of the window.
void compactRows(QTableView *view)
{
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
}

QTableWidget *makeTable(const QStringList &headers, const char *name)
{
    auto *table = new QTableWidget(0, int(headers.size()));
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    compactRows(table);
    return table;
}

void setRow(QTableWidget *table, int row, const QStringList &texts)
{
    for (int c = 0; c < texts.size(); ++c)
        table->setItem(row, c, new QTableWidgetItem(texts.at(c)));
}

QPushButton *makeButton(const QString &text, const char *name)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

// ---------------------------------------------------------------------------

MJournalDocumentModel::MJournalDocumentModel(QObject *parent) : QAbstractTableModel(parent) {}

void MJournalDocumentModel::show(const journal::ServiceJournal *journal, const QString &fnNumber,
                                 const journal::DocumentRange &range)
{
    beginResetModel();
    m_journal = journal;
    m_fn = fnNumber;
    m_range = range;
    m_range.limit = kChunk;
    m_range.offset = 0;
    m_rows.clear();
    m_more = m_journal && m_journal->isOpen() && !m_fn.isEmpty();
    endResetModel();
    if (m_more)
        fetchMore(QModelIndex());
}

const journal::DocumentRow *MJournalDocumentModel::rowAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_rows.at(row) : nullptr;
}

int MJournalDocumentModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MJournalDocumentModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool MJournalDocumentModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_more;
}

void MJournalDocumentModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_more || !m_journal)
        return;
    m_range.offset = int(m_rows.size());
    const QList<DocumentRow> chunk = m_journal->documents(m_fn, m_range);
    m_more = chunk.size() == kChunk;
    if (chunk.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + chunk.size() - 1));
    m_rows += chunk;
    endInsertRows();
}

QString MJournalDocumentModel::ofdText(int ofd)
{
    switch (ofd) {
    case DocumentRow::OfdConfirmed:
        return tr("подтверждён");
    case DocumentRow::OfdNotConfirmed:
        return tr("не подтверждён");
    default:
        return QString();
    }
}

QVariant MJournalDocumentModel::data(const QModelIndex &index, int role) const
{
    const DocumentRow *row = rowAt(index.row());
    if (!row)
        return QVariant();
    if (role == Qt::TextAlignmentRole && (index.column() == ColNumber || index.column() == ColTotal))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case ColNumber:
        return row->number;
    case ColType:
        return row->typeName.isEmpty() ? QString::number(row->type) : row->typeName;
    case ColDate:
        return documentDateText(row->date);
    case ColTotal:
        return row->total;
    case ColSign:
        return row->fiscalSign;
    case ColOfd:
        return ofdText(row->ofd);
    case ColSerial:
        return row->serial;
    default:
        return QVariant();
    }
}

QVariant MJournalDocumentModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColNumber:
        return tr("Номер ФД");
    case ColType:
        return tr("Тип");
    case ColDate:
        return tr("Дата и время");
    case ColTotal:
        return tr("Итог");
    case ColSign:
        return tr("ФП");
    case ColOfd:
        return tr("ОФД");
    case ColSerial:
        return tr("ККТ");
    default:
        return QVariant();
    }
}

// ---------------------------------------------------------------------------

MJournalPage::MJournalPage(const Host &host, QWidget *parent) : QWidget(parent), m_host(host)
{
    setObjectName(QStringLiteral("tabJournal"));
    buildUi();
    setJournal(nullptr, tr("Журнал обслуживания не открыт."));
}

void MJournalPage::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    m_state = new QLabel;
    m_state->setObjectName(QStringLiteral("labJournalState"));
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_state);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(tr("Поиск:")));
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("strJournalSearch"));
    m_search->setPlaceholderText(tr("заводской номер, ИНН, регистрационный номер или номер ФН"));
    m_search->setClearButtonEnabled(true);
    searchRow->addWidget(m_search, 1);
    QPushButton *registersCsv = makeButton(tr("Список ККТ в CSV"), "butJournalRegistersCsv");
    QPushButton *registerJson = makeButton(tr("ККТ в JSON"), "butJournalRegisterJson");
    QPushButton *allJson = makeButton(tr("Весь журнал в JSON"), "butJournalAllJson");
    searchRow->addWidget(registersCsv);
    searchRow->addWidget(registerJson);
    searchRow->addWidget(allJson);
    layout->addLayout(searchRow);

    m_registers = new QStandardItemModel(0, 8, this);
    m_registers->setHorizontalHeaderLabels({tr("Заводской №"), tr("Модель"), tr("ИНН"), tr("РН ККТ"),
                                            tr("Номер ФН"), tr("Последний визит"), tr("Визитов"),
                                            tr("Документов")});
    m_registerView = new QTableView;
    m_registerView->setObjectName(QStringLiteral("tableJournalRegisters"));
    m_registerView->setModel(m_registers);
    m_registerView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_registerView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_registerView->setSelectionMode(QAbstractItemView::SingleSelection);
    compactRows(m_registerView);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabsJournal"));
    m_visits = new QTreeWidget;
    m_visits->setObjectName(QStringLiteral("treeJournalVisits"));
    m_visits->setHeaderLabels({tr("Время"), tr("Визит / операция"), tr("Результат")});
    m_visits->setColumnWidth(0, 200);
    m_visits->setColumnWidth(1, 340);
    m_tabs->addTab(m_visits, tr("Визиты"));
    m_fns = makeTable({tr("Номер ФН"), tr("Документов"), tr("Номера ФД"), tr("Даты")}, "tableJournalFns");
    m_tabs->addTab(m_fns, tr("ФН"));
    m_tabs->addTab(buildDocumentsTab(), tr("Документы"));
    m_tabs->addTab(buildBackupsTab(), tr("Резервные копии настроек"));
    m_dumps = makeTable({tr("Время"), tr("Файл"), tr("Размер, байт"), tr("MD5")}, "tableJournalDumps");
    m_tabs->addTab(m_dumps, tr("Дампы"));

    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(m_registerView);
    split->addWidget(m_tabs);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    layout->addWidget(split, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    QPushButton *listCsv = makeButton(tr("Список вкладки в CSV"), "butJournalListCsv");
    QPushButton *refreshButton = makeButton(tr("Обновить"), "butJournalRefresh");
    bottom->addWidget(listCsv);
    bottom->addWidget(refreshButton);
    layout->addLayout(bottom);

    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(kSearchDelayMs);
    connect(m_search, &QLineEdit::textChanged, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchTimer, &QTimer::timeout, this, &MJournalPage::searchRegisters);
    connect(m_registerView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MJournalPage::showRegister);
    connect(m_fns, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        chooseFn(m_fns->item(row, 0)->text());
        m_tabs->setCurrentIndex(2);
    });
    connect(registersCsv, &QPushButton::clicked, this, &MJournalPage::exportRegistersCsv);
    connect(registerJson, &QPushButton::clicked, this, [this] { exportJson(true); });
    connect(allJson, &QPushButton::clicked, this, [this] { exportJson(false); });
    connect(listCsv, &QPushButton::clicked, this, &MJournalPage::exportCsv);
    connect(refreshButton, &QPushButton::clicked, this, &MJournalPage::refresh);
}

QWidget *MJournalPage::buildDocumentsTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(tr("ФН:")));
    m_fnBox = new QComboBox;
    m_fnBox->setObjectName(QStringLiteral("comboJournalFn"));
    m_fnBox->setMinimumContentsLength(16);
    filters->addWidget(m_fnBox);
    filters->addWidget(new QLabel(tr("Номера с")));
    m_numberFrom = new QSpinBox;
    m_numberTo = new QSpinBox;
    for (QSpinBox *box : {m_numberFrom, m_numberTo}) {
        box->setRange(0, 999999999);
        box->setSpecialValueText(tr("все"));
        box->setKeyboardTracking(false);
    }
    m_numberFrom->setObjectName(QStringLiteral("strJournalNumberFrom"));
    m_numberTo->setObjectName(QStringLiteral("strJournalNumberTo"));
    filters->addWidget(m_numberFrom);
    filters->addWidget(new QLabel(tr("по")));
    filters->addWidget(m_numberTo);
    m_datesOn = new QCheckBox(tr("Даты с"));
    m_datesOn->setObjectName(QStringLiteral("chkJournalDates"));
    m_dateFrom = new QDateEdit(QDate::currentDate().addMonths(-1));
    m_dateTo = new QDateEdit(QDate::currentDate());
    for (QDateEdit *edit : {m_dateFrom, m_dateTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    filters->addWidget(m_datesOn);
    filters->addWidget(m_dateFrom);
    filters->addWidget(new QLabel(tr("по")));
    filters->addWidget(m_dateTo);
    filters->addStretch(1);
    layout->addLayout(filters);

    m_documents = new MJournalDocumentModel(this);
    m_documentView = new QTableView;
    m_documentView->setObjectName(QStringLiteral("tableJournalDocuments"));
    m_documentView->setModel(m_documents);
    m_documentView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_documentView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_documentView->setSelectionMode(QAbstractItemView::SingleSelection);
    compactRows(m_documentView);
    layout->addWidget(m_documentView, 1);

    auto *actions = new QHBoxLayout;
    QPushButton *open = makeButton(tr("Открыть на странице ОФД/ФН"), "butJournalOpenDocument");
    m_docFormat = new QComboBox;
    m_docFormat->setObjectName(QStringLiteral("comboJournalDocFormat"));
    m_docFormat->addItem(tr("HTML"), int(DocFormat::Html));
    m_docFormat->addItem(tr("JSON"), int(DocFormat::Json));
    m_docFormat->addItem(tr("Текст"), int(DocFormat::Text));
    QPushButton *save = makeButton(tr("Сохранить документ"), "butJournalSaveDocument");
    actions->addWidget(open);
    actions->addStretch(1);
    actions->addWidget(m_docFormat);
    actions->addWidget(save);
    layout->addLayout(actions);

    connect(m_fnBox, &QComboBox::currentIndexChanged, this, &MJournalPage::showDocuments);
    connect(m_numberFrom, &QSpinBox::valueChanged, this, &MJournalPage::showDocuments);
    connect(m_numberTo, &QSpinBox::valueChanged, this, &MJournalPage::showDocuments);
    connect(m_datesOn, &QCheckBox::toggled, this, &MJournalPage::showDocuments);
    connect(m_dateFrom, &QDateEdit::dateChanged, this, &MJournalPage::showDocuments);
    connect(m_dateTo, &QDateEdit::dateChanged, this, &MJournalPage::showDocuments);
    connect(m_documentView, &QTableView::doubleClicked, this, &MJournalPage::openCurrentDocument);
    connect(open, &QPushButton::clicked, this, &MJournalPage::openCurrentDocument);
    connect(save, &QPushButton::clicked, this, &MJournalPage::saveDocument);
    return tab;
}

QWidget *MJournalPage::buildBackupsTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    auto *choice = new QHBoxLayout;
    m_backupA = new QComboBox;
    m_backupB = new QComboBox;
    m_backupA->setObjectName(QStringLiteral("comboJournalBackupA"));
    m_backupB->setObjectName(QStringLiteral("comboJournalBackupB"));
    choice->addWidget(new QLabel(tr("Копия A:")));
    choice->addWidget(m_backupA, 1);
    choice->addWidget(new QLabel(tr("Копия B:")));
    choice->addWidget(m_backupB, 1);
    m_onlyDiff = new QCheckBox(tr("Только различия"));
    m_onlyDiff->setObjectName(QStringLiteral("chkJournalOnlyDiff"));
    choice->addWidget(m_onlyDiff);
    layout->addLayout(choice);
    m_compareNote = new QLabel;
    m_compareNote->setObjectName(QStringLiteral("labJournalCompare"));
    layout->addWidget(m_compareNote);
    m_compare = makeTable({tr("Таблица"), tr("Ряд"), tr("Поле"), tr("Значение A"), tr("Значение B")},
                          "tableJournalCompare");
    layout->addWidget(m_compare, 1);
    connect(m_backupA, &QComboBox::currentIndexChanged, this, &MJournalPage::showComparison);
    connect(m_backupB, &QComboBox::currentIndexChanged, this, &MJournalPage::showComparison);
    connect(m_onlyDiff, &QCheckBox::toggled, this, [this](bool only) {
        for (int r = 0; r < m_compare->rowCount(); ++r)
            m_compare->setRowHidden(r, only && !m_differences.value(r).differs);
    });
    return tab;
}

void MJournalPage::setJournal(const journal::ServiceJournal *journal, const QString &problem)
{
    m_journal = journal;
    m_problem = problem;
    // The lists are read when the page is shown, not at the window's start.
    showState();
}

void MJournalPage::refresh()
{
    showState();
    searchRegisters();
}

void MJournalPage::showState()
{
    const bool open = m_journal && m_journal->isOpen();
    if (open && m_problem.isEmpty())
        m_state->setText(tr("Журнал обслуживания: %1").arg(QDir::toNativeSeparators(m_journal->path())));
    else
        m_state->setText(m_problem);
    m_state->setStyleSheet(m_problem.isEmpty() ? QString() : QStringLiteral("color: rgb(170, 0, 0);"));
}

void MJournalPage::searchRegisters()
{
    m_searchTimer->stop();
    const QString chosen = currentSerial();
    m_registers->removeRows(0, m_registers->rowCount());
    if (m_journal && m_journal->isOpen()) {
        for (const journal::RegisterRow &reg : m_journal->registers(m_search->text().trimmed())) {
            QList<QStandardItem *> items;
            for (const QString &text :
                 {reg.info.serial, reg.info.name.isEmpty() ? QString::number(reg.info.model) : reg.info.name,
                  reg.info.inn, reg.info.regNumber, reg.info.fnNumber, timeText(reg.lastSeen),
                  QString::number(reg.visits), QString::number(reg.documents)})
                items << new QStandardItem(text);
            items.first()->setData(reg.id, kIdRole);
            m_registers->appendRow(items);
        }
        m_registerView->resizeColumnsToContents();
    }
    // The register chosen before stays chosen while the search still finds it.
    int row = 0;
    for (int r = 0; r < m_registers->rowCount(); ++r) {
        if (m_registers->item(r, 0)->text() == chosen)
            row = r;
    }
    if (m_registers->rowCount() > 0)
        m_registerView->setCurrentIndex(m_registers->index(row, 0));
    else
        showRegister();
}

qint64 MJournalPage::currentRegisterId() const
{
    const QModelIndex index = m_registerView->currentIndex();
    return index.isValid() ? m_registers->item(index.row(), 0)->data(kIdRole).toLongLong() : 0;
}

QString MJournalPage::currentSerial() const
{
    const QModelIndex index = m_registerView->currentIndex();
    return index.isValid() ? m_registers->item(index.row(), 0)->text() : QString();
}

bool MJournalPage::chooseRegister(const QString &serial)
{
    for (int r = 0; r < m_registers->rowCount(); ++r) {
        if (m_registers->item(r, 0)->text() == serial) {
            m_registerView->setCurrentIndex(m_registers->index(r, 0));
            return true;
        }
    }
    return false;
}

void MJournalPage::showRegister()
{
    const qint64 id = currentRegisterId();
    const bool open = m_journal && m_journal->isOpen() && id > 0;
    m_visitRows = open ? m_journal->visits(id) : QList<journal::VisitRow>();
    m_visits->clear();
    for (const journal::VisitRow &visit : std::as_const(m_visitRows)) {
        int failed = 0;
        for (const journal::OperationRow &op : visit.operations)
            failed += op.ok ? 0 : 1;
        auto *item = new QTreeWidgetItem(m_visits);
        item->setText(0, timeText(visit.started));
        // The window's own visits say so in the operator's words; kelo-cli keeps its name.
        const QString by = visit.frontEnd == QLatin1String(journal::kWindowFrontEnd) ? tr("окно программы") : visit.frontEnd;
        item->setText(1, tr("Визит: %1 (%2)").arg(visit.port, by));
        QString summary = tr("ИНН %1, РН %2, ФН %3").arg(visit.inn, visit.regNumber, visit.fnNumber);
        if (failed > 0) {
            summary = tr("ошибок: %1; ").arg(failed) + summary;
            item->setForeground(2, kFailedColor);
        }
        item->setText(2, summary);
        for (const journal::OperationRow &op : visit.operations) {
            auto *child = new QTreeWidgetItem(item);
            child->setText(0, timeText(op.time));
            child->setText(1, op.name);
            child->setText(2, op.ok ? op.outcome : tr("✗ %1").arg(op.outcome));
            child->setToolTip(2, op.outcome);
            if (!op.ok) {
                for (int c = 0; c < 3; ++c)
                    child->setForeground(c, kFailedColor);
            }
        }
    }
    if (m_visits->topLevelItemCount() > 0)
        m_visits->topLevelItem(0)->setExpanded(true);

    const QList<journal::FnRow> fns = open ? m_journal->fns(id) : QList<journal::FnRow>();
    const QString fnChosen = m_fnBox->currentText();
    m_fns->setRowCount(int(fns.size()));
    {
        const QSignalBlocker blocker(m_fnBox);
        m_fnBox->clear();
        for (int r = 0; r < fns.size(); ++r) {
            const journal::FnRow &fn = fns.at(r);
            setRow(m_fns, r,
                   {fn.fnNumber, QString::number(fn.documents),
                    fn.documents > 0 ? tr("%1 – %2").arg(fn.firstNumber).arg(fn.lastNumber) : QString(),
                    fn.documents > 0
                        ? tr("%1 – %2").arg(documentDateText(fn.firstDate), documentDateText(fn.lastDate))
                        : QString()});
            m_fnBox->addItem(fn.fnNumber);
        }
        const int keep = m_fnBox->findText(fnChosen);
        m_fnBox->setCurrentIndex(keep >= 0 ? keep : 0);
    }
    m_fns->resizeColumnsToContents();
    showDocuments();

    m_backupRows = open ? m_journal->backups(id) : QList<journal::BackupRow>();
    {
        const QSignalBlocker blockA(m_backupA);
        const QSignalBlocker blockB(m_backupB);
        m_backupA->clear();
        m_backupB->clear();
        for (const journal::BackupRow &backup : std::as_const(m_backupRows)) {
            const QString text = tr("%1, %2").arg(timeText(backup.time), backup.fileName);
            m_backupA->addItem(text);
            m_backupB->addItem(text);
        }
        // The two latest: what changed since the one before.
        m_backupA->setCurrentIndex(int(m_backupRows.size()) - 2 >= 0 ? int(m_backupRows.size()) - 2 : 0);
        m_backupB->setCurrentIndex(int(m_backupRows.size()) - 1);
    }
    showComparison();

    const QList<journal::DumpRow> dumps = open ? m_journal->dumps(id) : QList<journal::DumpRow>();
    m_dumps->setRowCount(int(dumps.size()));
    for (int r = 0; r < dumps.size(); ++r) {
        const journal::DumpRow &dump = dumps.at(r);
        setRow(m_dumps, r, {timeText(dump.time), dump.fileName, QString::number(dump.size), dump.md5});
    }
    m_dumps->resizeColumnsToContents();
}

void MJournalPage::chooseFn(const QString &fnNumber)
{
    const int index = m_fnBox->findText(fnNumber);
    if (index >= 0)
        m_fnBox->setCurrentIndex(index);
}

void MJournalPage::showDocuments()
{
    journal::DocumentRange range;
    range.fromNumber = quint32(m_numberFrom->value());
    range.toNumber = quint32(m_numberTo->value());
    if (m_datesOn->isChecked()) {
        range.fromDate = m_dateFrom->date().toString(Qt::ISODate);
        range.toDate = m_dateTo->date().toString(Qt::ISODate);
    }
    m_documents->show(currentRegisterId() > 0 ? m_journal : nullptr, m_fnBox->currentText(), range);
    m_documentView->resizeColumnsToContents();
}

void MJournalPage::openCurrentDocument()
{
    const DocumentRow *shown = m_documents->rowAt(m_documentView->currentIndex().row());
    if (!shown) {
        m_host.status(tr("Выберите документ в списке."));
        return;
    }
    DocumentRow row;
    if (!m_journal || !m_journal->document(shown->fnNumber, shown->number, &row)) {
        m_host.status(tr("Документ %1 не найден в журнале.").arg(shown->number));
        return;
    }
    m_host.openDocument(row);
}

void MJournalPage::chooseBackups(int a, int b)
{
    m_backupA->setCurrentIndex(a);
    m_backupB->setCurrentIndex(b);
    showComparison();
}

bool MJournalPage::compareBackups(const QByteArray &a, const QByteArray &b, QList<MBackupDifference> *rows,
                                  QString *error)
{
    struct Cell
    {
        QString tableName, fieldName;
        QVariant a, b;
        bool inA = false, inB = false;
    };
    QMap<std::tuple<int, int, int>, Cell> cells;
    const QByteArray *files[] = {&a, &b};
    for (int side = 0; side < 2; ++side) {
        QJsonParseError parse;
        const QJsonDocument json = QJsonDocument::fromJson(*files[side], &parse);
        ops::RegisterBackup backup;
        QString reason = parse.error == QJsonParseError::NoError ? QString() : parse.errorString();
        if (!json.isObject() && reason.isEmpty())
            reason = tr("это не файл таблиц настроек ККТ");
        if (!reason.isEmpty() || !backup.fromJson(json.object(), &reason)) {
            *error = tr("Копия %1: %2").arg(side == 0 ? QStringLiteral("A") : QStringLiteral("B"), reason);
            return false;
        }
        for (const ops::TableContents &t : std::as_const(backup.tables)) {
            for (int r = 0; r < t.values.size(); ++r) {
                for (int f = 0; f < t.structure.fields.size() && f < t.values.at(r).size(); ++f) {
                    Cell &cell = cells[{t.structure.number, r + 1, t.structure.fields.at(f).number}];
                    cell.tableName = t.structure.name;
                    cell.fieldName = t.structure.fields.at(f).name;
                    (side == 0 ? cell.a : cell.b) = t.values.at(r).at(f);
                    (side == 0 ? cell.inA : cell.inB) = true;
                }
            }
        }
    }
    rows->clear();
    for (auto c = cells.constBegin(); c != cells.constEnd(); ++c) {
        MBackupDifference d;
        std::tie(d.table, d.row, d.field) = c.key();
        d.tableName = c->tableName;
        d.fieldName = c->fieldName;
        d.valueA = c->inA ? ops::SettingsTables::valueText(c->a) : QString();
        d.valueB = c->inB ? ops::SettingsTables::valueText(c->b) : QString();
        d.differs = c->inA != c->inB || !ops::SettingsTables::sameValue(c->a, c->b);
        rows->append(d);
    }
    return true;
}

void MJournalPage::showComparison()
{
    m_differences.clear();
    m_compare->setRowCount(0);
    const int a = m_backupA->currentIndex();
    const int b = m_backupB->currentIndex();
    if (m_backupRows.isEmpty()) {
        m_compareNote->setText(tr("Резервных копий настроек этой ККТ в журнале нет."));
        return;
    }
    if (a < 0 || b < 0)
        return;
    QString error;
    if (!compareBackups(m_backupRows.at(a).content, m_backupRows.at(b).content, &m_differences, &error)) {
        m_compareNote->setText(error);
        return;
    }
    int differing = 0;
    m_compare->setRowCount(int(m_differences.size()));
    for (int r = 0; r < m_differences.size(); ++r) {
        const MBackupDifference &d = m_differences.at(r);
        setRow(m_compare, r,
               {tr("%1 «%2»").arg(d.table).arg(d.tableName), QString::number(d.row),
                tr("%1 «%2»").arg(d.field).arg(d.fieldName), d.valueA, d.valueB});
        if (d.differs) {
            ++differing;
            for (int c = 0; c < m_compare->columnCount(); ++c)
                m_compare->item(r, c)->setBackground(kDifferenceColor);
        }
        m_compare->setRowHidden(r, m_onlyDiff->isChecked() && !d.differs);
    }
    m_compare->resizeColumnsToContents();
    m_compareNote->setText(tr("Полей: %1, различаются: %2.").arg(m_differences.size()).arg(differing));
}

QString MJournalPage::csvName(const QString &what) const
{
    const QString serial = currentSerial();
    return QStringLiteral("%1-%2-%3.csv")
        .arg(serial.isEmpty() ? QStringLiteral("journal") : serial, what,
             QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
}

bool MJournalPage::writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_host.status(
            tr("Ошибка записи файла %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    m_host.status(tr("Сохранено в файл: %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void MJournalPage::exportRegistersCsv()
{
    const QString path =
        m_host.chooseFile(tr("Список ККТ в CSV"), {tr("Файлы CSV (*.csv)"), tr("Все файлы (*)")},
                          QStringLiteral("csv"), QStringLiteral("registers.csv"));
    if (path.isEmpty())
        return;
    QStringList header;
    for (int c = 0; c < m_registers->columnCount(); ++c)
        header << m_registers->horizontalHeaderItem(c)->text();
    QString csv = csvLine(header);
    for (int r = 0; r < m_registers->rowCount(); ++r) {
        QStringList fields;
        for (int c = 0; c < m_registers->columnCount(); ++c)
            fields << m_registers->item(r, c)->text();
        csv += csvLine(fields);
    }
    writeFile(path, csv.toUtf8());
}

void MJournalPage::exportCsv()
{
    static const char *const names[] = {"visits", "fns", "documents", "backup-compare", "dumps"};
    const int tab = m_tabs->currentIndex();
    if (tab < 0 || tab >= int(std::size(names)))
        return;
    const QString path = m_host.chooseFile(tr("Список «%1» в CSV").arg(m_tabs->tabText(tab)),
                                           {tr("Файлы CSV (*.csv)"), tr("Все файлы (*)")},
                                           QStringLiteral("csv"), csvName(QString::fromLatin1(names[tab])));
    if (path.isEmpty())
        return;
    QString csv;
    switch (tab) {
    case 0:
        // One line per operation, its visit's columns repeated; a visit
        // without operations has one line of its own.
        csv = csvLine({tr("Визит"), tr("Порт"), tr("Программа"), tr("ИНН"), tr("РН ККТ"), tr("Номер ФН"),
                       tr("Время операции"), tr("Операция"), tr("Результат"), tr("Успешно")});
        for (const journal::VisitRow &visit : std::as_const(m_visitRows)) {
            const QStringList head{timeText(visit.started), visit.port,    visit.frontEnd, visit.inn,
                                   visit.regNumber,         visit.fnNumber};
            if (visit.operations.isEmpty())
                csv += csvLine(head + QStringList{QString(), QString(), QString(), QString()});
            for (const journal::OperationRow &op : visit.operations)
                csv += csvLine(
                    head + QStringList{timeText(op.time), op.name, op.outcome, op.ok ? tr("да") : tr("нет")});
        }
        break;
    case 1:
        csv = tableCsv(m_fns);
        break;
    case 2: {
        // Every document of the filter, also those the list has not fetched yet.
        journal::DocumentRange range = m_documents->range();
        range.limit = -1;
        range.offset = 0;
        QStringList header;
        for (int c = 0; c < MJournalDocumentModel::ColumnCount; ++c)
            header << m_documents->headerData(c, Qt::Horizontal).toString();
        csv = csvLine(header);
        if (m_journal && !m_documents->fnNumber().isEmpty()) {
            for (const DocumentRow &d : m_journal->documents(m_documents->fnNumber(), range))
                csv += csvLine({QString::number(d.number), d.typeName, d.date, d.total, d.fiscalSign,
                                MJournalDocumentModel::ofdText(d.ofd), d.serial});
        }
        break;
    }
    case 3:
        csv = tableCsv(m_compare);
        break;
    default:
        csv = tableCsv(m_dumps);
        break;
    }
    writeFile(path, csv.toUtf8());
}

void MJournalPage::exportJson(bool oneRegister)
{
    if (!m_journal || !m_journal->isOpen()) {
        m_host.status(m_problem);
        return;
    }
    const QString serial = oneRegister ? currentSerial() : QString();
    if (oneRegister && serial.isEmpty()) {
        m_host.status(tr("Выберите ККТ в списке."));
        return;
    }
    const QString path = m_host.chooseFile(
        oneRegister ? tr("ККТ %1 из журнала в JSON").arg(serial) : tr("Журнал обслуживания в JSON"),
        {tr("Файлы JSON (*.json)"), tr("Все файлы (*)")}, QStringLiteral("json"),
        QStringLiteral("%1-%2.json")
            .arg(oneRegister ? serial : QStringLiteral("journal"),
                 QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    if (!path.isEmpty())
        writeFile(path, QJsonDocument(m_journal->exportJson(serial)).toJson(QJsonDocument::Indented));
}

void MJournalPage::saveDocument()
{
    const DocumentRow *shown = m_documents->rowAt(m_documentView->currentIndex().row());
    DocumentRow row;
    if (!shown || !m_journal || !m_journal->document(shown->fnNumber, shown->number, &row)) {
        m_host.status(tr("Выберите документ в списке."));
        return;
    }
    const auto format = DocFormat(m_docFormat->currentData().toInt());
    const QString suffix = DocumentFormat::suffix(format);
    const QString path = m_host.chooseFile(
        tr("Сохранение документа %1").arg(row.number),
        {tr("Файлы %1 (*.%2)").arg(m_docFormat->currentText(), suffix), tr("Все файлы (*)")}, suffix,
        QStringLiteral("fn%1-fd%2.%3")
            .arg(row.fnNumber)
            .arg(row.number, 6, 10, QLatin1Char('0'))
            .arg(suffix));
    if (path.isEmpty())
        return;
    const ops::FnDocument doc = journal::ServiceJournal::toFnDocument(row);
    const QJsonObject extra{{QStringLiteral("number"), qint64(doc.number)},
                            {QStringLiteral("complete"), doc.isComplete()}};
    const QByteArray content = DocumentFormat::render(doc.tlvItems(), doc.docType, format, extra);
    writeFile(path, format == DocFormat::Html ? DocumentFormat::declaringUtf8(content) : content);
}
