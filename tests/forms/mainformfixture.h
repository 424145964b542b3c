#pragma once

// What the window tests share: a throw-away program directory, the driver set
// up as start-up sets it up, the operator window against an emulator running
// in this process, and a timer-driven answer to modal dialogs.
//
//     formtest::Driver driver;                   // once, in initTestCase()
//     formtest::Bench bench;                     // registered register by default
//     QVERIFY2(bench.start(), qPrintable(bench.error()));
//     auto window = bench.createWindow();        // connects and identifies, as at start-up
//     formtest::click(*window, "butGetState");
//     QCOMPARE(formtest::status(*window), QStringLiteral("Ошибок нет."));
//     bench.emulator().inspect([](const kelo::emu::RegisterModel &m) { ... });

#include "emulatorengine.h"
#include "mainform.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

class ZiRivoro;

namespace formtest {

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
    AppDir();
    ~AppDir();
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

    explicit Bench(const kelo::emu::EmulatorConfig &config = Bench::config());
    ~Bench();

    bool start();
    QString error() const { return m_engine.errorString(); }
    QString port() const { return m_engine.slavePath(); }
    kelo::emu::EmulatorEngine &emulator() { return m_engine; }

    // A window whose port box is preselected on the emulator.
    std::unique_ptr<MMainForm> createWindow(MMainFormOptions options = MMainFormOptions());

    AppDir appDir;

private:
    kelo::emu::EmulatorEngine m_engine;
};

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
// Presses a button of the window by its object name (fails when there is none).
bool click(MMainForm &window, const char *buttonName);

} // namespace formtest
