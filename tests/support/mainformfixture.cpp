#include "mainformfixture.h"

#include <logging.h>
#include <mainproc.h>
#include <mfilesworks.h>
#include <mpathworks.h>
#include <testfp.h>
#include <zirivoro.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaProperty>
#include <QTextCodec>

namespace formtest {

Driver::Driver()
{
    el::Configurations quiet;
    quiet.setToDefault();
    quiet.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
    quiet.set(el::Level::Error, el::ConfigurationType::ToStandardOutput, "true");
    el::Loggers::reconfigureLogger("default", quiet);

    mpLoadDataFiles();
    if (!mpParseDescriptionFiles())
        qFatal("the description files do not load");
    m_link = std::make_unique<ZiRivoro>();
    mpLinkSettings().link = m_link.get();
    resetLinkSettings();
}

Driver::~Driver()
{
    mpLinkSettings().link = nullptr;
}

void Driver::resetLinkSettings()
{
    DriverLinkSettings &link = mpLinkSettings();
    if (link.link)
        link.link->closeComPort();
    mpLoadDefaults();
    link.connected = false;
    link.baudRate = 115200;
    link.portName = QStringLiteral("COM1");
    lastErrCode = 0;
    lastErrText.clear();
    deviceModelId = -1;
}

QString AppDir::settingsFile() const
{
    return MFilesWorks::appSettingsFile().absoluteFilePath();
}

kelo::emu::EmulatorConfig Bench::config(kelo::emu::Preset preset)
{
    kelo::emu::EmulatorConfig config;
    config.baud = 0;
    config.preset = preset;
    return config;
}

std::unique_ptr<MMainForm> Bench::createWindow(MMainFormOptions options)
{
    Driver::resetLinkSettings();
    if (options.port.isEmpty() && !options.emulator)
        options.port = port();
    return std::make_unique<MMainForm>(nullptr, options);
}

int Bench::execute(const QList<QByteArray> &requests)
{
    int error = 0;
    m_engine.modify([&](kelo::emu::RegisterModel &m) {
        for (const QByteArray &r : requests) {
            const QByteArray reply = m.execute(r);
            const int codeSize = quint8(r.at(0)) == 0xFF ? 2 : 1;
            error = reply.size() > codeSize ? quint8(reply.at(codeSize)) : -1;
            if (error != 0)
                return;
        }
    });
    return error;
}

std::unique_ptr<MMainForm> offlineWindow(const QString &port)
{
    Driver::resetLinkSettings();
    MMainFormOptions options;
    options.port = QStringLiteral("/nonexistent/ttyKelo");
    auto window = std::make_unique<MMainForm>(nullptr, options);
    if (!port.isEmpty())
        child<QComboBox>(*window, "comboCOMPort")->setEditText(port);
    return window;
}

ModalAnswer::ModalAnswer(Answer answer, const char *className, int timeoutMs)
    : m_answer(std::move(answer)), m_className(className), m_ticksLeft(timeoutMs / 10)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswer::poll);
    m_timer.start(10);
}

void ModalAnswer::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (dialog && m_className && !dialog->inherits(m_className))
        dialog = nullptr;
    if (!dialog) {
        if (--m_ticksLeft <= 0)
            m_timer.stop();
        return;
    }
    m_timer.stop();
    m_title = dialog->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        m_text = box->text();
        m_informativeText = box->informativeText();
    }
    m_answered = true;
    m_answer(dialog);
}

ModalAnswer::Answer ModalAnswer::clickButton(const QString &textOrObjectName)
{
    return [textOrObjectName](QWidget *dialog) {
        for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
            if (button->objectName() == textOrObjectName || button->text() == textOrObjectName) {
                button->click();
                return;
            }
        }
        qWarning("no button \"%s\" in the dialog", qPrintable(textOrObjectName));
        if (auto *box = qobject_cast<QDialog *>(dialog))
            box->done(QDialog::Rejected); // never leave a test hanging in exec()
    };
}

ModalAnswer::Answer ModalAnswer::chooseFile(const QString &path, const QString &nameFilter)
{
    return [path, nameFilter](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        if (!files) {
            qWarning("not a file dialog: %s", dialog->metaObject()->className());
            if (auto *other = qobject_cast<QDialog *>(dialog))
                other->done(QDialog::Rejected);
            return;
        }
        if (!nameFilter.isEmpty())
            files->selectNameFilter(nameFilter);
        files->selectFile(path);
        // selectFile() leaves a focused name field alone (it may be what the
        // operator is typing); type the name into it as the operator would.
        if (auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        static_cast<QDialog *>(files)->accept(); // QFileDialog::accept() is protected
    };
}

QString status(MMainForm &window)
{
    auto *line = child<QLineEdit>(window, "strCommandResult");
    return line ? line->text() : QString();
}

bool click(MMainForm &window, const char *buttonName)
{
    auto *button = child<QAbstractButton>(window, buttonName);
    if (!button)
        return false;
    button->click();
    return true;
}

bool click(MMainForm &window, std::initializer_list<const char *> buttonNames)
{
    for (const char *name : buttonNames) {
        if (!click(window, name))
            return false;
    }
    return true;
}

QString statusAfter(MMainForm &window, std::initializer_list<const char *> buttons)
{
    return click(window, buttons) ? status(window) : QStringLiteral("(a button is missing)");
}

// Where a field keeps its value: a combo box's index, another widget's user property.
static QMetaProperty valueProperty(QObject *widget)
{
    const QMetaObject *meta = widget->metaObject();
    return qobject_cast<QComboBox *>(widget) ? meta->property(meta->indexOfProperty("currentIndex"))
                                             : meta->userProperty();
}

QVariant fieldValue(MMainForm &window, const char *name)
{
    QObject *widget = child<QObject>(window, name);
    return widget ? valueProperty(widget).read(widget) : QVariant();
}

void setField(MMainForm &window, const char *name, const QVariant &value)
{
    QObject *widget = child<QObject>(window, name);
    QVERIFY2(widget && valueProperty(widget).write(widget, value), name);
}

QByteArray request(quint16 code, const QByteArray &rest, quint32 password)
{
    QByteArray bytes;
    if (code > 0xFF)
        bytes.append('\xFF');
    bytes.append(char(code & 0xFF));
    return bytes + littleEndian(password, 4) + rest;
}

QByteArray littleEndian(quint64 value, int width)
{
    QByteArray bytes;
    for (int i = 0; i < width; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

QByteArray cp1251(const QString &text, int width)
{
    const QByteArray bytes = QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
    return width < 0 ? bytes : bytes.leftJustified(width, '\0', true);
}

} // namespace formtest
