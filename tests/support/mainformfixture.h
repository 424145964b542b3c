#pragma once

// What the window tests share: a throw-away program directory, the driver set
// up as start-up sets it up, the operator window against an emulator running
// in this process, and a timer-driven answer to modal dialogs.
//
//     formtest::Driver m_driver;                 // a member of the test class
//     FORMTEST_OPEN(bench, window);              // registered register by default
//     QCOMPARE(formtest::statusAfter(*window, "butGetState"), formtest::kStatusOk);
//     QVERIFY(bench.read([](const RegisterModel &m) { return m.state().shiftOpen; }));

#include "emulatorengine.h"
#include "mainform.h"

#include <kelodefaults.h>
#include <mpathworks.h>

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <memory>

class ZiRivoro;

// Declares `bench`, the emulator started with the given configuration (the
// registered register when none), and `window`, connected to it as at start-up.
#define FORMTEST_OPEN(bench, window, ...)                                                                    \
    formtest::Bench bench{__VA_ARGS__};                                                                      \
    QVERIFY2(bench.start(), qPrintable(bench.error()));                                                      \
    auto window = bench.createWindow()

namespace formtest {

inline const QString kStatusOk = QStringLiteral("Ошибок нет.");

// The description tables and the one link object; quiet debug logs. Lives
// for the whole test program.
class Driver
{
public:
    Driver();
    ~Driver();
    // Back to the state start-up leaves before the window exists.
    static void resetLinkSettings();

private:
    std::unique_ptr<ZiRivoro> m_link;
};

// A fresh program directory (Settings, Log, Data) for as long as it lives.
class AppDir
{
public:
    AppDir() { MPathWorks::setAppDirPath(m_dir.path()); }
    ~AppDir() { MPathWorks::setAppDirPath(QString()); }
    QString path() const { return m_dir.path(); }
    // The file the window keeps its remembered values in.
    QString settingsFile() const;

private:
    QTemporaryDir m_dir;
};

// The register emulator on a pseudo-terminal, served from a thread of this
// process, and windows pointed at it.
class Bench
{
public:
    // No byte pacing: the tests wait for behaviour, not for the wire.
    static kelo::emu::EmulatorConfig config(kelo::emu::Preset preset = kelo::emu::Preset::Registered);

    explicit Bench(const kelo::emu::EmulatorConfig &config = Bench::config()) : m_engine(config) {}
    ~Bench() { m_engine.stop(); }

    bool start() { return m_engine.start(); }
    QString error() const { return m_engine.errorString(); }
    QString port() const { return m_engine.slavePath(); }
    kelo::emu::EmulatorEngine &emulator() { return m_engine; }

    // A window whose port box is preselected on the emulator.
    std::unique_ptr<MMainForm> createWindow(MMainFormOptions options = MMainFormOptions());

    // What `f` reads from the register model.
    template<typename F> auto read(F f)
    {
        decltype(f(std::declval<const kelo::emu::RegisterModel &>())) value{};
        m_engine.inspect([&](const kelo::emu::RegisterModel &m) { value = f(m); });
        return value;
    }
    // Runs requests on the register model directly, as its keyboard would: the
    // error of the first one refused, 0 when all were done.
    int execute(const QList<QByteArray> &requests);

    AppDir appDir;

private:
    kelo::emu::EmulatorEngine m_engine;
};

// A window that finds no register at its start (its connection fails at once)
// and then has `port` typed into its port box, when given.
std::unique_ptr<MMainForm> offlineWindow(const QString &port = QString());

// Answers the next modal dialog that opens: `answer` gets it once it is the
// active modal widget. Polls on a timer, so a test can start the action that
// opens the dialog (exec() blocks) right after creating this.
class ModalAnswer : public QObject
{
public:
    using Answer = std::function<void(QWidget *dialog)>;
    // With a class name, only a dialog of that class is answered (another
    // modal one below it is left alone).
    explicit ModalAnswer(Answer answer, const char *className = nullptr, int timeoutMs = 10000);

    bool answered() const { return m_answered; }
    // The dialog's window title and, for a message box, its texts.
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QString informativeText() const { return m_informativeText; }

    // Common answers.
    static Answer clickButton(const QString &textOrObjectName);
    // A file dialog: picks the name filter (when given) and the file, then accepts.
    static Answer chooseFile(const QString &path, const QString &nameFilter = QString());

private:
    void poll();

    Answer m_answer;
    const char *m_className;
    QTimer m_timer;
    int m_ticksLeft;
    bool m_answered = false;
    QString m_title, m_text, m_informativeText;
};

template<typename T = QWidget> T *child(QObject &window, const char *objectName)
{
    return window.findChild<T *>(QString::fromLatin1(objectName));
}

// The status line.
QString status(MMainForm &window);
// Presses a button of the window by its object name, or several in turn
// (false at the first the window does not have).
bool click(MMainForm &window, const char *buttonName);
bool click(MMainForm &window, std::initializer_list<const char *> buttonNames);
// Presses the buttons in turn: the status line after the last, or a note
// when the window lacks one.
QString statusAfter(MMainForm &window, std::initializer_list<const char *> buttons);
inline QString statusAfter(MMainForm &window, const char *button)
{
    return statusAfter(window, {button});
}
// The value of a line edit (text), spin box, check box or combo box (index);
// setField() fails the test when there is no such field.
QVariant fieldValue(MMainForm &window, const char *name);
void setField(MMainForm &window, const char *name, const QVariant &value);

// A request as the register reads it: the code (FFxx in two bytes), the password, the rest.
QByteArray request(quint16 code, const QByteArray &rest = QByteArray(),
                   quint32 password = kelo::kDefaultSysAdminPassword);
QByteArray littleEndian(quint64 value, int width);
// Text in the register's code page, cut or padded with zero bytes to `width` when given.
QByteArray cp1251(const QString &text, int width = -1);

} // namespace formtest
