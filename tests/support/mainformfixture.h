#pragma once

// What the window tests share: a throw-away program directory, the driver set
// up as start-up sets it up, the operator window against an emulator running
// in this process or a scripted port, and a timer-driven answer to modal
// dialogs. Requests for the register are written with rq:: (registerrequests.h).

#include "emulatorengine.h"
#include "mainform.h"
#include "registerrequests.h"
#include "systemtestutil.h"

#include <kelodefaults.h>
#include <mpathworks.h>

#include <QAbstractButton>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <memory>

class PtyPeer;
class ZiRivoro;

// Declares `bench`, the emulator started with the given configuration (the
// registered register when none), and `window`, connected to it as at start-up.
#define FORMTEST_OPEN(bench, window, ...)                                                                    \
    formtest::Bench bench{__VA_ARGS__};                                                                      \
    QVERIFY2(bench.start(), qPrintable(bench.error()));                                                      \
    auto window = bench.createWindow()

namespace formtest {

inline const QString kStatusOk = QStringLiteral("Ошибок нет.");
inline const QString kHtmlFilter = QStringLiteral("HTML файлы (*.html)");
inline const QString kBinFilter = QStringLiteral("Бинарные файлы (*.bin)");

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

// The register's side of one command over a scripted port: handshake,
// request, reply and acknowledgement, framed here, not by the driver.
void exchange(PtyPeer &peer, const QByteArray &request, const QByteArray &reply);

// Answers the next modal dialog that opens: `answer` gets it once it is the
// active modal widget. Polls on a timer, so a test can start the action that
// opens the dialog (exec() blocks) right after creating this. Several answers
// go to dialogs opening one after another.
class ModalAnswer : public QObject
{
public:
    using Answer = std::function<void(QWidget *dialog)>;
    // With a class name, only a dialog of that class is answered (another
    // modal one below it is left alone).
    explicit ModalAnswer(Answer answer, const char *className = nullptr, int timeoutMs = 10000)
        : ModalAnswer(QList<Answer>{std::move(answer)}, className, timeoutMs)
    {}
    ModalAnswer(const QList<Answer> &answers, const char *className = nullptr, int timeoutMs = 10000);

    bool answered() const { return m_titles.size() == m_answers.size(); }
    // The window titles of the dialogs answered, and the texts of the last
    // one when it was a message box.
    QStringList titles() const { return m_titles; }
    QString title() const { return m_titles.value(m_titles.size() - 1); }
    QString text() const { return m_text; }
    QString informativeText() const { return m_informativeText; }

    static Answer clickButton(const QString &textOrObjectName);
    // A file dialog: picks the name filter (when given) and the file, then
    // accepts; an empty path cancels it.
    static Answer chooseFile(const QString &path, const QString &nameFilter = QString());

private:
    void poll();

    QList<Answer> m_answers;
    const char *m_className;
    QTimer m_timer;
    int m_ticksLeft;
    QPointer<QWidget> m_last;
    QStringList m_titles;
    QString m_text, m_informativeText;
};

// Answers every «Подтверждение» the window asks while it lives: «Да», or «Нет».
class Confirmations : public QObject
{
public:
    explicit Confirmations(bool yes = true);
    int asked() const { return m_asked; }

private:
    QTimer m_timer;
    int m_asked = 0;
};

template<typename T = QWidget> T *child(QObject &window, const char *objectName)
{
    return window.findChild<T *>(QString::fromLatin1(objectName));
}

// The status line.
QString status(MMainForm &window);
// Presses a button of the window by its object name, or several in turn
// (false at the first the window does not have).
bool click(MMainForm &window, std::initializer_list<const char *> buttonNames);
inline bool click(MMainForm &window, const char *buttonName)
{
    return click(window, {buttonName});
}
// Presses the buttons in turn: the status line after the last, or a note
// when the window lacks one.
QString statusAfter(MMainForm &window, std::initializer_list<const char *> buttons);
inline QString statusAfter(MMainForm &window, const char *button)
{
    return statusAfter(window, {button});
}
// Presses `button` with `path` chosen in the file dialog it opens; false when
// no file dialog came.
bool clickChoosing(MMainForm &window, const char *button, const QString &path,
                   const QString &nameFilter = QString());
// The value of a line edit (text), spin box, check box or combo box (index);
// setField() fails the test when there is no such field.
QVariant fieldValue(MMainForm &window, const char *name);
void setField(MMainForm &window, const char *name, const QVariant &value);

} // namespace formtest
