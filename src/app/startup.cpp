#include "startup.h"

#include "msingleapplication.h"
#include "mstartoptions.h"
#include "mstartuplog.h"

#include <convert.h>
#include <logging.h>
#include <mainform.h>
#include <mainproc.h>
#include <mappinfo.h>
#include <mfilesworks.h>
#include <mpathworks.h>
#include <waitform.h>
#include <zirivoro.h>

#include <QDir>
#include <QImageReader>
#include <QLibraryInfo>
#include <QSettings>
#include <QTextCodec>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace {

const QString kAppId = QStringLiteral("KeloAssist");

void setUpApplication()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(MAppInfo::organizationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(MAppInfo::organizationDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(MAppInfo::applicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(MAppInfo::version));
    QApplication::setStartDragTime(600000);
    QApplication::setStartDragDistance(1280);
}

void enterProgramDirectory()
{
    // The program file's own directory, wherever it was started from.
    const QString dir = QCoreApplication::applicationDirPath();
    const bool ok = QDir::setCurrent(dir);
    LOG(INFO) << QStringLiteral("main: Set current path <%1> is %2.")
                     .arg(dir, ok ? QCoreApplication::translate("main", "correct")
                                  : QCoreApplication::translate("main", "incorrect"));
}

void addPluginsDirectory()
{
    QCoreApplication::addLibraryPath(MPathWorks::pluginsDir().absolutePath());
    LOG(INFO) << QStringLiteral("\tLibrary path: %1")
                     .arg(QCoreApplication::libraryPaths().join(QStringLiteral(", ")));
    QStringList formats;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        formats << QString::fromLatin1(format);
    LOG(INFO) << QStringLiteral("\tSupported image formats: %1").arg(formats.join(QStringLiteral(", ")));
}

// The program's own translation and Qt's, each from the resources and from
// the Language directory; Qt's installed catalogue too.
struct Translators
{
    QTranslator mainResource, mainFile, qtResource, qtFile, qtSystem;

    void load()
    {
        const QString locale = QLocale().name();
        const QString languageDir = MPathWorks::languageDir().absolutePath() + QDir::separator();
        const bool mainRes = mainResource.load(QStringLiteral(":/lang/lang_") + locale);
        const bool mainFil = mainFile.load(languageDir + QStringLiteral("lang_") + locale);
        const bool qtRes = qtResource.load(QStringLiteral(":/lang/qt_") + locale);
        const bool qtFil = qtFile.load(languageDir + QStringLiteral("qt_") + locale);
        // Qt's own installed catalogue: a fallback for the texts of Qt's dialogs.
        (void)qtSystem.load(QStringLiteral("qtbase_") + locale,
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        LOG(INFO) << QStringLiteral("main: Load translators (file, res): Qt (%1, %2); Main (%3, %4); ")
                         .arg(int(qtFil))
                         .arg(int(qtRes))
                         .arg(int(mainFil))
                         .arg(int(mainRes));
        // Qt asks the last installed first; the installed catalogue is the fallback.
        for (QTranslator *translator : {&qtSystem, &mainResource, &mainFile, &qtResource, &qtFile})
            QCoreApplication::installTranslator(translator);
    }
};

int endAsSecondInstance(MSingleApplication &app)
{
    LOG(WARNING) << "main: Prevision instance found.";
    if (app.sendMessage(QStringLiteral("WakeUp"), 5000))
        LOG(WARNING) << "main: Activating prevision instance...";
    LOG(WARNING) << "main: Execute terminated.";
    LOG(WARNING) << "End work.";
    el::Loggers::flushAll();
    return -1;
}

bool loadDriverData()
{
    mpLoadDataFiles();
    if (mpParseDescriptionFiles())
        return true;
    LOG(ERROR) << "Error load resource file!";
    return false;
}

void takeScreenshots(MMainForm *window, const QString &directory)
{
    const QStringList files = window->savePageScreenshots(directory);
    for (const QString &file : files)
        std::printf("screenshot: %s\n", qPrintable(QDir::toNativeSeparators(file)));
    std::fflush(stdout);
    window->allowClose();
    QCoreApplication::exit(files.size() == window->pageCount() ? 0 : 1);
}

} // namespace

int qMain(int argc, char **argv)
{
    TIMED_SCOPE(timer, "int qMain(int, char**)");
    MSingleApplication app(argc, argv, kAppId);
    const MStartOptions options = MStartOptions::parse(QCoreApplication::arguments());
    if (!options.warning.isEmpty())
        std::fputs(qPrintable(options.warning), stderr);
    if (options.action != MStartOptions::Action::Run) {
        // Only the text asked for goes out: not even the timing of this run.
        el::Configurations quiet;
        quiet.setGlobally(el::ConfigurationType::Enabled, "false");
        quiet.setGlobally(el::ConfigurationType::ToStandardOutput, "false");
        el::Loggers::reconfigureLogger("performance", quiet);
        std::fputs(qPrintable(options.message),
                   options.action == MStartOptions::Action::Error ? stderr : stdout);
        return options.action == MStartOptions::Action::Error ? 2 : 0;
    }

    const startuplog::Files logFiles = startuplog::Files::current();
    QSettings settings(MFilesWorks::settingsFile().absoluteFilePath(), QSettings::IniFormat);
    const startuplog::Switches switches = startuplog::Switches::read(settings);
    // Asked before the rotation: a second start must leave the running
    // instance's log files alone.
    const bool secondInstance = app.isRunning();
    if (!secondInstance)
        startuplog::rotate(logFiles, switches.enableLog);
    startuplog::configure(switches, logFiles);
    startuplog::writeBanner();

    auto wait = std::make_unique<WaitForm>();
    wait->setText(QCoreApplication::translate("main", "Starting..."));
    wait->showCentered();
    QCoreApplication::processEvents();

    setUpApplication();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    enterProgramDirectory();
    startuplog::writeSystemInfo();
    addPluginsDirectory();

    if (secondInstance)
        return endAsSecondInstance(app);

    Translators translators;
    translators.load();
    wait->setText(QCoreApplication::translate("main", "Starting..."));
    QCoreApplication::processEvents();
    QApplication::setQuitOnLastWindowClosed(true);

    // A description file that cannot be read is shown to the operator, not only logged.
    setDriverMessageHook(&startuplog::driverMessageBox);
    if (!loadDriverData())
        return -1;

    auto link = std::make_unique<ZiRivoro>();
    mpLinkSettings().link = link.get();
    mpLoadDefaults();
    mpLinkSettings().connected = false;
    mpLinkSettings().baudRate = 115200;
    mpLinkSettings().portName = QStringLiteral("COM1");

    MMainFormOptions windowOptions;
    windowOptions.port = options.port;
    windowOptions.emulator = options.emulator;
    auto window = std::make_unique<MMainForm>(nullptr, windowOptions);
    QObject::connect(&app, SIGNAL(messageReceived(QString)), window.get(), SLOT(messageReceived(QString)));

    qInstallMessageHandler(startuplog::messageHandler);
    qDebug("Test out");

    wait->hide();
    window->show();
    LOG(INFO) << "Boot complete.";
    PERFORMANCE_CHECKPOINT(timer);
    if (!options.screenshotsDir.isEmpty())
        QTimer::singleShot(0, window.get(),
                           [&window, &options] { takeScreenshots(window.get(), options.screenshotsDir); });
    const int code = QApplication::exec();

    window.reset();
    wait.release()->deleteLater();
    mpLinkSettings().link = nullptr;
    link.reset();
    LOG(INFO) << "End work.";
    LOG(INFO) << "Return code: " << code;
    el::Loggers::flushAll();
    return code;
}
