// The "Смена и документы" page: shifts, reports, receipts and corrections.

#include "mainform.h"
#include "ui_mainform.h"

#include "mcommandtext.h"

#include <fndocumentreader.h>
#include <mstrfortext.h>
#include <mtlvdocument.h>

#include <QPair>
#include <QTextEdit>
#include <QVector>

namespace {

using Rows = QVector<QPair<QString, QString>>;

// Receipt types of comboDocs_Type, by index: the item command and the type of
// a correction receipt.
const char *const kItemCommands[] = {"80", "81", "82", "83"};
constexpr int kCorrectionTypes[] = {1, 3, 2, 4};
constexpr int kDiscount = 1;
constexpr int kSurcharge = 2;
constexpr int kBuyerEmailTag = 1008;
constexpr quint16 kDateTimeTag = 1012;
constexpr quint16 kTotalTag = 1020;
constexpr quint16 kFiscalSignTag = 1077;
// Print on the control tape and the receipt tape.
constexpr int kPrintBothTapes = 3;

void showPage(QTextEdit *view, const QString &title, const Rows &rows)
{
    QStringList page{MStrForText::htmlBegin()};
    if (!title.isEmpty())
        page << MStrForText::titleLine(title) << MStrForText::lineBreak();
    page << MStrForText::tableBegin();
    for (const auto &row : rows) {
        page << MStrForText::rowBegin() << MStrForText::nameCell(row.first)
             << MStrForText::valueCell(row.second) << MStrForText::rowEnd();
    }
    page << MStrForText::tableEnd() << MStrForText::htmlEnd();
    view->clear();
    view->setHtml(page.join(QString()));
}

Rows cashierRow()
{
    Rows rows;
    if (reply::count() > 2)
        rows.append({MMainForm::tr("Номер кассира:"), reply::text(2)});
    return rows;
}

QString shiftStateText(quint8 state)
{
    switch (state) {
    case 0:
        return MMainForm::tr("Cмена закрыта.");
    case 1:
        return MMainForm::tr("Cмена открыта.");
    default:
        return MMainForm::tr("Состояние смены не определено.");
    }
}

} // namespace

void MMainForm::on_butOpenDay_clicked()
{
    if (runCommand(QStringLiteral("E0,%1").arg(linkPasswordText())))
        showPage(ui->textDayState, tr("Открытие смены"), cashierRow());
}

void MMainForm::on_butCloseDay_clicked()
{
    if (runCommand(QStringLiteral("41,%1").arg(linkPasswordText())))
        showPage(ui->textDayState, tr("Закрытие смены"), cashierRow());
}

void MMainForm::on_butReportX_clicked()
{
    if (runCommand(QStringLiteral("40,%1").arg(linkPasswordText())))
        showPage(ui->textDayState, tr("Отчет без закрытия смены"), cashierRow());
}

void MMainForm::on_butReportStateBallanceStep2_clicked()
{
    if (!connectFR())
        return;
    // A refused begin closes the link; the report itself may still be made.
    commandText = QStringLiteral("FF37,%1").arg(linkPasswordText());
    if (!execFRCommand(false) && !connectFR())
        return;
    commandText = QStringLiteral("FF38,%1").arg(linkPasswordText());
    if (!execFRCommand(true))
        return;
    Rows rows;
    if (reply::count() > 5) {
        rows = {{tr("Номер ФД:"), reply::text(2)},
                {tr("Фискальный признак:"), reply::text(3)},
                {tr("Неподтвержденных документов:"), reply::text(4)},
                {tr("Дата первого документа:"), reply::text(5)}};
    }
    showPage(ui->textDayState, tr("Отчет о состоянии расчетов"), rows);
}

void MMainForm::on_butGetStateDay_clicked()
{
    if (!runCommand(QStringLiteral("FF40,%1").arg(linkPasswordText())))
        return;
    Rows rows;
    if (reply::count() > 4) {
        const quint8 state = reply::byte(2);
        const QString hex = QStringLiteral("%1").arg(state, 2, 16, QLatin1Char('0'));
        rows = {{tr("Состояние смены [%1]:").arg(hex), shiftStateText(state)},
                {tr("Номер смены:"), reply::text(3)},
                {tr("Номер документа:"), reply::text(4)}};
    }
    showPage(ui->textDayState, QString(), rows);
}

bool MMainForm::syncTaxCode()
{
    if (!isKnownModel)
        return true;
    // A failed read closes the link: open it again, so the operation goes on
    // and a real error, not a missing link, is what the operator sees.
    if (!accessFRTable(true, regfield::kTaxCode))
        return connectFR();
    int code = ui->strFN_Tax_Code->value();
    const int fromRegister = reply::count() > 2 ? int(qint8(reply::byte(2))) : 0;
    if (fromRegister != 0) {
        code = fromRegister;
        ui->strFN_Tax_Code->setValue(code);
        setCheckBoxesFromCodes();
        checkNeedParamForReg();
    }
    return accessFRTableInt(false, regfield::kTaxCode, quint8(code));
}

void MMainForm::on_butDocs_OpenCheck_clicked()
{
    if (!connectFR() || !syncTaxCode())
        return;
    commandText = QStringLiteral("8D,%1,%2").arg(linkPasswordText()).arg(ui->comboDocs_Type->currentIndex());
    if (!execFRCommand(true))
        return;
    m_receipt.open(ui->comboDocs_Type->currentIndex());
    showReceiptSoFar();
}

void MMainForm::showReceiptSoFar()
{
    showPage(ui->textDayState, tr("Чек: %1").arg(ui->comboDocs_Type->currentText()), m_receipt.rows());
}

void MMainForm::addReceiptLine(bool storno)
{
    m_receipt.addLine({ui->strDocs_Name->text(), ui->strDocs_Count->value(),
                       MReceiptSoFar::kopecks(ui->strDocs_Price->value()), storno});
    showReceiptSoFar();
}

QString MMainForm::lastDocumentValue(const QList<MTLVDocument> &items, quint16 tag)
{
    for (const MTLVDocument &item : items) {
        if (item.tag == tag)
            return item.displayText();
    }
    return QString();
}

void MMainForm::showClosedReceipt(const QString &change)
{
    // What the register made of it: the fiscal document's number, sign, time
    // and total, read back. The close itself succeeded: its status stays.
    const QString status = ui->strCommandResult->text();
    const int lastError = lastErrCode;
    Rows rows;
    if (connectFR()) {
        commandText = QStringLiteral("FF01,%1").arg(linkPasswordText());
        if (execFRCommand(false) && reply::count() > 10) {
            const QString number = reply::text(10);
            ops::FnDocumentReader reader(
                [this](const QString &command) {
                    commandText = command;
                    return execFRCommand(false);
                },
                linkPasswordText());
            const ops::FnDocument doc = reader.read(number.toUInt());
            recordDocument(doc);
            const QList<MTLVDocument> items = doc.tlvItems();
            rows = {{tr("Номер ФД:"), number},
                    {tr("Фискальный признак:"), lastDocumentValue(items, kFiscalSignTag)},
                    {tr("Дата и время:"), lastDocumentValue(items, kDateTimeTag)},
                    {tr("Итого:"), lastDocumentValue(items, kTotalTag)}};
        }
        disconnectFR();
    }
    rows.append({tr("Сдача:"), change});
    showPage(ui->textDayState, tr("Чек закрыт"), rows);
    lastErrCode = lastError;
    ui->strCommandResult->setText(status);
}

bool MMainForm::checkItemName()
{
    if (!ui->strDocs_Name->text().trimmed().isEmpty())
        return true;
    outStateMessage(-1, tr("Наименование товара: не задано."));
    return false;
}

void MMainForm::on_butDocs_AddPos_clicked()
{
    if (!checkItemName())
        return;
    const int type = ui->comboDocs_Type->currentIndex();
    const QString code = QString::fromLatin1(kItemCommands[type >= 0 && type < 4 ? type : 0]);
    if (!connectFR() || !syncTaxCode())
        return;
    commandText = QStringLiteral("%1,%2,%3,%4,0,%5,0,0,0,%6")
                      .arg(code, linkPasswordText(), MCommandText::quantity(ui->strDocs_Count->value()),
                           MCommandText::money(ui->strDocs_Price->value()),
                           QString::number(ui->comboDocs_NalogGrp->currentIndex()),
                           MCommandText::quoted(ui->strDocs_Name->text()));
    if (execFRCommand(true))
        addReceiptLine(false);
}

void MMainForm::on_butDocs_AnnPos_clicked()
{
    if (!checkItemName() || !connectFR())
        return;
    commandText = QStringLiteral("84,%1,%2,%3,0,%4,0,0,0,%5")
                      .arg(linkPasswordText(), MCommandText::quantity(ui->strDocs_Count->value()),
                           MCommandText::money(ui->strDocs_Price->value()),
                           QString::number(ui->comboDocs_NalogGrp->currentIndex()),
                           MCommandText::quoted(ui->strDocs_Name->text()));
    if (execFRCommand(true))
        addReceiptLine(true);
}

void MMainForm::on_butDocs_Discount_clicked()
{
    // "Нет скидок/наценок" means none: nothing may land on the receipt.
    const int type = ui->comboDocs_DiscountType->currentIndex();
    if (type != kDiscount && type != kSurcharge) {
        outStateMessage(-1, tr("Не выбран тип скидки/наценки!"));
        return;
    }
    if (!connectFR())
        return;
    commandText = QStringLiteral("%1,%2,%3,%4,0,0,0,%5")
                      .arg(type == kSurcharge ? QStringLiteral("87") : QStringLiteral("86"),
                           linkPasswordText(), MCommandText::money(ui->strDocs_DiscountVal->value()),
                           QString::number(ui->comboDocs_NalogGrp->currentIndex()),
                           MCommandText::quoted(ui->strDocs_NameDiscount->text()));
    if (!execFRCommand(true))
        return;
    const qint64 amount = MReceiptSoFar::kopecks(ui->strDocs_DiscountVal->value());
    m_receipt.addAdjustment(ui->strDocs_NameDiscount->text(), type == kSurcharge ? amount : -amount);
    showReceiptSoFar();
}

void MMainForm::on_butDocs_AddEMail_clicked()
{
    const QString address = ui->strDocs_EMail->text();
    if (address.isEmpty())
        return;
    if (!connectFR())
        return;
    // The length is that of the bytes the register gets, not of the characters typed.
    commandText = QStringLiteral("FF0C,%1,%2,%3,%4")
                      .arg(linkPasswordText(), QString::number(kBuyerEmailTag),
                           QString::number(toRegisterText(address).size()), MCommandText::quoted(address));
    if (execFRCommand(true))
        eMailAdded = true;
}

bool MMainForm::printBuyerAddress()
{
    commandText = QStringLiteral("17,%1,%2,%3")
                      .arg(linkPasswordText(), QString::number(kPrintBothTapes),
                           MCommandText::quoted(tr("Адрес покупателя:")));
    if (!execFRCommand(false))
        return false;
    commandText = QStringLiteral("26,%1,1").arg(linkPasswordText());
    if (!execFRCommand(false))
        return false;
    // A short font reply gives a line of no characters. A character width that
    // cannot be divided by (0 or less) leaves the whole address to print.
    int charsPerLine = 0;
    bool cut = true;
    if (reply::count() > 5) {
        const int printWidth = reply::word(2);
        const int charWidth = qint8(reply::byte(3));
        if (charWidth > 0)
            charsPerLine = printWidth / charWidth;
        else
            cut = false;
    }
    QString address = ui->strDocs_EMail->text();
    if (cut && address.size() > charsPerLine)
        address.truncate(charsPerLine);
    commandText =
        QStringLiteral("17,%1,%2,%3")
            .arg(linkPasswordText(), QString::number(kPrintBothTapes), MCommandText::quoted(address));
    if (!execFRCommand(false))
        return false;
    eMailAdded = false;
    return true;
}

void MMainForm::on_butDocs_CloseCheck_clicked()
{
    if (!connectFR())
        return;
    if (eMailAdded && !printBuyerAddress())
        return;
    commandText = QStringLiteral("85,%1,%2,%3,%4,%5,0,%6,0,0,0,%7")
                      .arg(linkPasswordText(), MCommandText::money(ui->strDocs_SumCash->value()),
                           MCommandText::money(ui->strDocs_SumEl1->value()),
                           MCommandText::money(ui->strDocs_SumEl2->value()),
                           MCommandText::money(ui->strDocs_SumEl3->value()),
                           QString::number(ui->comboDocs_NalogGrp->currentIndex()),
                           MCommandText::quoted(ui->strDocs_NameCheck->text()));
    if (!execFRCommand(true))
        return;
    m_receipt.clear();
    showClosedReceipt(reply::count() > 3 ? reply::text(3) : QString());
}

void MMainForm::on_butDocs_AnnCheck_clicked()
{
    if (!runCommand(QStringLiteral("88,%1").arg(linkPasswordText())))
        return;
    eMailAdded = false;
    m_receipt.clear();
    showPage(ui->textDayState, tr("Чек аннулирован"), Rows());
}

bool MMainForm::writeCorrectionCashless()
{
    const double cashless = ui->strDocs_SumEl1->value();
    if (!isKnownModel || cashless <= 0)
        return true;
    // Kopecks of the field's range need up to five bytes: written whole, never
    // through a 32-bit number that would wrap.
    return runTableCommand(false, 4, 1, 1, tableNumberHex(quint64(cashless * 100 + 0.5)));
}

void MMainForm::on_butDocs_KorrCheck_clicked()
{
    if (!connectFR())
        return;
    commandText = QStringLiteral("FF35,%1").arg(linkPasswordText());
    if (!execFRCommand(false))
        return;
    const int index = ui->comboDocs_Type->currentIndex();
    const int type = index >= 0 && index < 4 ? kCorrectionTypes[index] : 0;
    if (!writeCorrectionCashless())
        return;
    commandText = QStringLiteral("FF36,%1,%2,%3")
                      .arg(linkPasswordText(), MCommandText::money(ui->strDocs_SumCash->value()),
                           QString::number(type));
    if (!execFRCommand(true))
        return;
    Rows rows;
    if (reply::count() > 4) {
        rows = {{tr("Номер чека:"), reply::text(2)},
                {tr("Номер ФД:"), reply::text(3)},
                {tr("Фискальный признак:"), reply::text(4)}};
    }
    showPage(ui->textDayState, tr("Чек коррекции"), rows);
}

void MMainForm::on_butDocs_AnnDiscount_clicked()
{
    outStateMessage(-1, tr("Данная функция не реализована!"));
}
