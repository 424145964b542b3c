// The «Архив ФН» page: every fiscal document of a range read into a table,
// browsed there, and exported into a folder as kelo-cli fn-export does.

#include "mainform.h"
#include "ui_mainform.h"

#include "marchivepage.h"

#include <archiveexporter.h>
#include <fndocumentreader.h>
#include <mainproc.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

namespace {

// "FF01" reply value: the number of the last fiscal document.
constexpr int kLastDocumentValue = 10;
// "FF3C" reply value: the document number the receipt is for.
constexpr int kReceiptNumberValue = 5;
constexpr int kNoData = 8;

QString durationText(qint64 seconds)
{
    return seconds >= 3600
               ? QStringLiteral("%1:%2:%3")
                     .arg(seconds / 3600)
                     .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                     .arg(seconds % 60, 2, 10, QLatin1Char('0'))
               : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

bool MMainForm::execInSession(const QString &command)
{
    if (!connectFR())
        return false;
    commandText = command;
    ++m_commandsRun;
    if (m_exec.execCommand(QString(commandText)))
        return true;
    // The register's own refusal ("no more items", "no receipt") leaves the
    // link as it was; a failure of the link closes it to be opened again.
    if (lastErrCode < 0)
        disconnectFR();
    return false;
}

bool MMainForm::archiveRange(quint32 *from, quint32 *to)
{
    *from = quint32(qMax(1, m_archive->fromBox()->value()));
    *to = quint32(m_archive->toBox()->value());
    if (*to == 0) {
        if (!execInSession(QStringLiteral("FF01,%1").arg(linkPasswordText()))) {
            disconnectFR();
            outStateMessage(-1, QString());
            return false;
        }
        bool ok = false;
        *to = reply::text(kLastDocumentValue).toUInt(&ok);
        if (!ok)
            *to = 0;
    }
    if (*to < *from) {
        disconnectFR();
        outStateMessage(-1, tr("В ФН нет документов с номерами от %1 до %2.").arg(*from).arg(*to));
        return false;
    }
    return true;
}

void MMainForm::showArchiveProgress(int done, int total, qint64 elapsedMs)
{
    QProgressBar *bar = ui->progressReadDump;
    bar->setRange(0, qMax(total, 1));
    bar->setValue(done);
    QString left = tr("оценивается");
    if (done > 0)
        left = durationText((elapsedMs * (total - done) / done + 999) / 1000);
    bar->setFormat(tr("%1 из %2, осталось %3").arg(done).arg(total).arg(left));
}

void MMainForm::readArchive()
{
    if (!connectFR())
        return;
    quint32 from = 0, to = 0;
    if (!archiveRange(&from, &to))
        return;
    MArchiveModel *model = m_archive->model();
    // The same range again resumes: what was read stays and is not read again.
    if (model->first() != from || quint32(model->count()) != to - from + 1)
        model->setRange(from, to);

    ops::FnDocumentReader reader([this](const QString &command) { return execInSession(command); },
                                 linkPasswordText());
    // The operator's stop is heard between the items of a document, too.
    reader.setProgress([this](int, int) { return !terminateRequested; });
    terminateRequested = false;
    QVector<int> todo;
    for (int row = model->firstUnread(); row < model->count(); ++row) {
        if (model->rowAt(row)->state != MArchiveRow::Read)
            todo.append(row);
    }
    ui->frameProgress->show();
    QElapsedTimer clock;
    clock.start();
    showArchiveProgress(0, int(todo.size()), 0);
    int failed = 0;
    bool linkFailedBefore = false;
    QString stoppedAt;
    for (int i = 0; i < todo.size(); ++i) {
        QCoreApplication::processEvents();
        const quint32 number = model->rowAt(todo.at(i))->number;
        if (terminateRequested) {
            stoppedAt = tr("Чтение прервано перед документом %1.").arg(number);
            break;
        }
        const ops::FnDocument doc = reader.read(number);
        if (doc.status == ops::FnDocument::Stopped) {
            // Not a fault of the document: its row stays to be read.
            stoppedAt = tr("Чтение прервано на документе %1.").arg(number);
            break;
        }
        MArchiveRow::Ofd ofd = MArchiveRow::OfdUnknown;
        if (doc.isComplete()) {
            if (execInSession(QStringLiteral("FF3C,%1,%2").arg(linkPasswordText()).arg(number))) {
                // A receipt for another document than the one asked is none.
                if (reply::count() > kReceiptNumberValue
                    && reply::text(kReceiptNumberValue).toUInt() == number)
                    ofd = MArchiveRow::OfdConfirmed;
            } else if (lastErrCode == kNoData) {
                ofd = MArchiveRow::OfdNotConfirmed;
            }
        }
        model->setDocument(doc, ofd);
        recordDocument(doc, ofd == MArchiveRow::OfdConfirmed      ? journal::DocumentRow::OfdConfirmed
                            : ofd == MArchiveRow::OfdNotConfirmed ? journal::DocumentRow::OfdNotConfirmed
                                                                  : journal::DocumentRow::OfdUnknown);
        if (!doc.isComplete())
            ++failed;
        showArchiveProgress(i + 1, int(todo.size()), clock.elapsed());
        // A link that cannot be opened again, or fails again at once, would
        // fail every document left: one failure of the link is let pass.
        const bool linkFailed = lastErrCode < 0 && !mpLinkSettings().connected;
        if (linkFailed && (linkFailedBefore || !connectFR())) {
            stoppedAt = tr("Связь с ККТ потеряна на документе %1: %2").arg(number).arg(lastErrText);
            break;
        }
        linkFailedBefore = linkFailed;
    }
    ui->frameProgress->hide();
    ui->progressReadDump->resetFormat();
    disconnectFR();
    m_archive->refreshTypes();
    const QString summary = tr("Прочитано документов: %1 из %2, с ошибкой: %3.")
                                .arg(model->readCount())
                                .arg(model->count())
                                .arg(failed);
    m_archive->summary()->setText(stoppedAt.isEmpty() ? summary : stoppedAt + QLatin1Char(' ') + summary);
    outStateMessage(stoppedAt.isEmpty() && failed == 0 ? 0 : -1, stoppedAt.isEmpty() ? summary : stoppedAt);
}

void MMainForm::exportArchive()
{
    MArchiveModel *model = m_archive->model();
    if (model->readCount() == 0) {
        outStateMessage(-1, tr("Нет прочитанных документов для экспорта."));
        return;
    }
    QFileDialog dialog(this, tr("Выбор папки для экспорта документов"), lastFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setStyleSheet(styleSheet());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, tr("Выбрать"));
    dialog.setLabelText(QFileDialog::Reject, tr("Отмена"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString dir = dialog.selectedFiles().first();
    rememberFolder(QDir(dir).filePath(QStringLiteral("index.csv")));

    // Documents already in the folder are kept: an export into it resumes.
    ops::ArchiveExporter exporter(dir, DocFormat(m_archive->formatBox()->currentData().toInt()));
    exporter.loadJournal();
    int written = 0, present = 0, failed = 0, unconfirmed = 0;
    QString path, reason;
    for (int row = 0; row < model->count(); ++row) {
        const MArchiveRow *r = model->rowAt(row);
        if (r->state != MArchiveRow::Read) {
            ++failed;
            continue;
        }
        if (r->ofd == MArchiveRow::OfdNotConfirmed)
            ++unconfirmed;
        if (exporter.isExported(r->number)) {
            ++present;
        } else if (exporter.write(r->doc, &path, &reason)) {
            ++written;
        } else {
            // A folder that cannot take one file will not take the next.
            failed += model->count() - row;
            break;
        }
    }
    QString error;
    if (!reason.isEmpty() || !exporter.writeIndex(&path, &reason))
        error = tr("Ошибка записи файла %1: %2").arg(ops::ArchiveExporter::shownPath(path), reason);
    const QString summary = tr("Экспортировано документов: %1 (уже были в папке: %2), не экспортировано: %3, "
                               "не подтверждено ОФД: %4.")
                                .arg(written + present)
                                .arg(present)
                                .arg(failed)
                                .arg(unconfirmed);
    m_archive->summary()->setText(error.isEmpty() ? summary : error + QLatin1Char(' ') + summary);
    outStateMessage(error.isEmpty() && failed == 0 ? 0 : -1, error.isEmpty() ? summary : error);
}

void MMainForm::saveArchiveDocument()
{
    saveShownPage(m_archive->view(), m_archive->shownNumber());
}

void MMainForm::printArchiveDocument()
{
    printShownPage(m_archive->view());
}
