#include "datafiles.h"

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

const QByteArray &mpDevErrorTable()
{
    return dataFiles().errors;
}

const QByteArray &mpDrvErrorTable()
{
    return dataFiles().driverErrors;
}
