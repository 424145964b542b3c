#include "mtablespage.h"

#include "mtablefielddelegate.h"

#include <registerconnector.h>
#include <registerfields.h>

#include <QDate>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

using ops::CellChange;
using ops::CellWrite;
using ops::RegisterBackup;
using ops::SettingsTables;
using ops::TableContents;
using ops::TableStructure;

namespace {

const QColor kChangedColor(255, 236, 160);
const QColor kFailedColor(255, 180, 180);
// Lines of differences shown in the confirmation itself; all of them are in its details.
constexpr int kShownDifferences = 15;
constexpr int kShownSkipped = 5;

enum ListColumn { ColNumber, ColName, ColRows, ColFields, ListColumns };

// A value as one line: control characters of a text from the register or a
// file would break the line or hide what follows.
QString shownValue(const ops::TableField &field, const QVariant &value)
{
    QString text = SettingsTables::valueText(value);
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar(0xB7);
    }
    return field.text ? QStringLiteral("«%1»").arg(text) : text;
}

// A long field name goes over two lines of the column's header, broken at
// the space nearest its middle.
QString headerText(const QString &name)
{
    constexpr int kOneLine = 18;
    if (name.size() <= kOneLine)
        return name;
    const int middle = int(name.size() / 2);
    int best = -1;
    for (int i = 0; i < name.size(); ++i) {
        if (name.at(i) == QLatin1Char(' ') && (best < 0 || qAbs(i - middle) < qAbs(best - middle)))
            best = i;
    }
    if (best < 0)
        return name;
    return name.left(best) + QLatin1Char('\n') + name.mid(best + 1);
}

} // namespace

MTablesPage::MTablesPage(const Host &host, QWidget *parent) : QWidget(parent), m_host(host)
{
    setObjectName(QStringLiteral("pageTables"));
    buildLayout();
}

void MTablesPage::buildLayout()
{
    m_tableList = new QTableWidget(0, ListColumns, this);
    m_tableList->setObjectName(QStringLiteral("tableTables_List"));
    m_tableList->setHorizontalHeaderLabels({tr("№"), tr("Название"), tr("Рядов"), tr("Полей")});
    m_tableList->verticalHeader()->hide();
    m_tableList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tableList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableList->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tableList->horizontalHeader()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    connect(m_tableList, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (m_busy || row < 0 || row >= m_list.size())
            return;
        openTable(m_list.at(row).number);
    });

    m_tableTitle = new QLabel(tr("Таблица не выбрана."), this);
    m_tableTitle->setObjectName(QStringLiteral("labTables_Title"));
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("tableTables_Values"));
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_grid->horizontalHeader()->setMinimumSectionSize(60);
    m_delegate = new MTableFieldDelegate(m_grid);
    m_grid->setItemDelegate(m_delegate);
    connect(m_delegate, &MTableFieldDelegate::valueEntered, this, &MTablesPage::onValueEntered);
    connect(m_delegate, &MTableFieldDelegate::refused, this, [this](const QString &reason) {
        m_hint->setText(reason);
        m_host.status(tr("Значение не принято: %1").arg(reason));
    });
    connect(m_delegate, &MTableFieldDelegate::hintChanged, this,
            [this](const QString &hint) { m_hint->setText(hint); });
    connect(m_grid, &QTableWidget::currentCellChanged, this, &MTablesPage::updateHint);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("labTables_Hint"));

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(new QLabel(tr("Таблицы ККТ:"), left));
    leftLayout->addWidget(m_tableList);
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_tableTitle);
    rightLayout->addWidget(m_grid);
    rightLayout->addWidget(m_hint);
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);

    const auto button = [this](const char *name, const QString &text, void (MTablesPage::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_read = new QPushButton(tr("Прочитать"), this);
    m_read->setObjectName(QStringLiteral("butTables_Read"));
    m_read->setAutoDefault(false);
    connect(m_read, &QPushButton::clicked, this, [this] {
        if (m_current == 0 || m_list.isEmpty()) {
            readList();
            return;
        }
        const int typed = int(m_tables.value(m_current).wanted.size());
        if (typed > 0
            && !m_host.confirm(tr("Изменения, не записанные в ККТ, будут потеряны: ячеек %1.").arg(typed),
                               QString(), QString()))
            return;
        readTable(m_current);
    });
    m_write = button("butTables_Write", tr("Записать изменения"), &MTablesPage::writeChanges);
    m_save = button("butTables_Save", tr("Сохранить настройки в файл"), &MTablesPage::saveToFile);
    m_load = button("butTables_Load", tr("Загрузить настройки из файла"), &MTablesPage::loadFromFile);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_read);
    buttons->addWidget(m_write);
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_load);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
}

void MTablesPage::opened()
{
    if (m_listTried)
        return;
    m_listTried = true;
    readList();
}

void MTablesPage::forget()
{
    m_list.clear();
    m_tables.clear();
    m_current = 0;
    m_listTried = false;
    showList();
    showTable();
}

bool MTablesPage::run(const std::function<bool(SettingsTables &)> &body)
{
    SettingsTables tables(m_host.exec, m_host.password());
    tables.setProgress(m_host.progress);
    m_busy = true;
    m_host.showProgress(true);
    const bool ok = body(tables);
    m_host.showProgress(false);
    m_host.release();
    m_busy = false;
    if (!ok)
        m_host.status(tables.stopped() ? tr("Чтение таблиц прервано пользователем.") : tables.error());
    return ok;
}

bool MTablesPage::readList()
{
    m_host.status(tr("Чтение списка таблиц..."));
    QList<TableStructure> list;
    if (!run([&list](SettingsTables &t) { return t.listTables(&list); }))
        return false;
    m_list = list;
    // A table the register no longer lists, or lists with another shape, is forgotten.
    QMap<int, TableState> kept;
    for (const TableStructure &s : std::as_const(m_list)) {
        const auto it = m_tables.constFind(s.number);
        if (it != m_tables.constEnd() && it->contents.structure.name == s.name
            && it->contents.structure.rows == s.rows && it->contents.structure.fieldCount == s.fieldCount)
            kept.insert(s.number, *it);
    }
    m_tables = kept;
    m_current = 0;
    showList();
    showTable();
    m_host.status(tr("Таблиц в ККТ: %1.").arg(m_list.size()));
    if (!m_list.isEmpty())
        m_tableList->setCurrentCell(0, ColNumber); // opens the first one
    return true;
}

bool MTablesPage::readTable(int number)
{
    m_host.status(tr("Чтение таблицы %1...").arg(number));
    TableContents contents;
    const bool ok = run([number, &contents](SettingsTables &t) {
        TableStructure structure;
        return t.readStructure(number, &structure) && t.readContents(structure, &contents);
    });
    m_current = number;
    if (ok) {
        TableState &state = m_tables[number];
        state = TableState();
        state.contents = contents;
        state.read = true;
        m_host.status(tr("Таблица %1 «%2» прочитана.").arg(number).arg(contents.structure.name));
    }
    showList();
    showTable();
    return ok;
}

void MTablesPage::openTable(int number)
{
    const auto it = m_tables.constFind(number);
    if (it != m_tables.constEnd() && it->read) {
        m_current = number;
        showList();
        showTable();
        return;
    }
    readTable(number);
}

void MTablesPage::showList()
{
    const bool wasBusy = m_busy;
    m_busy = true;
    m_tableList->setRowCount(int(m_list.size()));
    for (int i = 0; i < m_list.size(); ++i) {
        const TableStructure &s = m_list.at(i);
        const QStringList texts{QString::number(s.number), s.name, QString::number(s.rows),
                                QString::number(s.fieldCount)};
        // A table with values typed and not yet written stands out.
        const auto it = m_tables.constFind(s.number);
        const bool pending = it != m_tables.constEnd() && !it->wanted.isEmpty();
        for (int c = 0; c < ListColumns; ++c) {
            auto *item = new QTableWidgetItem(texts.at(c));
            QFont font = item->font();
            font.setBold(pending);
            item->setFont(font);
            if (c != ColName)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_tableList->setItem(i, c, item);
        }
        if (s.number == m_current)
            m_tableList->setCurrentCell(i, ColNumber);
    }
    m_busy = wasBusy;
}

void MTablesPage::showTable()
{
    const auto it = m_tables.constFind(m_current);
    if (it == m_tables.constEnd() || !it->read) {
        m_grid->clear();
        m_grid->setRowCount(0);
        m_grid->setColumnCount(0);
        m_delegate->setFields({});
        m_tableTitle->setText(m_current ? tr("Таблица %1 не прочитана.").arg(m_current)
                                        : tr("Таблица не выбрана."));
        m_hint->clear();
        return;
    }
    const TableStructure &s = it->contents.structure;
    m_tableTitle->setText(tr("Таблица %1 «%2»: рядов %3, полей %4.")
                              .arg(s.number)
                              .arg(s.name)
                              .arg(s.rows)
                              .arg(s.fields.size()));
    m_delegate->setFields(s.fields);
    m_grid->clear();
    m_grid->setRowCount(s.rows);
    m_grid->setColumnCount(int(s.fields.size()));
    for (int f = 0; f < s.fields.size(); ++f) {
        auto *header = new QTableWidgetItem(headerText(s.fields.at(f).name));
        header->setToolTip(MTableFieldDelegate::fieldHint(s.fields.at(f)));
        m_grid->setHorizontalHeaderItem(f, header);
    }
    for (int r = 1; r <= s.rows; ++r) {
        for (int f = 1; f <= s.fields.size(); ++f)
            showCell(r, f);
    }
    m_grid->resizeColumnsToContents();
    // A long text field would push the others out of sight.
    constexpr int kMaxColumnWidth = 320;
    for (int f = 0; f < m_grid->columnCount(); ++f)
        m_grid->setColumnWidth(f, qMin(m_grid->columnWidth(f), kMaxColumnWidth));
    updateHint();
}

void MTablesPage::showCell(int row, int field)
{
    const TableState &state = m_tables[m_current];
    const ops::TableField &f = state.contents.structure.fields.at(field - 1);
    const Cell cell(row, field);
    const QVariant value = state.wanted.value(cell, state.contents.values.value(row - 1).value(field - 1));
    auto *item = new QTableWidgetItem(SettingsTables::valueText(value));
    if (!f.text)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto failed = state.failed.constFind(cell);
    if (failed != state.failed.constEnd()) {
        item->setBackground(kFailedColor);
        item->setToolTip(*failed);
    } else if (state.wanted.contains(cell)) {
        item->setBackground(kChangedColor);
        item->setToolTip(tr("Изменено, не записано. В ККТ: %1")
                             .arg(shownValue(f, state.contents.values.value(row - 1).value(field - 1))));
    }
    m_grid->setItem(row - 1, field - 1, item);
}

void MTablesPage::updateHint()
{
    const auto it = m_tables.constFind(m_current);
    const int column = m_grid->currentColumn();
    if (it == m_tables.constEnd() || column < 0 || column >= it->contents.structure.fields.size()) {
        m_hint->clear();
        return;
    }
    m_hint->setText(MTableFieldDelegate::fieldHint(it->contents.structure.fields.at(column)));
}

void MTablesPage::onValueEntered(const QModelIndex &index, const QVariant &value)
{
    const auto it = m_tables.find(m_current);
    if (it == m_tables.end() || !it->read)
        return;
    const Cell cell(index.row() + 1, index.column() + 1);
    const QVariant inRegister = it->contents.values.value(cell.first - 1).value(cell.second - 1);
    if (SettingsTables::sameValue(value, inRegister))
        it->wanted.remove(cell);
    else
        it->wanted.insert(cell, value);
    it->failed.remove(cell);
    // The item is made anew after the editor has closed.
    QMetaObject::invokeMethod(
        this,
        [this, cell, table = m_current] {
            if (table == m_current && m_tables.value(table).read)
                showCell(cell.first, cell.second);
        },
        Qt::QueuedConnection);
    showList();
    m_host.status(tr("Изменённых ячеек в таблице: %1.").arg(it->wanted.size()));
}

QString MTablesPage::applyWrites(const QList<CellWrite> &writes, int asked)
{
    int written = 0;
    QString firstError;
    for (const CellWrite &w : writes) {
        const auto it = m_tables.find(w.cell.table);
        if (it == m_tables.end() || !it->read)
            continue;
        const Cell cell(w.cell.row, w.cell.field.number);
        const int r = w.cell.row - 1;
        const int f = w.cell.field.number - 1;
        if (r < 0 || r >= it->contents.values.size() || f < 0 || f >= it->contents.values.at(r).size())
            continue;
        if (w.readBack)
            it->contents.values[r][f] = w.value;
        if (w.matches()) {
            ++written;
            it->wanted.remove(cell);
            it->failed.remove(cell);
        } else {
            it->wanted.insert(cell, w.cell.wanted);
            it->failed.insert(cell, w.error);
            if (firstError.isEmpty())
                firstError = tr("Ряд %1, поле «%2»: %3").arg(w.cell.row).arg(w.cell.field.name, w.error);
        }
    }
    showList();
    showTable();
    QString text = tr("Записано ячеек: %1, не записано: %2.").arg(written).arg(asked - written);
    if (!firstError.isEmpty())
        text += QLatin1Char(' ') + firstError;
    return text;
}

void MTablesPage::writeChanges()
{
    const auto it = m_tables.constFind(m_current);
    if (it == m_tables.constEnd() || it->wanted.isEmpty()) {
        m_host.status(tr("Изменённых ячеек нет."));
        return;
    }
    QList<CellChange> cells;
    const TableStructure &s = it->contents.structure;
    for (auto w = it->wanted.constBegin(); w != it->wanted.constEnd(); ++w) {
        CellChange c;
        c.table = s.number;
        c.tableName = s.name;
        c.row = w.key().first;
        c.field = s.fields.at(w.key().second - 1);
        c.current = it->contents.values.value(c.row - 1).value(c.field.number - 1);
        c.wanted = w.value();
        cells.append(c);
    }
    QList<CellWrite> writes;
    bool stopped = false;
    run([&cells, &writes, &stopped](SettingsTables &t) {
        writes = t.write(cells);
        stopped = t.stopped();
        return true;
    });
    QString text = applyWrites(writes, int(cells.size()));
    if (stopped)
        text += QLatin1Char(' ') + tr("Запись прервана пользователем.");
    m_host.status(text);
}

void MTablesPage::adopt(const RegisterBackup &backup)
{
    if (m_list.isEmpty()) {
        for (const TableContents &t : backup.tables)
            m_list.append(t.structure);
    }
    for (const TableContents &t : backup.tables) {
        TableState &state = m_tables[t.structure.number];
        const TableState before = state;
        state = TableState();
        state.contents = t;
        state.read = true;
        // What was typed into a table of the same shape stays, unless the register now holds it.
        if (!before.read || before.contents.structure.fields.size() != t.structure.fields.size()
            || before.contents.structure.rows != t.structure.rows)
            continue;
        for (auto w = before.wanted.constBegin(); w != before.wanted.constEnd(); ++w) {
            if (!SettingsTables::sameValue(w.value(),
                                           t.values.value(w.key().first - 1).value(w.key().second - 1)))
                state.wanted.insert(w.key(), w.value());
        }
    }
    showList();
    showTable();
}

void MTablesPage::saveToFile()
{
    // Named after the register and the day: backups of many registers meet in one folder.
    QString serial = m_host.serialNumber().trimmed();
    const ::TableField serialField = regfield::kSerialNumber;
    if (serial.isEmpty() && m_tables.value(serialField.table).read) {
        serial = SettingsTables::valueText(m_tables.value(serialField.table)
                                               .contents.values.value(serialField.row - 1)
                                               .value(serialField.field - 1))
                     .trimmed();
    }
    // Only what may stand in a file name.
    for (const QChar c : std::as_const(serial)) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_')) {
            serial.clear();
            break;
        }
    }
    const QString path =
        m_host.chooseFile(true, QStringLiteral("%1-settings-%2.json")
                                    .arg(serial.isEmpty() ? QStringLiteral("kkt") : serial,
                                         QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    if (path.isEmpty())
        return;
    m_host.status(tr("Чтение всех таблиц ККТ..."));
    RegisterBackup backup;
    if (!run([&backup](SettingsTables &t) { return t.readAll(&backup); }))
        return;
    adopt(backup);
    QString error;
    if (!backup.save(path, &error)) {
        m_host.status(tr("Ошибка записи файла %1: %2").arg(QFileInfo(path).fileName(), error));
        return;
    }
    if (m_host.saved)
        m_host.saved(path);
    int values = 0;
    for (const TableContents &t : std::as_const(backup.tables))
        values += t.structure.rows * int(t.structure.fields.size());
    m_host.status(tr("Настройки сохранены в файл: %1 (таблиц: %2, значений: %3).")
                      .arg(path)
                      .arg(backup.tables.size())
                      .arg(values));
}

QString MTablesPage::changeLine(const CellChange &c) const
{
    return tr("Таблица %1 «%2», ряд %3, поле «%4»: %5 → %6")
        .arg(c.table)
        .arg(c.tableName)
        .arg(c.row)
        .arg(c.field.name, shownValue(c.field, c.current), shownValue(c.field, c.wanted));
}

void MTablesPage::loadFromFile()
{
    const QString path = m_host.chooseFile(false, QString());
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    RegisterBackup file;
    QString error;
    if (!file.load(path, &error)) {
        m_host.status(tr("Файл %1 не принят, ничего не записано: %2").arg(name, error));
        return;
    }
    // A file of another model is refused before the register is read through.
    m_host.status(tr("Чтение всех таблиц ККТ..."));
    RegisterBackup current;
    QString otherModel;
    if (!run([this, &file, &current, &otherModel](SettingsTables &t) {
            ops::RegisterIdentity identity;
            if (ops::RegisterConnector::identify(m_host.exec, &identity)) {
                otherModel = SettingsTables::modelMismatch(file, identity.model, identity.name);
                if (!otherModel.isEmpty())
                    return true;
            }
            return t.readAll(&current);
        }))
        return;
    if (!otherModel.isEmpty()) {
        m_host.status(tr("Файл %1 не принят, ничего не записано: %2").arg(name, otherModel));
        return;
    }
    adopt(current);
    const ops::RestorePlan plan = SettingsTables::planRestore(file, current);
    if (!plan.refusal.isEmpty()) {
        m_host.status(tr("Файл %1 не принят, ничего не записано: %2").arg(name, plan.refusal));
        return;
    }
    const QString skipped =
        plan.skipped.isEmpty()
            ? QString()
            : QLatin1Char(' ') + tr("Пропущено полей, которые ККТ ведёт сама: %1.").arg(plan.skipped.size());
    if (plan.changes.isEmpty()) {
        m_host.status(tr("Настройки в ККТ совпадают с файлом, ничего не записано.") + skipped);
        return;
    }
    // The list in the box is cut short; its details hold all of it.
    QStringList lines, details;
    for (const CellChange &c : plan.changes)
        details << changeLine(c);
    lines = details.mid(0, kShownDifferences);
    if (details.size() > kShownDifferences)
        lines << tr("... и ещё %1 (все — в подробностях).").arg(details.size() - kShownDifferences);
    if (!plan.skipped.isEmpty()) {
        const QString title =
            tr("Не записываются поля, которые ККТ ведёт сама (пропущено: %1):").arg(plan.skipped.size());
        details << QString() << title;
        lines << QString() << title;
        for (int i = 0; i < plan.skipped.size(); ++i) {
            details << changeLine(plan.skipped.at(i));
            if (i < kShownSkipped)
                lines << details.constLast();
        }
        if (plan.skipped.size() > kShownSkipped)
            lines << tr("... и ещё %1 (все — в подробностях).").arg(plan.skipped.size() - kShownSkipped);
    }
    const QString text =
        tr("Из файла %1 в ККТ будут записаны значения, которые отличаются (в ККТ → в файле): %2.")
            .arg(name)
            .arg(plan.changes.size());
    if (!m_host.confirm(text, lines.join(QLatin1Char('\n')), details.join(QLatin1Char('\n')))) {
        m_host.status(tr("Загрузка настроек отменена, ничего не записано."));
        return;
    }
    QList<CellWrite> writes;
    bool stopped = false;
    const QList<CellChange> changes = plan.changes;
    run([&changes, &writes, &stopped](SettingsTables &t) {
        writes = t.write(changes);
        stopped = t.stopped();
        return true;
    });
    QString result = applyWrites(writes, int(changes.size())) + skipped;
    if (stopped)
        result += QLatin1Char(' ') + tr("Запись прервана пользователем.");
    m_host.status(result);
}
