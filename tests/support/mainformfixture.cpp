#include "mainformfixture.h"
#include "ptypeer.h"

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
        for (int i = 0; i < requests.size() && error == 0; ++i)
            error = rq::error(m.execute(requests.at(i)));
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

void exchange(PtyPeer &peer, const QByteArray &request, const QByteArray &reply)
{
    peer.step(linkbytes::ENQ, linkbytes::NAK);
    peer.step(linkbytes::frame(request), linkbytes::ACK + linkbytes::frame(reply));
    peer.step(linkbytes::ACK);
}

ModalAnswer::ModalAnswer(const QList<Answer> &answers, const char *className, int timeoutMs)
    : m_answers(answers), m_className(className), m_ticksLeft(timeoutMs / 10)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswer::poll);
    m_timer.start(10);
}

void ModalAnswer::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (dialog && m_className && !dialog->inherits(m_className))
        dialog = nullptr;
    if (!dialog || dialog == m_last) { // the one answered may take a moment to go
        if (--m_ticksLeft <= 0)
            m_timer.stop();
        return;
    }
    m_last = dialog;
    m_titles << dialog->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        m_text = box->text();
        m_informativeText = box->informativeText();
    }
    if (answered())
        m_timer.stop();
    m_answers.at(m_titles.size() - 1)(dialog);
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
        if (!files || path.isEmpty()) {
            if (!files)
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

bool click(MMainForm &window, std::initializer_list<const char *> buttonNames)
{
    for (const char *name : buttonNames) {
        auto *button = child<QAbstractButton>(window, name);
        if (!button)
            return false;
        button->click();
    }
    return true;
}

QString statusAfter(MMainForm &window, std::initializer_list<const char *> buttons)
{
    return click(window, buttons) ? status(window) : QStringLiteral("(a button is missing)");
}

bool clickChoosing(MMainForm &window, const char *button, const QString &path, const QString &nameFilter)
{
    ModalAnswer answer(ModalAnswer::chooseFile(path, nameFilter), "QFileDialog");
    return click(window, button) && answer.answered();
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

Confirmations::Confirmations(bool yes)
{
    QObject::connect(&m_timer, &QTimer::timeout, this, [this, yes] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->windowTitle() != QStringLiteral("Подтверждение"))
            return;
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == (yes ? QStringLiteral("Да") : QStringLiteral("Нет"))) {
                ++m_asked;
                button->click();
                return;
            }
        }
    });
    m_timer.start(20);
}

} // namespace formtest
