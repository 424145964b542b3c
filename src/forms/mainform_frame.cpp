// The connection cycle every operation runs through, the status line, the
// identification of the register and the access to its tables.

#include "mainform.h"
#include "ui_mainform.h"

#include <logging.h>
#include <mainproc.h>
#include <razbcmd.h>
#include <registerconnector.h>
#include <zirivoro.h>

#include "mbuiltinemulator.h"
#include "mtapeform.h"
#include "waitform.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

// How long a connection may take before its wait box with «Отмена» shows.
constexpr int kWaitBoxDelayMs = 300;

// The wait box of a connection attempt: it shows when the attempt takes a
// while, and its «Отмена» ends the link's wait at once.
class ConnectionWait
{
public:
    ConnectionWait(QWidget *parent, ZiRivoro *link) : m_box(new WaitForm(parent))
    {
        m_box->setText(MMainForm::tr("Соединение с ККТ..."));
        m_box->setTerminateText(MMainForm::tr("Отмена"));
        m_box->showTerminateButton(true);
        QPointer<ZiRivoro> target(link);
        QObject::connect(m_box, &WaitForm::onNeedTerminate, m_box, [target] {
            if (target)
                target->abort();
        });
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, m_box, &WaitForm::showCentered);
        m_timer.start(kWaitBoxDelayMs);
    }
    ~ConnectionWait() { delete m_box; }
    ConnectionWait(const ConnectionWait &) = delete;
    ConnectionWait &operator=(const ConnectionWait &) = delete;

private:
    WaitForm *m_box;
    QTimer m_timer;
};

} // namespace

bool MMainForm::confirmAction(const QString &consequence)
{
    QMessageBox box(this);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(tr("Подтверждение"));
    box.setStyleSheet(styleSheet());
    box.setText(consequence);
    box.setInformativeText(tr("Продолжить?"));
    QPushButton *yes = box.addButton(tr("Да"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(tr("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

bool MMainForm::connectFR()
{
    DriverLinkSettings &link = mpLinkSettings();
    if (link.connected)
        return true;
    if (link.link)
        link.link->resetAbort();
    const bool connected = connectAttempt();
    if (link.link && link.link->isAborted()) {
        // Cancelled: whatever the attempt reached, it ends here, port closed.
        disconnectFR();
        deviceModelId = -1;
        m_journal.forget();
        outStateMessage(-1, tr("Соединение отменено."));
        return false;
    }
    return connected;
}

bool MMainForm::connectAttempt()
{
    DriverLinkSettings &link = mpLinkSettings();
    if (link.connected)
        return true;
    const QString port = ui->comboCOMPort->currentText();
    const QString baud = ui->comboCOMBaudrate->currentText();
    if (port.isEmpty() || baud.isEmpty()) {
        outStateMessage(-1, tr("Не заданы параметры СОМ порта!"));
        return false;
    }
    disableControls();
    ui->strCommandResult->setText(tr("Соединение..."));
    QCoreApplication::processEvents();

    link.portName = port;
    link.baudRate = baud.toInt();
    ConnectionWait wait(this, link.link);
    switch (ops::RegisterConnector::connect(devicePath(port), link.baudRate)) {
    case ops::RegisterConnector::Connected:
        if (deviceModelId != -1)
            return true;
        if (!identifyFR(false))
            return false;
        // A refused table read of the identification closes the link; the
        // operation still needs it, and the register's own answer to its
        // command is the error to show, not "No connect!".
        return link.connected || (!link.link->isAborted() && connectAttempt());
    case ops::RegisterConnector::OpenFailed:
        ui->strCommandResult->setText(
            ops::RegisterConnector::openFailureText(tr("Ошибка открытия СОМ порта!"), devicePath(port)));
        break;
    case ops::RegisterConnector::NoAnswer:
        ui->strCommandResult->setText(tr("Ошибка соединения!"));
        break;
    }
    enableControls();
    deviceModelId = -1;
    isKnownModel = false;
    return false;
}

bool MMainForm::execFRCommand(bool finish)
{
    LOG(DEBUG) << "Command: " << commandText;
    outWorkMessage();
    ++m_commandsRun;
    if (!m_exec.execCommand(QString(commandText))) {
        disconnectFR();
        outStateMessage(-1, QString());
        return false;
    }
    if (finish) {
        disconnectFR();
        outStateMessage(-1, QString());
    }
    return true;
}

void MMainForm::refreshTape()
{
    const bool emulated = m_emulator && m_emulator->isRunning()
                          && ui->comboCOMPort->currentText() == MBuiltinEmulator::entryText();
    if (!emulated) {
        if (m_tape)
            m_tape->hide();
        return;
    }
    if (!m_tape)
        m_tape = new MTapeForm(this);
    m_tape->setStyleSheet(styleSheet());
    m_tape->setLines(m_emulator->tape());
    if (isVisible())
        m_tape->showBeside(this);
}

bool MMainForm::disconnectFR()
{
    enableControls();
    refreshTape();
    DriverLinkSettings &link = mpLinkSettings();
    if (link.connected) {
        if (link.link)
            link.link->closeComPort();
        link.connected = false;
        ui->strCommandResult->clear();
    }
    return true;
}

bool MMainForm::identifyFR(bool finish)
{
    deviceModelId = -1;
    ops::RegisterIdentity identity;
    const bool answered = ops::RegisterConnector::identify(
        [this, finish](const QString &command) {
            commandText = command;
            return execFRCommand(finish);
        },
        &identity);
    if (!answered)
        return false;
    if (identity.model >= 0) {
        deviceModelId = identity.model;
        isKnownModel = identity.known;
    }
    ui->grpFisk_Misc->setVisible(isKnownModel);
    if (!isKnownModel) {
        m_journal.forget();
        return true;
    }
    outStateMessage(0, tr("Добро пожаловать в тестовое ПО для ККТ \"Kelo-Vint-Ф\""));

    const auto readCode = [this](const TableField &field) {
        if (accessFRTable(true, field) && reply::count() >= 3)
            return int(qint8(reply::byte(2)));
        return 0;
    };
    const int taxCode = readCode(regfield::kTaxCode);
    const int modeCode = readCode(regfield::kWorkModeCode);
    if (taxCode != 0)
        ui->strFN_Tax_Code->setValue(taxCode);
    if (modeCode != 0)
        ui->strFN_Mode_Code->setValue(modeCode);
    if (taxCode != 0 || modeCode != 0) {
        setCheckBoxesFromCodes();
        checkNeedParamForReg();
    }
    recordIdentified(identity);
    return true;
}

bool MMainForm::accessFRTable(bool read, int table, int row, int field, const QByteArray &value)
{
    QByteArray hex;
    if (!read) {
        const int nul = int(value.indexOf('\0'));
        hex = (nul < 0 ? value : value.left(nul)).toHex() + "00";
    }
    return runTableCommand(read, table, row, field, hex);
}

bool MMainForm::accessFRTableInt(bool read, int table, int row, int field, quint32 value)
{
    return runTableCommand(read, table, row, field, read ? QByteArray() : tableNumberHex(value));
}

QByteArray MMainForm::tableNumberHex(quint64 value)
{
    // A number goes out like a string: its bytes in memory order and a closing
    // zero byte. Cutting the bytes at their first zero (as for a string) would
    // turn 256, 25600 or port 21504 into 0, so only the high zero bytes go.
    QByteArray bytes;
    for (; value != 0; value >>= 8)
        bytes.append(char(value & 0xFF));
    return bytes.toHex() + "00";
}

bool MMainForm::runTableCommand(bool read, int table, int row, int field, const QByteArray &hexValue)
{
    if (!connectFR())
        return false;
    const QString suffix = read ? QString() : QStringLiteral(",") + QString::fromLatin1(hexValue);
    commandText = QStringLiteral("%1,%2,%3,%4,%5%6")
                      .arg(read ? QStringLiteral("1F") : QStringLiteral("1E"))
                      .arg(ui->strLinkPassword->value())
                      .arg(table)
                      .arg(row)
                      .arg(field)
                      .arg(suffix);
    return execFRCommand(false);
}

void MMainForm::clearDeviceInfo()
{
    ui->frameFRInfo->hide();
    for (QLineEdit *field : {ui->strInfo_Model, ui->strInfo_SerialNumber, ui->strInfo_RegNumber,
                             ui->strInfo_INN, ui->strInfo_FNSerialNumber})
        field->clear();
    QCoreApplication::processEvents();
}

void MMainForm::waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int MMainForm::roundToInt(double x)
{
    const int k = int(x - 1);
    return k + int(x - k + 0.5);
}

void MMainForm::outStateMessage(int code, const QString &text)
{
    m_statusCode = code;
    if (!text.isEmpty())
        ui->strCommandResult->setText(text);
    else if (lastErrCode != 0)
        ui->strCommandResult->setText(lastErrText);
    else
        ui->strCommandResult->setText(tr("Ошибок нет."));
}

void MMainForm::outWorkMessage()
{
    ui->strCommandResult->setText(tr("Идет выполнение команды. Ждите.."));
    QCoreApplication::processEvents();
}

void MMainForm::disableControls()
{
    ui->tabWidget->setEnabled(false);
    ui->menuWidget->setEnabled(false);
    ui->butMenu->setEnabled(false);
}

void MMainForm::enableControls()
{
    ui->tabWidget->setEnabled(true);
    ui->menuWidget->setEnabled(true);
    ui->butMenu->setEnabled(true);
}

void MMainForm::onPressTerminateButton()
{
    terminateRequested = true;
}
