#ifndef MSTARTUPLOG_H
#define MSTARTUPLOG_H

#include <QString>
#include <QtGlobal>

class QSettings;
class QMessageLogContext;

// The debug logs (easylogging++) as start-up sets them up from the settings
// file, the banner and the system information written into them.
namespace startuplog {

struct Switches
{
    bool enableLog = true;   // "Logging/EnableLog"
    bool debug = false;      // "Logging/Debug"
    bool performance = true; // "Logging/Perfomance": the performance log is written

    static Switches read(QSettings &settings);
};

struct Files
{
    QString main;        // B.log
    QString debug;       // B.d.log
    QString performance; // B.p.log

    static Files current();
};

// Moves yesterday's logs aside (dated copies, archived, kept 30 days; the
// debug logs only when they are written) and chooses the event log file. Not
// for a second instance: the first one is still writing these files.
void rotate(const Files &files, bool debugLogs);
void configure(const Switches &switches, const Files &files);
void writeBanner();
void writeSystemInfo();

// Qt's messages into the "default" logger.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
// Shows a driver message to the operator.
void driverMessageBox(const QString &title, const QString &text);

} // namespace startuplog

#endif // MSTARTUPLOG_H
