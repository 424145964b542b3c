#include "mainproc.h"

#include "convert.h"
#include "zirivoro.h"

#include <kelodefaults.h>
#include <logging.h>
#include <mlogsystem.h>

#include <QCoreApplication>

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

bool mpSetComPort(const QString &portName, int baud)
{
    LOG(DEBUG) << "mpSetComPort: COM:" << portName << " Baud: " << baud;
    ZiRivoro *link = mpLinkSettings().link;
    if (!link)
        return false;
    // A network connection is made within the link's time-out.
    if (mpLinkSettings().linkTimeout > 0)
        link->setOpenTimeout(mpLinkSettings().linkTimeout);
    const int result = link->frInit(portName, baud);
    if (result == 0)
        return true;
    MLogSystem::instance()->logWrite(QCoreApplication::translate("MainProc", "Error connect: %1 (%2)!")
                                         .arg(result)
                                         .arg(mpDrvErrorText(result)),
                                     5);
    return false;
}
