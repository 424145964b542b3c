#include "mstartoptions.h"

#include <mappinfo.h>

#include <QCommandLineParser>
#include <QCoreApplication>

MStartOptions MStartOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Service and test tool for the \"Kelo-Vint-Ф\" cash register."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("main", "Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QCoreApplication::translate("main", "Show the version and end."));
    const QCommandLineOption port(
        QStringLiteral("port"), QCoreApplication::translate("main", "Preselect this serial port or device."),
        QStringLiteral("name"));
    const QCommandLineOption emulator(
        QStringLiteral("emulator"),
        QCoreApplication::translate(
            "main", "Work with the built-in register emulator (kept in Data/emulator.json)."));
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QCoreApplication::translate("main",
                                    "Save a picture of every page into the directory once the register "
                                    "is identified, then end."),
        QStringLiteral("dir"));
    parser.addOptions({help, version, port, emulator, screenshots});

    MStartOptions options;
    if (!parser.parse(arguments)) {
        // Options the program does not know are passed over: it starts as it
        // would without them. An option it knows but cannot use is an error.
        if (parser.unknownOptionNames().isEmpty()) {
            options.action = Action::Error;
            options.message = parser.errorText() + QLatin1Char('\n') + parser.helpText();
            return options;
        }
        options.warning = QCoreApplication::translate("main", "Unknown options ignored: %1\n")
                                  .arg(parser.unknownOptionNames().join(QStringLiteral(", ")));
    }
    if (parser.isSet(help)) {
        options.action = Action::Help;
        options.message = parser.helpText();
    } else if (parser.isSet(version)) {
        options.action = Action::Version;
        options.message =
            QStringLiteral("%1 %2 (%3)\n")
                .arg(QString::fromLatin1(MAppInfo::applicationName), QString::fromLatin1(MAppInfo::version))
                .arg(MAppInfo::revision);
    }
    options.port = parser.value(port);
    options.emulator = parser.isSet(emulator);
    options.screenshotsDir = parser.value(screenshots);
    return options;
}
