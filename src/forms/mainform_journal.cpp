// The service journal in the window: opened at the start, a visit for every
// register identified, and the operations of the window's buttons, the FN
// documents read whole, the settings backups saved and the dumps read
// recorded in it. The «Журнал» page shows it.
//
// An operation is a press of an operation button of a page during which at
// least one register command ran: its name is the page and the button's
// caption, its outcome the status line after it. It succeeded when the line
// tells of no error ("Ошибка ...") and was set as a success (code 0), or, set
// without a code, when the register's last answer was no error.

#include "mainform.h"
#include "ui_mainform.h"

#include "marchivepage.h"
#include "mjournalpage.h"

#include <logging.h>
#include <mainproc.h>

#include <QDir>
#include <QPushButton>

namespace {

// A caption as the operator reads it: without its shortcut marks.
QString captionOf(const QAbstractButton *button)
{
    QString text = button->text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    text = text.simplified();
    if (text.isEmpty())
        text = button->toolTip().simplified();
    return text.isEmpty() ? button->objectName() : text;
}

} // namespace

void MMainForm::openJournal()
{
    m_journal.open();
}

QString MMainForm::journalProblemText() const
{
    const journal::ServiceJournal *store = m_journal.journal();
    if (!store || store->isOpen())
        return QString();
    const QString file = QDir::toNativeSeparators(store->path());
    const QString unchanged = tr("Программа работает без журнала; файл не изменён.");
    switch (store->state()) {
    case journal::ServiceJournal::State::NotJournal:
        return tr("Журнал обслуживания недоступен: файл %1 не является журналом этой программы. %2")
            .arg(file, unchanged);
    case journal::ServiceJournal::State::Damaged:
        return tr("Журнал обслуживания недоступен: файл %1 повреждён. %2").arg(file, unchanged);
    case journal::ServiceJournal::State::Locked:
        return tr("Журнал обслуживания недоступен: файл %1 занят другой программой. %2").arg(file, unchanged);
    case journal::ServiceJournal::State::Newer:
        return tr("Журнал обслуживания недоступен: файл %1 записан более новой версией программы. %2")
            .arg(file, unchanged);
    case journal::ServiceJournal::State::Unavailable:
        return tr("Журнал обслуживания недоступен: файл %1 не удаётся создать или открыть. Программа "
                  "работает без журнала.")
            .arg(file);
    case journal::ServiceJournal::State::Closed:
    case journal::ServiceJournal::State::Open:
        break;
    }
    return tr("Журнал обслуживания не открыт.");
}

void MMainForm::reportJournalProblem()
{
    const QString text = journalProblemText();
    if (text.isEmpty())
        return;
    LOG(WARNING) << text << " (" << m_journal.journal()->problem() << ")";
    outStateMessage(-1, text);
}

void MMainForm::addJournalPage()
{
    MJournalPage::Host host;
    host.chooseFile = [this](const QString &title, const QStringList &filters, const QString &suffix,
                             const QString &suggested) {
        return chooseFile(title, true, filters, suffix, suggested);
    };
    host.status = [this](const QString &text) {
        outStateMessage(-1, text);
    };
    host.openDocument = [this](const journal::DocumentRow &row) {
        showStoredDocument(row);
    };
    m_journalPage = new MJournalPage(host, ui->tabWidget);
    m_journalPage->setJournal(m_journal.journal(), journalProblemText());
    ui->tabWidget->addWidget(m_journalPage);
    ui->menuWidget->addItem(tr("Журнал"));
    // What the visits since it was last shown have added.
    connect(ui->tabWidget, &QStackedWidget::currentChanged, this, [this] {
        if (ui->tabWidget->currentWidget() == m_journalPage)
            m_journalPage->refresh();
    });
}

void MMainForm::watchOperations()
{
    for (QPushButton *button : ui->tabWidget->findChildren<QPushButton *>()) {
        if (m_journalPage->isAncestorOf(button) || button == ui->butTerminate)
            continue;
        connect(button, &QAbstractButton::pressed, this, [this] {
            m_commandsRun = 0;
            m_statusCode = -1;
        });
        // Connected after the page's own handlers: this runs when the operation is over.
        connect(button, &QAbstractButton::clicked, this, [this, button] { recordOperation(button); });
    }
}

void MMainForm::recordOperation(QAbstractButton *button)
{
    const int commands = m_commandsRun;
    m_commandsRun = 0;
    if (commands == 0 || !m_journal.hasVisit())
        return;
    const int index = pageIndexOf(button);
    const QListWidgetItem *item = index >= 0 ? ui->menuWidget->item(index) : nullptr;
    const QString name = item ? tr("%1: %2").arg(item->text(), captionOf(button)) : captionOf(button);
    const QString outcome = ui->strCommandResult->text();
    const bool ok =
        !outcome.startsWith(tr("Ошибка")) && (m_statusCode == 0 || (m_statusCode < 0 && lastErrCode == 0));
    m_journal.operation(name, outcome, ok);
    reportJournalWriteFailure();
}

void MMainForm::reportJournalWriteFailure()
{
    QString why;
    if (!m_journal.takeWriteFailure(&why))
        return;
    // Told once, in the event log and on the journal page; the status line
    // keeps the operation's own outcome.
    const QString text = tr("Журнал обслуживания: запись в файл %1 не удалась, записи этого визита могут быть "
                            "неполными.")
                             .arg(QDir::toNativeSeparators(m_journal.journal()->path()));
    LOG(WARNING) << text << " (" << why << ")";
    m_journalPage->setJournal(m_journal.journal(), text);
}

void MMainForm::recordIdentified(const ops::RegisterIdentity &identity)
{
    if (!m_journal.isOpen())
        return;
    // Through the window's own cycle: a refused table read closes the link,
    // the next read opens it again (the register is identified already).
    const journal::RegisterInfo info = journal::JournalRecorder::readRegister(
        [this](const QString &command) {
            if (!connectFR())
                return false;
            commandText = command;
            return execFRCommand(false);
        },
        linkPasswordText(), identity);
    m_identifiedNow = m_journal.identified(info, ui->comboCOMPort->currentText());
}

void MMainForm::recordDocument(const ops::FnDocument &doc, int ofd)
{
    if (doc.isComplete())
        m_journal.document(doc, ofd);
}

int MMainForm::pageIndexOf(const QWidget *widget) const
{
    const QWidget *page = widget;
    while (page && page->parentWidget() != ui->tabWidget)
        page = page->parentWidget();
    return page ? ui->tabWidget->indexOf(page) : -1;
}

void MMainForm::showPageOf(QWidget *widget)
{
    const int index = pageIndexOf(widget);
    if (index >= 0)
        ui->menuWidget->setCurrentRow(index);
}

void MMainForm::showStoredDocument(const journal::DocumentRow &row)
{
    const ops::FnDocument doc = journal::ServiceJournal::toFnDocument(row);
    ui->strFDNumber->setValue(int(qMin<quint32>(row.number, quint32(ui->strFDNumber->maximum()))));
    ui->textFDFromFNData->setHtml(MArchivePage::documentHtml(doc));
    showPageOf(ui->textFDFromFNData);
    outStateMessage(
        -1, doc.isComplete()
                ? tr("Документ %1 из журнала обслуживания (ФН %2, ККТ %3).")
                      .arg(row.number)
                      .arg(row.fnNumber, row.serial)
                : tr("Документ %1 в журнале обслуживания повреждён: %2").arg(row.number).arg(doc.error));
}
