#include "mstartuplog.h"

#include <logging.h>
#include <mappinfo.h>
#include <mfilesworks.h>
#include <mpathworks.h>
#include <mlogsystem.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

#include <cstdio>

namespace startuplog {

namespace {

constexpr int kKeepDays = 30;
const char *const kStars = "*************************************************************";
const char *const kStarting = "******************    Starting log     **********************";

std::string text(const QString &value)
{
    return value.toStdString();
}

void logInfo(const QString &line)
{
    LOG(INFO) << line;
}

} // namespace

Switches Switches::read(QSettings &settings)
{
    Switches s;
    s.enableLog = settings.value(QStringLiteral("Logging/EnableLog"), true).toBool();
    s.debug = settings.value(QStringLiteral("Logging/Debug"), false).toBool();
    s.performance = settings.value(QStringLiteral("Logging/Perfomance"), true).toBool();
    return s;
}

Files Files::current()
{
    return {MFilesWorks::mainLogFile().absoluteFilePath(), MFilesWorks::debugLogFile().absoluteFilePath(),
            MFilesWorks::performanceLogFile().absoluteFilePath()};
}

void rotate(const Files &files, bool debugLogs)
{
    el::Loggers::flushAll();
    MLogSystem *log = MLogSystem::instance();
    if (debugLogs) {
        for (const QString &file : {files.main, files.debug, files.performance})
            log->rotate(file, true, kKeepDays);
    }
    const QString events = MFilesWorks::eventLogFile().absoluteFilePath();
    log->rotate(events, true, kKeepDays);
    log->setLogFile(events);
}

void configure(const Switches &switches, const Files &files)
{
    el::Configurations conf;
    conf.setToDefault();
    if (!switches.enableLog) {
        conf.setGlobally(el::ConfigurationType::Enabled, "false");
        conf.setGlobally(el::ConfigurationType::ToFile, "false");
        conf.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
    } else {
        conf.setGlobally(el::ConfigurationType::Enabled, "true");
        conf.setGlobally(el::ConfigurationType::ToFile, "true");
        conf.setGlobally(el::ConfigurationType::ToStandardOutput, "true");
        conf.setGlobally(el::ConfigurationType::Format, "%datetime [%levshort]: %msg");
        conf.setGlobally(el::ConfigurationType::SubsecondPrecision, "3");
        conf.setGlobally(el::ConfigurationType::PerformanceTracking, "true");
        conf.setGlobally(el::ConfigurationType::MaxLogFileSize, "100000000");
        conf.setGlobally(el::ConfigurationType::LogFlushThreshold, "1");
        // An absolute name: the working directory is not the program's yet.
        conf.setGlobally(el::ConfigurationType::Filename, text(files.main));
        const char *debug = switches.debug ? "true" : "false";
        conf.set(el::Level::Debug, el::ConfigurationType::Enabled, debug);
        conf.set(el::Level::Debug, el::ConfigurationType::ToStandardOutput, debug);
        conf.set(el::Level::Debug, el::ConfigurationType::Filename, text(files.debug));
        conf.set(el::Level::Debug, el::ConfigurationType::Format, "%datetime{%H:%m:%s.%g}: '%msg'");
    }
    el::Loggers::reconfigureLogger("default", conf);

    el::Configurations performance = conf;
    const bool writePerformance = switches.enableLog && switches.performance;
    performance.setGlobally(el::ConfigurationType::Enabled, writePerformance ? "true" : "false");
    performance.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
    // With hierarchical logging "Enabled" alone does not silence a logger, and
    // this one's file would be the main log.
    performance.setGlobally(el::ConfigurationType::ToFile, writePerformance ? "true" : "false");
    if (writePerformance)
        performance.setGlobally(el::ConfigurationType::Filename, text(files.performance));
    el::Loggers::getLogger("performance");
    el::Loggers::reconfigureLogger("performance", performance);

    el::Loggers::addFlag(el::LoggingFlag::AutoSpacing);
    el::Loggers::addFlag(el::LoggingFlag::HierarchicalLogging);
    el::Loggers::addFlag(el::LoggingFlag::ColoredTerminalOutput);
    el::Loggers::addFlag(el::LoggingFlag::DisableApplicationAbortOnFatalLog);
    el::Loggers::setLoggingLevel(switches.debug ? el::Level::Debug : el::Level::Error);
}

void writeBanner()
{
    std::fprintf(stderr, "%s\nVersion:      %s\nRevision:     %d\nCompile date: %s\nCompile time: %s\n\n",
                 MAppInfo::applicationName, MAppInfo::version, MAppInfo::revision, MAppInfo::compileDate,
                 MAppInfo::compileTime);
    for (const char *line : {kStars, kStarting, kStars})
        LOG(INFO) << line;
    for (const char *line : {kStars, kStarting, kStars})
        LOG(DEBUG) << line;
    for (const char *line : {kStars, kStarting, kStars})
        CLOG(INFO, "performance") << line;
    logInfo(QString::fromLatin1(MAppInfo::applicationName));
    logInfo(QStringLiteral("\tVersion: %2").arg(QString::fromLatin1(MAppInfo::version)));
    logInfo(QStringLiteral("\tRevision: %3").arg(MAppInfo::revision));
    logInfo(QStringLiteral("\tCompile date: %4").arg(QString::fromLatin1(MAppInfo::compileDate)));
    logInfo(QStringLiteral("\tCompile time: %5").arg(QString::fromLatin1(MAppInfo::compileTime)));
    LOG(INFO) << kStars;
    LOG(INFO) << "Bootting...";
}

void writeSystemInfo()
{
    logInfo(QStringLiteral("main: Work begin..."));
    logInfo(QStringLiteral("main: System information:"));
    const QList<QScreen *> screens = QGuiApplication::screens();
    logInfo(QStringLiteral("\tScreen count <%1>").arg(screens.size()));
    if (screens.size() > 1) {
        for (int i = 0; i < screens.size(); ++i) {
            const QSize size = screens.at(i)->size();
            logInfo(QStringLiteral("\tScreen #%3 resolution %1x%2")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(i + 1));
        }
        logInfo(QStringLiteral("\tCurrent screen: %1")
                    .arg(screens.indexOf(QGuiApplication::primaryScreen()) + 1));
    } else if (!screens.isEmpty()) {
        const QSize size = screens.first()->size();
        logInfo(QStringLiteral("\tScreen resolution %1x%2").arg(size.width()).arg(size.height()));
    }
    logInfo(
        QStringLiteral("\t7-zip archiver found: %1")
            .arg(MFilesWorks::archiverPath().isEmpty() ? QStringLiteral("false") : QStringLiteral("true")));
    logInfo(QStringLiteral("\tSound available: %1").arg(QStringLiteral("false")));
    logInfo(QStringLiteral("\t%1").arg(MPathWorks::layoutDescription()));

    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) {
        logInfo(QStringLiteral("\told country: %1 (%2)")
                    .arg(QLocale::territoryToString(system.territory()))
                    .arg(int(system.territory())));
        logInfo(QStringLiteral("\told language: %1 (%2)")
                    .arg(QLocale::languageToString(system.language()))
                    .arg(int(system.language())));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    const QLocale locale;
    logInfo(QStringLiteral("\tDecimal point: %1").arg(locale.decimalPoint()));
    logInfo(QStringLiteral("\tCountry: %1 (%2)")
                .arg(QLocale::territoryToString(locale.territory()))
                .arg(int(locale.territory())));
    logInfo(QStringLiteral("\tLanguage: %1 (%2)")
                .arg(QLocale::languageToString(locale.language()))
                .arg(int(locale.language())));
    logInfo(QStringLiteral("\tLocale name: %1").arg(locale.name()));
    logInfo(QStringLiteral("\tGroup separator: %1").arg(locale.groupSeparator()));
    logInfo(QStringLiteral("\tCurrency symbol: %1").arg(locale.currencySymbol()));
}

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(context)
    switch (type) {
    case QtDebugMsg:
        LOG(DEBUG) << message;
        break;
    case QtInfoMsg:
        LOG(INFO) << message;
        break;
    case QtWarningMsg:
        LOG(WARNING) << message;
        break;
    case QtCriticalMsg:
        LOG(ERROR) << message;
        break;
    case QtFatalMsg:
        LOG(FATAL) << message;
        break;
    }
}

void driverMessageBox(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text);
    box.setFont(QFont(QStringLiteral("Times"), 12, QFont::Bold));
    box.exec();
}

} // namespace startuplog
