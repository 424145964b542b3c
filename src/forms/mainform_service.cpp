// The "Сервис" page: resets, the serial number and the firmware dump.

#include "mainform.h"
#include "ui_mainform.h"

#include <dumpfiles.h>
#include <dumpimage.h>
#include <dumpreader.h>
#include <mpathworks.h>
#include <regnumber.h>
#include <testfp.h>

#include <QCryptographicHash>
#include <QDate>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QStringList dumpFilters()
{
    return {QStringLiteral("Бинарные файлы (*.bin)"), QStringLiteral("Все файлы (*)")};
}

constexpr int kMaxSerialDigits = 16;
constexpr int kBlocksPerStep = 10;

// A serial number the register can take: 1 to 16 decimal digits, not all
// zero. It can usually be written only once, so nothing else goes out.
bool serialForWrite(const QString &text, quint64 *serial)
{
    const QString digits = text.trimmed();
    return digits.size() <= kMaxSerialDigits && rnParseDigits(digits, serial) && *serial != 0;
}

QString comparisonText(DumpCompare result, const QString &first, const QString &second)
{
    switch (result) {
    case DumpCompare::Equal:
        return MMainForm::tr("Результат сравнения: дампы полностью совпадают.");
    case DumpCompare::DifferentSize:
        return MMainForm::tr("Ошибка сравнения: размер дампов различный!");
    case DumpCompare::DifferentContent:
        return MMainForm::tr("Ошибка сравнения: содержимое дампов различно!");
    case DumpCompare::FirstUnreadable:
        return MMainForm::tr("Ошибка чтения дампа из файла: %1").arg(first);
    case DumpCompare::SecondUnreadable:
        return MMainForm::tr("Ошибка чтения дампа из файла: %1").arg(second);
    case DumpCompare::Stopped:
        break;
    }
    return MMainForm::tr("Сравнение дампов прервано пользователем.");
}

} // namespace

void MMainForm::on_butServiceReset_clicked()
{
    if (confirmAction(
            tr("Технологическое обнуление вернёт все таблицы и регистры ККТ к заводским значениям.")))
        runCommand(QStringLiteral("16,%1").arg(linkPasswordText()));
}

void MMainForm::on_butFullReset_clicked()
{
    if (confirmAction(tr("Общий сброс обнулит все денежные и операционные регистры ККТ.")))
        runCommand(QStringLiteral("27,%1").arg(linkPasswordText()));
}

void MMainForm::on_strSerialNumberForWrite_editingFinished()
{
    // A number is shown with its leading zeros; anything else stays as typed,
    // for the operator to mend, and the status line says what is wrong.
    const QString text = ui->strSerialNumberForWrite->text().trimmed();
    quint64 serial = 0;
    if (text.size() <= kMaxSerialDigits && rnParseDigits(text, &serial))
        ui->strSerialNumberForWrite->setText(QStringLiteral("%1").arg(serial, 16, 10, QLatin1Char('0')));
    else if (!text.isEmpty())
        outStateMessage(-1, tr("Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!"));
}

bool MMainForm::confirmSerialWrite(quint64 serial)
{
    return confirmAction(
        tr("В ККТ будет записан заводской номер %1; обычно его можно записать только один раз.")
            .arg(serial, 16, 10, QLatin1Char('0')));
}

void MMainForm::writeSerialNumber(const QString &command)
{
    if (!connectFR())
        return;
    commandText = command;
    if (!execFRCommand(false))
        return;
    qDebug() << commandText;
    commandText = command;
    execFRCommand(true);
}

void MMainForm::on_butWriteSerialNumber_clicked()
{
    quint64 serial = 0;
    if (!serialForWrite(ui->strSerialNumberForWrite->text(), &serial)) {
        outStateMessage(-1, tr("Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!"));
        return;
    }
    if (confirmSerialWrite(serial))
        writeSerialNumber(QStringLiteral("FE,f5,%1").arg(serial, 16, 10, QLatin1Char('0')));
}

void MMainForm::on_butWriteSerialNumberV2_clicked()
{
    quint64 serial = 0;
    if (!serialForWrite(ui->strSerialNumberForWrite->text(), &serial)) {
        outStateMessage(-1, tr("Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!"));
        return;
    }
    if (confirmSerialWrite(serial))
        writeSerialNumber(QStringLiteral("0E,%1,%2").arg(linkPasswordText()).arg(serial));
}

void MMainForm::on_butService_GetDump_clicked()
{
    // Named after the register and the day: dumps of many registers meet in one folder.
    const QString serial = ui->strInfo_SerialNumber->text().trimmed();
    const QString fileName =
        chooseFile(tr("Выбор имени файла для дампа из ККТ"), true, dumpFilters(), QStringLiteral("bin"),
                   QStringLiteral("%1-%2.bin")
                       .arg(serial.isEmpty() ? QStringLiteral("dump") : serial,
                            QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    if (fileName.isEmpty())
        return;
    if (!connectFR())
        return;
    // A failed command closes the connection: the next one opens it again.
    ops::DumpReader reader(
        [this](const QString &command) {
            if (!connectFR())
                return false;
            commandText = command;
            return execFRCommand(false);
        },
        QString::number(ui->strDumpPassword->value()));
    terminateRequested = false;
    reader.setProgress(
        [this](int done, int total) {
            if (done == 0) {
                ui->frameProgress->show();
                ui->progressReadDump->setRange(0, total / kBlocksPerStep);
                ui->progressReadDump->reset();
                outStateMessage(0, tr("Идет загрузка данных. Всего %1 блоков. Ждите...").arg(total));
            } else {
                ui->progressReadDump->setValue(done / kBlocksPerStep);
            }
            QCoreApplication::processEvents();
            return !terminateRequested;
        },
        kBlocksPerStep);
    const ops::DumpRead dump = reader.read();
    ui->frameProgress->hide();
    if (dump.status == ops::DumpRead::Refused)
        return; // the failure is in the status line
    disconnectFR();
    if (dump.status != ops::DumpRead::Done) {
        outStateMessage(-1, dump.error);
        return;
    }
    outStateMessage();
    // Size and MD5 of what was read; the file's name when it was written.
    m_journal.dump(saveDump(fileName, dump.image) ? fileName : QString(), dump.image);
}

bool MMainForm::saveDump(const QString &fileName, const QByteArray &image)
{
    ui->frameProgress->hide();
    if (!dumpWriteFile(fileName, image)) {
        outStateMessage(-1, tr("Ошибка записи дампа в файл: %1").arg(QFileInfo(fileName).fileName()));
        return false;
    }
    const QByteArray digest = QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex();
    dumpWriteMd5File(fileName, digest); // best effort: the dump itself is safe
    showMd5(digest);
    outStateMessage(
        -1, tr("Дамп считан и записан в файл: %2. MD5: [%1]").arg(QString::fromLatin1(digest), fileName));
    return true;
}

void MMainForm::showMd5(const QByteArray &hexDigest)
{
    ui->labService_MD5->setText(tr("MD5: %1").arg(QString::fromLatin1(hexDigest)));
    // The digest is there to be copied into a report.
    ui->labService_MD5->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ui->labService_MD5->show();
}

void MMainForm::showFileWork(bool shown)
{
    if (shown) {
        terminateRequested = false;
        ui->progressReadDump->setRange(0, 100);
        ui->progressReadDump->setValue(0);
        disableControls();
    } else {
        enableControls();
    }
    ui->frameProgress->setVisible(shown);
}

bool MMainForm::fileWorkProgress(qint64 done, qint64 total)
{
    ui->progressReadDump->setValue(total > 0 ? int(done * 100 / total) : 100);
    QCoreApplication::processEvents();
    return !terminateRequested;
}

void MMainForm::on_butService_CalcMD5_clicked()
{
    const QString fileName =
        chooseFile(tr("Выбор файла дампа для расчета MD5"), false, dumpFilters(), QStringLiteral("bin"));
    if (fileName.isEmpty())
        return;
    QByteArray digest;
    showFileWork(true);
    const bool ok = dumpFileMd5(fileName, &digest, nullptr,
                                [this](qint64 done, qint64 total) { return fileWorkProgress(done, total); });
    showFileWork(false);
    if (!ok) {
        outStateMessage(-1, terminateRequested ? tr("Расчет MD5 прерван пользователем.")
                                               : tr("Ошибка чтения дампа из файла: %1").arg(fileName));
        return;
    }
    dumpWriteMd5File(fileName, digest);
    showMd5(digest);
    outStateMessage(-1, tr("Дамп считан из файла: %2. MD5: [%1]").arg(QString::fromLatin1(digest), fileName));
}

void MMainForm::on_butService_Compare2Dumps_clicked()
{
    const QString first =
        chooseFile(tr("Выбор первого файла дампа"), false, dumpFilters(), QStringLiteral("bin"));
    if (first.isEmpty())
        return;
    const QString second =
        chooseFile(tr("Выбор второго файла дампа"), false, dumpFilters(), QStringLiteral("bin"));
    if (second.isEmpty())
        return;
    showFileWork(true);
    const DumpCompare result = dumpCompareFiles(
        first, second, [this](qint64 done, qint64 total) { return fileWorkProgress(done, total); });
    showFileWork(false);
    outStateMessage(-1, comparisonText(result, first, second));
}
