#include "mainformfixture.h"

#include <logging.h>
#include <mainproc.h>
#include <mfilesworks.h>
#include <mpathworks.h>
#include <testfp.h>
#include <zirivoro.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

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

AppDir::AppDir()
{
    MPathWorks::setAppDirPath(m_dir.path());
}

AppDir::~AppDir()
{
    MPathWorks::setAppDirPath(QString());
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

Bench::Bench(const kelo::emu::EmulatorConfig &config) : m_engine(config) {}

Bench::~Bench()
{
    m_engine.stop();
}

bool Bench::start()
{
    if (!m_engine.start())
        return false;
    return true;
}

std::unique_ptr<MMainForm> Bench::createWindow(MMainFormOptions options)
{
    Driver::resetLinkSettings();
    if (options.port.isEmpty() && !options.emulator)
        options.port = port();
    return std::make_unique<MMainForm>(nullptr, options);
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

} // namespace formtest
