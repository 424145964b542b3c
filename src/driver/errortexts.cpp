#include "errortexts.h"

#include "convert.h"
#include "datafiles.h"

#include <QCoreApplication>

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
    return mpErrorText(code, mpDevErrorTable());
}

QString mpDrvErrorText(int code)
{
    return QCoreApplication::translate("ZiRivoro", "Ошибка драйвера ")
           + mpErrorText(code - 500, mpDrvErrorTable());
}
