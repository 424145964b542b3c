// The window itself: construction, the one connect block, closing, the menu and
// the page list. The connection cycle is in mainform_frame.cpp, the remembered
// field values in mainform_settings.cpp, the operations in one file per page.

#include "mainform.h"
#include "ui_mainform.h"

#include "marchivepage.h"

#include "mbuiltinemulator.h"
#include "mmenuform.h"

#include <logging.h>
#include <mainproc.h>
#include <mappinfo.h>
#include <mlogsystem.h>
#include <zirivoro.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>

int deviceModelId = -1;

namespace {

const char *const kStyleSheet =
    "* {font: 10pt \"Tahoma\";} * {color: rgb(0, 0, 0);} QPushButton {font: 10pt; qproperty-minimumSize: 0px "
    "30px; qproperty-iconSize: 24px 24px; } MMainForm {background-color: qlineargradient(spread:pad, "
    "x1:0.466, "
    "y1:1, x2:0.486, y2:0, stop:0 rgba(77, 90, 120, 255), stop:1 rgba(255, 255, 255, 255));} "
    "QPushButton#butMenu {background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, fx:0.5, "
    "fy:0.5, stop:0 rgba(0, 85, 0, 255), stop:1 rgba(77, 90, 120, 255));color: rgb(255, 255, 255);} "
    "QPushButton#butCancel {background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.5, "
    "fx:0.5, "
    "fy:0.5, stop:0 rgba(170, 0, 0, 255), stop:1 rgba(77, 90, 120, 255));color: rgb(255, 255, 255);} "
    "QEditLine#strCommandResult {font: 8pt \"Tahoma\";} ";

} // namespace

MMainForm::MMainForm(QWidget *parent, const MMainFormOptions &options)
    : QDialog(parent, Qt::Window), ui(new Ui::MMainForm), m_options(options)
{
    ui->setupUi(this);
    addTablesPage();
    m_archive = new MArchivePage(ui->tabWidget);
    ui->tabWidget->addWidget(m_archive);
    ui->menuWidget->addItem(tr("Архив ФН"));
    openJournal();
    addJournalPage();
    setWindowFlags(Qt::Window);
    setWindowTitle(tr("Kelo Assistant - Тестовое ПО для ККТ \"Kelo-Vint-Ф\" - версия %1 сборка %2")
                       .arg(QString::fromLatin1(MAppInfo::version))
                       .arg(MAppInfo::revision));
    setStyleSheet(QString::fromUtf8(kStyleSheet));
    // Enter in a field must never press an operation button of a fiscal register.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);

    // What appears later (the register's numbers, the check result, the
    // progress) has its room from the start: nothing moves under the mouse.
    for (QWidget *widget :
         {static_cast<QWidget *>(ui->frameFRInfo), static_cast<QWidget *>(ui->labFN_RegNumberOk),
          static_cast<QWidget *>(ui->labFN_RegNumberError), static_cast<QWidget *>(ui->frameProgress)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }

    ui->menuWidget->setCurrentRow(0);
    ui->tabWidget->setCurrentIndex(0);
    ui->tabFiscalWidget->setCurrentIndex(0);

    fillPortBoxes();
    mpLinkSettings().baudRate = ui->comboCOMBaudrate->currentText().toInt();
    mpLinkSettings().portName = ui->comboCOMPort->currentText();
    ui->strLinkPassword->setValue(mpLinkSettings().password);
    ui->strDumpPassword->setValue(mpLinkSettings().password);
    ui->textFRState->clear();

    for (QWidget *hidden :
         {static_cast<QWidget *>(ui->frameProgress), static_cast<QWidget *>(ui->frameFRInfo),
          static_cast<QWidget *>(ui->grpFisk_Misc), static_cast<QWidget *>(ui->labFN_RegNumberOk),
          static_cast<QWidget *>(ui->labFN_RegNumberError), static_cast<QWidget *>(ui->labService_MD5),
          static_cast<QWidget *>(ui->chkDocs_ExtClose),
          static_cast<QWidget *>(ui->chkReportStateBallance_PrintReg),
          static_cast<QWidget *>(ui->butGetFD_Print), static_cast<QWidget *>(ui->butDocs_AnnDiscount)})
        hidden->hide();

    connectSignals();
    watchOperations();

    on_butGetFromSystem_clicked();
    loadWidgetsStates();
    on_strSerialNumberForWrite_editingFinished();
    applyStartOptions();

    isKnownModel = false;
    deviceModelId = -1;
    if (connectFR() && identifyFR(true))
        readFormParamFromFR();
    reportJournalProblem();

    LOG(INFO) << "MainForm created.";
}

MMainForm::~MMainForm()
{
    LOG(INFO) << "MainForm destoyed.";
    saveWidgetsStates();
    if (mpLinkSettings().connected && mpLinkSettings().link)
        mpLinkSettings().link->closeComPort();
    mpLinkSettings().connected = false;
    delete ui;
}

QStringList MMainForm::systemPorts()
{
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << info.portName();
    std::sort(ports.begin(), ports.end());
    return ports;
}

void MMainForm::fillPortBoxes()
{
    const QStringList ports = systemPorts();
    ui->comboCOMPort->addItems(ports);
    if (MBuiltinEmulator::isAvailable()) {
        ui->comboCOMPort->addItem(MBuiltinEmulator::entryText());
        // The emulator is the operator's choice, never the box's: with no port
        // found the box stays empty, and says so at the first action.
        if (ports.isEmpty())
            ui->comboCOMPort->setCurrentIndex(-1);
    }

    ui->comboCOMBaudrate->clear();
    for (qint32 rate : QSerialPortInfo::standardBaudRates())
        ui->comboCOMBaudrate->addItem(QString::number(rate));
    const int index =
        ui->comboCOMBaudrate->findText(QStringLiteral("115200"), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui->comboCOMBaudrate->setCurrentIndex(index);
}

void MMainForm::connectSignals()
{
    connect(m_archive->readButton(), &QPushButton::clicked, this, &MMainForm::readArchive);
    connect(m_archive->exportButton(), &QPushButton::clicked, this, &MMainForm::exportArchive);
    connect(m_archive->saveButton(), &QPushButton::clicked, this, &MMainForm::saveArchiveDocument);
    connect(m_archive->printButton(), &QPushButton::clicked, this, &MMainForm::printArchiveDocument);
    for (QCheckBox *box : {ui->chkFN_Mode_Auto, ui->chkFN_Mode_BSO, ui->chkFN_Mode_Crypt,
                           ui->chkFN_Mode_Inet1, ui->chkFN_Mode_Inet2, ui->chkFN_Mode_Separate,
                           ui->chkFN_Mode_Sfera, ui->chkFN_Tax_Common, ui->chkFN_Tax_ENVD, ui->chkFN_Tax_Edin,
                           ui->chkFN_Tax_Patent, ui->chkFN_Tax_UPR, ui->chkFN_Tax_UPRDolg}) {
        connect(box, &QCheckBox::clicked, this, &MMainForm::onChangeFN);
        connect(box, &QCheckBox::clicked, this, &MMainForm::checkNeedParamForReg);
    }
    connect(ui->strFN_KKTRegNumber, &QLineEdit::textEdited, this, &MMainForm::onKKTRegNumberEdited);
    connect(ui->strFN_KKTSerialNumber, &QLineEdit::textEdited, this, &MMainForm::onKKTRegNumberEdited);
    connect(ui->strFN_INN, &QLineEdit::textEdited, this, &MMainForm::onKKTRegNumberEdited);
    connect(ui->strFN_KKTNumber, &QSpinBox::valueChanged, this, &MMainForm::onKKTRegNumberEdited);
    connect(ui->strFN_INN, &QLineEdit::editingFinished, this, &MMainForm::checkNeedParamForReg);
    connect(ui->strFN_KKTRegNumber, &QLineEdit::editingFinished, this, &MMainForm::checkNeedParamForReg);
    connect(ui->butTerminate, &QPushButton::clicked, this, &MMainForm::onPressTerminateButton);
    connect(ui->butParam_GetParams, &QPushButton::clicked, this, &MMainForm::readFormParamFromFR);
    connect(ui->butFN_GetParams, &QPushButton::clicked, this, &MMainForm::readFormParamFromFR);
    connect(ui->butParam_SetParams, &QPushButton::clicked, this, &MMainForm::writeFormParamToFR);
    connect(ui->butFN_SetParams, &QPushButton::clicked, this, &MMainForm::writeFormParamToFR);
    // A typed device path (the box is editable) is the port as much as a listed one.
    connect(ui->comboCOMPort, &QComboBox::editTextChanged, this, [this](const QString &text) {
        mpLinkSettings().portName = text;
        m_journal.forget();
    });
    connect(ui->comboCOMPort, &MPortBox::aboutToShowPopup, this, &MMainForm::refreshPortBox);
}

void MMainForm::applyStartOptions()
{
    if (m_options.emulator && MBuiltinEmulator::isAvailable())
        selectPort(MBuiltinEmulator::entryText());
    else if (!m_options.port.isEmpty())
        selectPort(m_options.port);
}

void MMainForm::selectPort(const QString &port)
{
    int index = ui->comboCOMPort->findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        ui->comboCOMPort->addItem(port);
        index = ui->comboCOMPort->count() - 1;
    }
    ui->comboCOMPort->setCurrentIndex(index);
    mpLinkSettings().portName = ui->comboCOMPort->currentText();
}

QString MMainForm::devicePath(const QString &portText)
{
    if (!MBuiltinEmulator::isAvailable() || portText != MBuiltinEmulator::entryText())
        return portText;
    if (!m_emulator)
        m_emulator = std::make_unique<MBuiltinEmulator>(m_options.emulatorStatePath);
    if (m_emulator->start())
        return m_emulator->portPath();
    MLogSystem::instance()->logWrite(QStringLiteral("MMainForm: %1").arg(m_emulator->errorString()),
                                     MLogSystem::LevelError);
    return QString();
}

void MMainForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The tape of the built-in emulator comes up with the window.
    QTimer::singleShot(0, this, &MMainForm::refreshTape);
}

void MMainForm::closeEvent(QCloseEvent *event)
{
    if (m_closeAllowed) {
        event->accept();
        return;
    }
    QMessageBox box(this);
    box.setIcon(QMessageBox::Warning);
    box.setWindowFlags(box.windowFlags() | Qt::CustomizeWindowHint);
    box.setStyleSheet(styleSheet());
    box.setText(tr("Некорректное закрытие программы."));
    box.setInformativeText(
        tr("Предупреждение:\n\nДля корректного закрытия программы нажмите кнопку \"Меню\" и "
           "далее кнопку \"Выход\".\nИли кпопку \"Выход из программы\", расположенную ниже "
           "этого текста."));
    QPushButton *ok = box.addButton(QMessageBox::Ok);
    ok->setIcon(QIcon(QStringLiteral("://butOk")));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    QPushButton *exit = box.addButton(tr("Выход из программы"), QMessageBox::YesRole);
    exit->setIcon(QIcon(QStringLiteral("://butExit")));
    box.exec();
    if (box.clickedButton() == exit)
        event->accept();
    else
        event->ignore();
}

void MMainForm::reject()
{
    // Escape must not close the operator window.
}

void MMainForm::messageReceived(const QString &message)
{
    if (message == QLatin1String("WakeUp"))
        LOG(INFO) << "Run second copy application.";
}

void MMainForm::on_menuWidget_currentItemChanged(QListWidgetItem *current, QListWidgetItem *previous)
{
    QListWidgetItem *item = current ? current : previous;
    if (!item)
        return;
    const int row = ui->menuWidget->row(item);
    if (row >= 0 && row < ui->tabWidget->count())
        ui->tabWidget->setCurrentIndex(row);
}

void MMainForm::on_butMenu_clicked()
{
    MMenuForm menu(this);
    if (menu.exec() != MMenuForm::ExitCode)
        return;
    allowClose();
    QCoreApplication::quit();
}

int MMainForm::pageCount() const
{
    return ui->tabWidget->count();
}

QStringList MMainForm::savePageScreenshots(const QString &directory)
{
    QStringList files;
    const QDir dir(directory);
    if (!dir.exists() && !QDir().mkpath(directory))
        return files;
    const int current = ui->menuWidget->currentRow();
    for (int row = 0; row < ui->tabWidget->count(); ++row) {
        ui->menuWidget->setCurrentRow(row);
        const QString name =
            QStringLiteral("page-%1-%2.png").arg(row).arg(ui->tabWidget->widget(row)->objectName());
        const QString path = dir.absoluteFilePath(name);
        if (grab().save(path, "PNG"))
            files << path;
    }
    ui->menuWidget->setCurrentRow(current);
    return files;
}
