#include "mainproc.h"

#include "convert.h"
#include "zirivoro.h"

#include <kelodefaults.h>
#include <logging.h>
#include <mlogsystem.h>

#include <QCoreApplication>
#include <QFile>

#include <memory>

namespace {

struct DataFiles
{
    std::unique_ptr<QFile> files[4];
    QByteArray errors;
    QByteArray driverErrors;
};

DataFiles &dataFiles()
{
    static DataFiles files;
    return files;
}

QByteArray readWhole(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

DriverLinkSettings &mpLinkSettings()
{
    static DriverLinkSettings settings = [] {
        DriverLinkSettings s;
        s.password = kelo::kDefaultSysAdminPassword;
        s.passwordText = QByteArray::number(kelo::kDefaultSysAdminPassword);
        return s;
    }();
    return settings;
}

void mpSetPassword(int password)
{
    mpLinkSettings().password = password;
    mpLinkSettings().passwordText = QByteArray::number(password);
}

QString mpResourceName(const char *fileName)
{
    return QStringLiteral("://FRDriver/Data/") + QString::fromLatin1(fileName);
}

void mpLoadDataFiles()
{
    static const char *const names[] = {"Command.ini", "Symbol.ini", "View.ini", "Default.ini"};
    DataFiles &data = dataFiles();
    for (int i = 0; i < 4; ++i)
        data.files[i] = std::make_unique<QFile>(mpResourceName(names[i]));
    data.errors = readWhole(mpResourceName("Error.txt"));
    data.driverErrors = readWhole(mpResourceName("ErrorDrv.txt"));
}

QIODevice *mpDescriptionFile(DescriptionFile which)
{
    return dataFiles().files[int(which)].get();
}

bool mpParseDescriptionFiles()
{
    resetDescriptionTables();
    return convSymbFile(false) && convSymbFile(true) && convViewFile() && convCmdFile();
}

void mpLoadDefaults()
{
    mpSetPassword(kelo::kDefaultSysAdminPassword);
    if (const SymbRecord *prlsa = findDefault("prlsa")) {
        quint64 number = 0;
        for (int i = qMin(prlsa->value.size(), qsizetype(4)) - 1; i >= 0; --i)
            number = (number << 8) | quint8(prlsa->value[i]);
        mpSetPassword(int(number));
    }
}

int mpGetTimeOut()
{
    LOG(DEBUG) << "mpGettimeout" << 10000;
    return 10000;
}

QString mpErrorText(int code, const QByteArray &table)
{
    if (code < 0)
        code += 256;
    QString text;
    switch (errorLineText(table, code, text)) {
    case ErrorLine::Text:
        break;
    case ErrorLine::NoDescription:
        text = QCoreApplication::translate("MainProc", "Нет описания ошибки");
        break;
    case ErrorLine::NoLine:
        text = QCoreApplication::translate("MainProc", "Неизвестная ошибка");
        break;
    }
    return QCoreApplication::translate("MainProc", "[%1]: %2!").arg(code).arg(text);
}

QString mpDevErrorText(int code)
{
    return mpErrorText(code, dataFiles().errors);
}

const QByteArray &mpDrvErrorTable()
{
    return dataFiles().driverErrors;
}

bool mpSetComPort(const QString &portName, int baud)
{
    LOG(DEBUG) << "mpSetComPort: COM:" << portName << " Baud: " << baud;
    ZiRivoro *link = mpLinkSettings().link;
    if (!link)
        return false;
    const int result = link->frInit(portName, QSerialPort::BaudRate(baud));
    if (result == 0)
        return true;
    MLogSystem::instance()->logWrite(QCoreApplication::translate("MainProc", "Error connect: %1 (%2)!")
                                         .arg(result)
                                         .arg(link->drvErrorText(result)),
                                     5);
    return false;
}
