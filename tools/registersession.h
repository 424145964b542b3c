#pragma once

// One connection to the register for the length of a kelo-cli run: the driver
// loaded once, the port opened and probed as the window does (up to three
// link probes, then identification with "FC"), text commands run one at a
// time, and the port closed when the session ends.

#include "zirivoro.h"

#include <QString>

#include <memory>

struct LinkOptions
{
    QString port;
    int baud = 115200;
    int timeoutMs = 6000; // the link probe
    int password = -1;    // -1: the password of "Default.ini"
};

class RegisterSession
{
public:
    explicit RegisterSession(const LinkOptions &options);
    ~RegisterSession();
    RegisterSession(const RegisterSession &) = delete;
    RegisterSession &operator=(const RegisterSession &) = delete;

    // Loads the description files into the driver and sets the password
    // defaults; once per process. False with a message when they do not load.
    static bool loadDriver(QString *error);
    // Checks a text command without the register: it splits, its code is
    // described, its parameters convert and none is dropped or cut on the way
    // to the register. False with the driver's text.
    static bool checkCommand(const QString &command, QString *error);
    // The command with every password parameter it leaves out filled in with
    // the current password (a description's own default, such as the
    // password of "Default.ini", does not take --password into account).
    static QString withPassword(const QString &command);
    // The command as it may be shown: every password parameter as "***".
    static QString shown(const QString &command);

    // Opens the port, probes the link and identifies the register.
    bool open();
    // Runs one text command; on failure errorText() and exitCode() tell why.
    bool exec(const QString &command);
    // After a failure of the link: closes the port and opens it again.
    bool reopen();
    void close();

    // The password as the commands carry it (decimal).
    QString passwordText() const;
    QString errorText() const { return m_error; }
    // ExitRefused for a refusal by the register, else ExitDriver.
    int exitCode() const { return m_exitCode; }
    // The register's error code of the last failure; -1 for the driver's own.
    int errorCode() const { return m_errorCode; }
    QString deviceName() const { return m_deviceName; }
    int deviceModel() const { return m_deviceModel; }

private:
    bool fail(const QString &text, int code);

    LinkOptions m_options;
    ZiRivoro m_link;
    QString m_error;
    int m_exitCode = 0;
    int m_errorCode = 0;
    QString m_deviceName;
    int m_deviceModel = -1;
};

// Loads the driver and opens a session; on failure the message is printed
// and exitCode says how to end.
std::unique_ptr<RegisterSession> openSession(const LinkOptions &link, int *exitCode);
