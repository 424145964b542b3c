// The "ОФД/ФН" page: FN and OFD queries, fiscal documents from the FN, and
// the FN document cancel of the "Смена и документы" page.

#include "mainform.h"
#include "ui_mainform.h"

#include "mreplyrows.h"
#include "mresultpage.h"

#include <fndocumentreader.h>
#include <mainproc.h>
#include <mpathworks.h>
#include <mstrfortext.h>
#include <mtlvdocument.h>
#include <mtlvrenderer.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextStream>

namespace {

QString reregistrationText(const QString &code)
{
    bool ok = false;
    const int reason = code.toInt(&ok);
    if (!ok)
        return code;
    switch (reason) {
    case 0:
        return MMainForm::tr("Регистрация ККТ (0)");
    case 1:
        return MMainForm::tr("Замена ФН (1)");
    case 2:
        return MMainForm::tr("Замена ОФД (2)");
    case 3:
        return MMainForm::tr("Изменение реквизитов (3)");
    case 4:
        return MMainForm::tr("Изменение настроек ККТ (4)");
    default:
        return code;
    }
}

} // namespace

bool MMainForm::startFNOFDQuery(const QString &command)
{
    if (!connectFR())
        return false;
    ui->textFDFromFNData->clear();
    commandText = command.arg(linkPasswordText());
    return execFRCommand(true);
}

void MMainForm::on_butGetFDFromFN_clicked()
{
    if (!connectFR())
        return;
    ui->textFDFromFNData->clear();
    ops::FnDocumentReader reader(
        [this](const QString &command) {
            commandText = command;
            return execFRCommand(false);
        },
        linkPasswordText());
    const ops::FnDocument doc = reader.read(quint32(ui->strFDNumber->value()));
    recordDocument(doc);
    if (!doc.opened)
        return; // the failure is in the status line
    disconnectFR();
    if (doc.items.isEmpty()) {
        if (doc.status == ops::FnDocument::Damaged) {
            lastErrCode = -1;
            lastErrText = doc.error;
        }
        ui->textFDFromFNData->setHtml(MStrForText::tableEnd() + MStrForText::htmlEnd());
        outStateMessage();
        return;
    }
    const QList<MTLVDocument> items = doc.tlvItems();
    QStringList lines = MTLVRenderer::documentPageLines(items);
    // The items read before a failure, damage or the bound are shown, but the
    // page says the document is incomplete, so neither it nor a saved copy of
    // it can pass for the whole document. The status line says why.
    if (doc.isComplete()) {
        lastErrCode = 0;
        lastErrText = mpDevErrorText(0);
    } else {
        const QString note =
            tr("Документ прочитан не полностью (элементов: %1, байт: %2).").arg(items.size()).arg(doc.bytes);
        if (doc.status != ops::FnDocument::Failed) {
            lastErrCode = -1;
            lastErrText = doc.status == ops::FnDocument::Cut ? note : doc.error;
        }
        lines.insert(lines.size() - 1, MStrForText::titleLine(note));
    }
    ui->textFDFromFNData->setHtml(lines.join(QString()));
    outStateMessage();
}

void MMainForm::on_butGetOFDStatus_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF39,%1")))
        return;
    MResultPage page(tr("Статус обмена с ОФД"));
    MReplyRows::ofdStatus(page);
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butGetOFDDocs_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF3F,%1")))
        return;
    MResultPage page(tr("Количество неподтвержденных документов от ОФД"));
    MReplyRows::value(page, tr("ФД без квитанции ОФД:"), 2);
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_getOFDRequest_clicked()
{
    const int number = ui->strFDNumber->value();
    if (!startFNOFDQuery(QStringLiteral("FF3C,%1,") + QString::number(number)))
        return;
    MResultPage page(tr("Получение подтверждения для документа #%1").arg(number));
    if (reply::count() > 5) {
        page.row(tr("Дата:"), reply::text(2));
        page.row(tr("Время:"), reply::text(3));
        page.row(tr("Квитанция:"), reply::text(4));
        page.row(tr("Номер ФД:"), reply::text(5));
    }
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butGetStateFisk_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF09,%1")))
        return;
    MResultPage page(tr("Итоги регистрации ККТ"));
    if (reply::count() > 10) {
        page.row(tr("Время/Дата:"), QStringLiteral("%1 %2").arg(reply::text(3), reply::text(2)));
        page.row(tr("ИНН:"), reply::text(4));
        page.row(tr("Регистрационный номер:"), reply::text(5));
        page.row(tr("Код налогообложения:"), reply::text(6));
        page.row(tr("Режим работы:"), reply::text(7));
        page.row(tr("Номер ФД:"), reply::text(9));
        page.row(tr("Код причины перерегистрации:"), reregistrationText(reply::text(8)));
        page.row(tr("Фискальный признак:"), reply::text(10));
    }
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butGetFN_State_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF01,%1")))
        return;
    MResultPage page(tr("Запрос статуса ФН"));
    MReplyRows::fnStatus(page);
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butGetFN_Srok_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF03,%1")))
        return;
    MResultPage page(tr("Запрос срока действия ФН"));
    MReplyRows::value(page, tr("Срок действия ФН:"), 2);
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butGetFN_Number_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF02,%1")))
        return;
    MResultPage page(tr("Запрос номера ФН"));
    MReplyRows::value(page, tr("Заводской номер ФН:"), 2);
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butGetFN_Version_clicked()
{
    if (!startFNOFDQuery(QStringLiteral("FF04,%1")))
        return;
    MResultPage page(tr("Запрос версии ФН"));
    MReplyRows::fnVersion(page);
    ui->textFDFromFNData->setHtml(page.html());
}

void MMainForm::on_butDocs_AnnDocFromFN_clicked()
{
    if (!confirmAction(tr("Документ, начатый в ФН, будет отменён.")))
        return;
    if (!connectFR())
        return;
    commandText = QStringLiteral("FF08,%1").arg(linkPasswordText());
    if (execFRCommand(true))
        outStateMessage();
}

void MMainForm::on_butGetFD_Save_clicked()
{
    saveShownPage(ui->textFDFromFNData, quint32(ui->strFDNumber->value()));
}

void MMainForm::saveShownPage(QTextEdit *view, quint32 number)
{
    if (view->toPlainText().trimmed().isEmpty()) {
        outStateMessage(-1, tr("Нет данных для сохранения."));
        return;
    }
    QFileDialog dialog(this, tr("Выбор имени файла для сохранения данных ФД"), lastFolder());
    // Named after the document the page shows.
    dialog.selectFile(QStringLiteral("fd-%1.html").arg(number, 6, 10, QLatin1Char('0')));
    // Qt's own dialog: the labels below are part of it, and tests can answer it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setStyleSheet(styleSheet());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setLabelText(QFileDialog::LookIn, tr("Текущий путь:"));
    dialog.setLabelText(QFileDialog::FileName, tr("Имя файла:"));
    dialog.setLabelText(QFileDialog::FileType, tr("Тип файла:"));
    dialog.setLabelText(QFileDialog::Accept, tr("Выбрать"));
    dialog.setLabelText(QFileDialog::Reject, tr("Отмена"));
    dialog.setNameFilters({tr("HTML файлы (*.html)"), tr("Текстовые файлы (*.txt)"), tr("Все файлы (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    const QString filter = dialog.selectedNameFilter();
    QString fileName = dialog.selectedFiles().first();
    const QString suffix = QFileInfo(fileName).suffix();
    const bool html = filter.contains(QLatin1String("html"));
    if (filter.contains(QLatin1String("txt"))) {
        if (!suffix.endsWith(QLatin1String("txt")))
            fileName += QLatin1String(".txt");
    } else if (html && !suffix.endsWith(QLatin1String("html"))) {
        fileName += QLatin1String(".html");
    }
    rememberFolder(fileName);
    if (writeShownData(view, fileName, html))
        outStateMessage(-1, tr("Данные сохранены в файл <%1>.").arg(fileName));
    else
        outStateMessage(-1, tr("Ошибка открытия файла <%1>!").arg(fileName));
}

bool MMainForm::writeShownData(QTextEdit *view, const QString &fileName, bool html)
{
    // Written whole or not at all: a failed save leaves an earlier file as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    const QTextDocument *shown = view->document();
    out << (html ? shown->toHtml() : shown->toPlainText());
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

void MMainForm::on_butGetFD_Print_clicked()
{
    printShownPage(ui->textFDFromFNData);
}

void MMainForm::printShownPage(QTextEdit *view)
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    dialog.setStyleSheet(styleSheet());
    if (dialog.exec() == QDialog::Accepted)
        view->print(&printer);
}
