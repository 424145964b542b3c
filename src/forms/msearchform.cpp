#include "msearchform.h"
#include "ui_msearchform.h"

#include <registersearch.h>

#include <QTableWidgetItem>
#include <QTimer>

namespace {

enum Column { PortColumn, BaudColumn, ModelColumn, NameColumn, SerialColumn };

QTableWidgetItem *cell(const QString &text, bool choosable)
{
    auto *item = new QTableWidgetItem(text);
    if (!choosable)
        item->setFlags(Qt::ItemIsEnabled);
    return item;
}

} // namespace

MSearchForm::MSearchForm(const QStringList &ports, const QList<int> &rates, const QString &password,
                         QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::MSearchForm)
    , m_search(std::make_unique<ops::RegisterSearch>(ports, rates, password))
{
    ui->setupUi(this);
    ui->tableFound->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableFound->horizontalHeader()->setStretchLastSection(true);
}

MSearchForm::~MSearchForm()
{
    delete ui;
}

int MSearchForm::exec()
{
    // The search runs inside the dialog's own loop, once it is on screen.
    QTimer::singleShot(0, this, &MSearchForm::search);
    return QDialog::exec();
}

void MSearchForm::search()
{
    m_searching = true;
    ui->butSearchStop->setEnabled(true);
    m_search->setProgress([this](int done, int total) {
        ui->progressSearch->setRange(0, total);
        ui->progressSearch->setValue(done);
        return true;
    });
    const ops::SearchResult result = m_search->run();
    m_searching = false;
    if (m_closeWhenDone) {
        QDialog::reject();
        return;
    }
    ui->butSearchStop->setEnabled(false);
    ui->progressSearch->setValue(ui->progressSearch->maximum());

    ui->tableFound->setRowCount(0);
    for (const ops::SearchFind &f : result.found) {
        const int row = ui->tableFound->rowCount();
        ui->tableFound->insertRow(row);
        ui->tableFound->setItem(row, PortColumn, cell(f.port, true));
        ui->tableFound->setItem(row, BaudColumn, cell(QString::number(f.baud), true));
        ui->tableFound->setItem(row, ModelColumn,
                                cell(f.model >= 0 ? QString::number(f.model) : QString(), true));
        ui->tableFound->setItem(row, NameColumn, cell(f.name, true));
        ui->tableFound->setItem(row, SerialColumn, cell(f.serial, true));
    }
    // Ports that could not be searched, with the reason, below the finds.
    for (const ops::SearchSkip &s : result.skipped) {
        const int row = ui->tableFound->rowCount();
        ui->tableFound->insertRow(row);
        ui->tableFound->setItem(row, PortColumn, cell(s.port, false));
        ui->tableFound->setItem(row, BaudColumn, cell(QString(), false));
        ui->tableFound->setItem(row, ModelColumn, cell(QString(), false));
        ui->tableFound->setItem(row, NameColumn, cell(tr("не проверен: %1").arg(s.reason), false));
        ui->tableFound->setItem(row, SerialColumn, cell(QString(), false));
    }
    if (result.stopped)
        ui->labSearchState->setText(tr("Поиск остановлен."));
    else if (result.found.isEmpty())
        ui->labSearchState->setText(tr("ККТ не найдена."));
    else
        ui->labSearchState->setText(tr("Найдено ККТ: %1. Выберите строку, чтобы подставить порт и скорость.")
                                        .arg(result.found.size()));
    if (!result.found.isEmpty()) {
        ui->tableFound->selectRow(0);
        ui->butSearchChoose->setEnabled(true);
    }
}

void MSearchForm::on_butSearchStop_clicked()
{
    m_search->stop();
}

void MSearchForm::choose(int row)
{
    const QTableWidgetItem *baud = ui->tableFound->item(row, BaudColumn);
    if (!baud || baud->text().isEmpty())
        return;
    m_port = ui->tableFound->item(row, PortColumn)->text();
    m_baud = baud->text().toInt();
    accept();
}

void MSearchForm::on_butSearchChoose_clicked()
{
    choose(ui->tableFound->currentRow());
}

void MSearchForm::on_tableFound_cellDoubleClicked(int row, int column)
{
    Q_UNUSED(column)
    choose(row);
}

void MSearchForm::on_butSearchClose_clicked()
{
    reject();
}

void MSearchForm::reject()
{
    // Closing while it searches stops the search first; the dialog goes
    // once the search has ended.
    if (m_searching) {
        m_closeWhenDone = true;
        m_search->stop();
        return;
    }
    QDialog::reject();
}
