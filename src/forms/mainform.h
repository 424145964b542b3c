#ifndef MAINFORM_H
#define MAINFORM_H

#include "testfp.h"

#include "mportbox.h"
#include "mreceiptsofar.h"

#include <journalrecorder.h>
#include <registerfields.h>
#include <registertext.h>
#include <replyvalues.h>

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVariant>

class MTLVDocument;
class MTablesPage;
class MTapeForm;

#include <memory>

class MArchivePage;
class MJournalPage;
class MBuiltinEmulator;
class QAbstractButton;
class QCloseEvent;
class QTextEdit;
class QListWidgetItem;
class QSettings;

namespace Ui {
class MMainForm;
}

// The model number the register reported when the connection was identified;
// -1 while it is not identified. One per process, like the link settings.
extern int deviceModelId;

// How the program asks the window to start (command line); the defaults are a
// plain start with the remembered port.
struct MMainFormOptions
{
    QString port;              // preselect this port, adding it to the box when it is not listed
    bool emulator = false;     // preselect the built-in register emulator
    QString emulatorStatePath; // where the built-in emulator keeps its register; empty: Data/emulator.json
};

// The operator window: pages chosen from the list on the left, one status
// line, and the connection cycle every operation runs through:
//
//     if (!connectFR())
//         return;                    // the status line says why
//     commandText = "11,30";
//     if (!execFRCommand(true))      // true: the last command of the cycle
//         return;                    // port closed, error shown
//     ... read rplItems ...
//
// Operations live in one source file per page (mainform_<page>.cpp).
class MMainForm : public QDialog
{
    Q_OBJECT

public:
    explicit MMainForm(QWidget *parent = nullptr, const MMainFormOptions &options = MMainFormOptions());
    ~MMainForm() override;

    // The connection cycle.
    // Asks before an irreversible command: the consequence in one sentence,
    // «Нет» the default. True when the operator answered «Да».
    bool confirmAction(const QString &consequence);
    // The folder the file dialogs open in, and where the last file was chosen.
    QString lastFolder() const;
    void rememberFolder(const QString &file);
    // A file to save or open, starting in the last folder used (and
    // remembering the new one); `suffix` is added to a name saved without it
    // while the first filter is chosen. Empty when the operator cancels.
    QString chooseFile(const QString &title, bool forSaving, const QStringList &filters,
                       const QString &suffix, const QString &suggested = QString());

    bool connectFR();
    // One attempt of connectFR, before a cancel is looked at.
    bool connectAttempt();
    bool execFRCommand(bool finish);
    bool disconnectFR();
    bool identifyFR(bool finish);
    // Reads (1F) or writes (1E) one table field and keeps the connection open;
    // the value read is reply::bytes(2). A string value is sent up to its first
    // zero byte, with one zero byte after it.
    bool accessFRTable(bool read, int table, int row, int field, const QByteArray &value = QByteArray());
    // The same for a number: its little-endian bytes without the high zero bytes.
    bool accessFRTableInt(bool read, int table, int row, int field, quint32 value);
    bool accessFRTable(bool read, const TableField &f, const QByteArray &value = QByteArray())
    {
        return accessFRTable(read, f.table, f.row, f.field, value);
    }
    bool accessFRTableInt(bool read, const TableField &f, quint32 value)
    {
        return accessFRTableInt(read, f.table, f.row, f.field, value);
    }
    // The hexadecimal value part of a table write for a number.
    static QByteArray tableNumberHex(quint64 value);
    void clearDeviceInfo();
    // Waits while the window keeps handling its events.
    void waitMs(int ms);
    static int roundToInt(double x);

    // Saves one picture of every page into the directory; the file names.
    QStringList savePageScreenshots(const QString &directory);
    int pageCount() const;
    // Lets the next close event through without asking (menu "Выход").
    void allowClose() { m_closeAllowed = true; }

    QString commandText;
    bool terminateRequested = false;
    bool eMailAdded = false;
    bool isKnownModel = false;

public slots:
    void outStateMessage(int code = -1, const QString &text = QString());
    void outWorkMessage();
    void disableControls();
    void enableControls();
    void onKKTRegNumberEdited();
    void checkNeedParamForReg();

private slots:
    void messageReceived(const QString &message);
    void onChangeFN();
    void loadWidgetsStates();
    void saveWidgetsStates();
    void saveLastValue(QSettings &settings, QObject *widget);
    void restoreLastValue(QSettings &settings, QObject *widget, const QVariant &defaultValue);
    void onPressTerminateButton();
    bool writeFormParamToFR();
    void readFormParamFromFR();
    void on_menuWidget_currentItemChanged(QListWidgetItem *current, QListWidgetItem *previous);
    void on_butMenu_clicked();

    // "Связь" and "Состояние"
    void on_comboCOMPort_currentIndexChanged(int index);
    void on_comboCOMBaudrate_currentIndexChanged(int index);
    void on_strLinkTimeout_valueChanged(int value);
    void on_strLinkPassword_editingFinished();
    void on_butTestLink_clicked();
    void on_butFindFR_clicked();
    void on_butGetState_clicked();
    void on_butResetState_clicked();

    // Date and time ("Сервис")
    void on_butGetDate_clicked();
    void on_butGetFromSystem_clicked();
    void on_butSetDate_clicked();
    void on_butSetDateStep2_clicked();

    // "Регистрация"
    void on_butFN_CalcRegNumber_clicked();
    void on_butFN_VerRegNumber_clicked();
    void on_butFN_GetSerialNumber_clicked();
    void on_butFN_FiskStep1_clicked();
    void on_butFN_FiskStep2_clicked();
    void on_butFN_ReFisk_clicked();
    void on_butFN_FiskClose_clicked();
    void on_butResetFN_clicked();

    // "Смена и документы"
    void on_butOpenDay_clicked();
    void on_butCloseDay_clicked();
    void on_butReportX_clicked();
    void on_butReportStateBallanceStep2_clicked();
    void on_butGetStateDay_clicked();
    void on_butDocs_OpenCheck_clicked();
    void on_butDocs_AddPos_clicked();
    void on_butDocs_AnnPos_clicked();
    void on_butDocs_Discount_clicked();
    void on_butDocs_AddEMail_clicked();
    void on_butDocs_CloseCheck_clicked();
    void on_butDocs_AnnCheck_clicked();
    void on_butDocs_KorrCheck_clicked();
    void on_butDocs_AnnDiscount_clicked();

    // "ОФД/ФН"
    void on_butGetFDFromFN_clicked();
    void on_butGetOFDStatus_clicked();
    void on_butGetOFDDocs_clicked();
    void on_getOFDRequest_clicked();
    void on_butGetStateFisk_clicked();
    void on_butGetFN_State_clicked();
    void on_butGetFN_Srok_clicked();
    void on_butGetFN_Number_clicked();
    void on_butGetFN_Version_clicked();
    void on_butDocs_AnnDocFromFN_clicked();
    void on_butGetFD_Save_clicked();
    void on_butGetFD_Print_clicked();

    // "Архив ФН"
    void readArchive();
    void exportArchive();
    void saveArchiveDocument();
    void printArchiveDocument();

    // "Сервис"
    void on_butServiceReset_clicked();
    void on_butFullReset_clicked();
    void on_strSerialNumberForWrite_editingFinished();
    void on_butWriteSerialNumber_clicked();
    void on_butWriteSerialNumberV2_clicked();
    void on_butService_GetDump_clicked();
    void on_butService_CalcMD5_clicked();
    void on_butService_Compare2Dumps_clicked();

protected slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fillPortBoxes();
    static QStringList systemPorts();
    // The port box's list made afresh; the text in it stays.
    void refreshPortBox();
    void connectSignals();
    void applyStartOptions();
    void selectPort(const QString &port);
    // The device to open for the port box's text (the built-in emulator's
    // terminal for its entry); empty when there is none.
    QString devicePath(const QString &portText);
    bool runTableCommand(bool read, int table, int row, int field, const QByteArray &hexValue);
    // Ticks the tax and work-mode boxes from the two code fields.
    void setCheckBoxesFromCodes();
    void restoreLinkBox(QSettings &settings, const QString &name);
    void saveLinkBox(QSettings &settings, const QString &name);
    QObject *widgetNamed(const QString &name) const;

    // Reading operations
    // The password of every text command, in decimal.
    QString linkPasswordText() const;
    // Fills the device information frame from table 18; `stateSerial` stands
    // in for a serial number that cannot be read from the table.
    void readDeviceInfo(const QString &stateSerial);
    // Connects, clears the "ОФД/ФН" view and runs `command` ("%1" the password)
    // as the only command of the cycle.
    bool startFNOFDQuery(const QString &command);
    // Asks for a file and saves the page shown in `view` (document `number`).
    void saveShownPage(QTextEdit *view, quint32 number);
    void printShownPage(QTextEdit *view);
    bool writeShownData(QTextEdit *view, const QString &fileName, bool html);
    // Runs one command of a long reading in the open connection, opening it
    // when a lost link closed it. A refusal keeps the connection open.
    bool execInSession(const QString &command);
    // The FN archive page's range from its fields, the end asked of the
    // register when left at "the last"; false when there is none.
    bool archiveRange(quint32 *from, quint32 *to);
    void showArchiveProgress(int done, int total, qint64 elapsedMs);

    // Changing operations
    // One command as the whole connection cycle; the status line says how it went.
    bool runCommand(const QString &text);
    // INN, registration number, tax and work-mode codes of FF06 and FF34.
    QString registrationParams() const;
    // Keeps the register's tax system and the form's in step before a sale;
    // false when the operation has to stop (the status line says why).
    bool syncTaxCode();
    bool printBuyerAddress();
    bool writeCorrectionCashless();
    void writeSerialNumber(const QString &command);
    bool confirmSerialWrite(quint64 serial);
    // The INN, serial and (withRegNumber) registration number fields as the
    // tax service takes them; false with the field named in the status line.
    bool checkRegistrationNumbers(bool withRegNumber);
    bool confirmRegistration();
    bool checkItemName();
    // The tape of the built-in emulator, shown while it is the port.
    void refreshTape();
    void showReceiptSoFar();
    void addReceiptLine(bool storno);
    void showClosedReceipt(const QString &change);
    static QString lastDocumentValue(const QList<MTLVDocument> &items, quint16 tag);
    // The blocks of a dump announced with `blockCount`; false when the dump
    // failed (the register is told to stop, the status line says why). An
    // operator's stop ends it early with true and terminateRequested set.
    bool saveDump(const QString &fileName, const QByteArray &image);
    void showMd5(const QByteArray &hexDigest);
    // The progress frame around a long file operation, which the operator can stop.
    void showFileWork(bool shown);
    bool fileWorkProgress(qint64 done, qint64 total);
    // The "Таблицы" page, made in code and added after the pages of the form.
    void addTablesPage();

    // The service journal (mainform_journal.cpp): opened at the start, a
    // visit begun when a register is identified, the operations of the
    // window's buttons and what they read recorded into it.
    void openJournal();
    // A journal that cannot be used is said once, in the status line and the log.
    void reportJournalProblem();
    void reportJournalWriteFailure();
    QString journalProblemText() const;
    void addJournalPage();
    // Every operation button of the pages: what it did goes into the journal.
    void watchOperations();
    void recordOperation(QAbstractButton *button);
    void recordIdentified(const ops::RegisterIdentity &identity);
    // A register's document read whole; `ofd` as the journal keeps it.
    void recordDocument(const ops::FnDocument &doc, int ofd = journal::DocumentRow::OfdUnknown);
    // A document from the journal on the "ОФД/ФН" page, with no register attached.
    void showStoredDocument(const journal::DocumentRow &row);
    // The page (its index among the pages) a widget lies on; -1 when none.
    int pageIndexOf(const QWidget *widget) const;
    void showPageOf(QWidget *widget);

    Ui::MMainForm *ui;
    TestFp m_exec;
    MReceiptSoFar m_receipt;
    MTapeForm *m_tape = nullptr; // a child: goes with the window
    MTablesPage *m_tablesPage = nullptr;
    MArchivePage *m_archive = nullptr;
    MJournalPage *m_journalPage = nullptr;
    journal::JournalRecorder m_journal{QLatin1String(journal::kWindowFrontEnd)};
    // The register was identified (and its table-18 numbers read) during the
    // link test under way.
    bool m_identifiedNow = false;
    // Register commands run since the operation button was pressed.
    int m_commandsRun = 0;
    // The code the status line was last set with (outStateMessage).
    int m_statusCode = -1;
    MMainFormOptions m_options;
    std::unique_ptr<MBuiltinEmulator> m_emulator;
    bool m_closeAllowed = false;
};

#endif // MAINFORM_H
