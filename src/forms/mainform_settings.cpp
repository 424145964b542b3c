// The remembered field values and the window geometry, kept in the program's
// settings file under "LastValues/<object name>".

#include "mainform.h"
#include "ui_mainform.h"

#include <kelodefaults.h>
#include <mainproc.h>
#include <mfilesworks.h>
#include <mpathworks.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>

namespace {

const QString kLastValues = QStringLiteral("LastValues/%1");
// The port and speed boxes are also remembered by their text: the index of a
// port moves when adapters come and go, and the speed list differs by system.
const QString kLastText = QStringLiteral("LastValues/%1Text");
// Where the file dialogs open: the folder of the last file chosen.
const QString kLastFolder = QStringLiteral("LastValues/Folder");

struct Remembered
{
    const char *name;
    QVariant defaultValue;
};

// In the order the fields are restored.
QList<Remembered> rememberedFirst()
{
    return {
        {"chkParam_NullCash", true},
        {"strParam_NameTax1", MMainForm::tr("НДС 18%")},
        {"strParam_NameTax2", MMainForm::tr("НДС 10%")},
        {"strParam_NameTax3", MMainForm::tr("НДС 0%")},
        {"strParam_NameTax4", MMainForm::tr("НДС не облагается")},
        {"strParam_ValTax1", 18},
        {"strParam_ValTax2", 10},
        {"strParam_ValTax3", 0},
        {"strParam_ValTax4", 0},
        {"comboCOMPort", 0},
        {"comboCOMBaudrate", 0},
        {"strDocs_Name", MMainForm::tr("Торт Прага")},
        {"comboDocs_NalogGrp", 1},
        {"strDocs_Count", 1.0},
        {"strDocs_Price", 550},
        {"comboDocs_DiscountType", 0},
        {"strDocs_DiscountVal", 10},
        {"comboDocs_Type", 0},
        {"strDocs_SumCash", 1000},
        {"strDocs_SumEl1", 0},
        {"strDocs_SumEl2", 0},
        {"strDocs_SumEl3", 0},
        {"strDocs_EMail", QStringLiteral("buyer@example.com")},
        {"comboService_FNCode", 0},
        {"strFDNumber", 1},
        {"strFN_Address", QString()},
        {"strFN_BuffreSize", QString()},
        {"strFN_Company", QString()},
        {"strFN_INN", QString()},
        {"strFN_KKTNumber", QString()},
        {"strFN_KKTRegNumber", QString()},
        {"strFN_KKTSerialNumber", QString()},
        {"strFN_NalogURL", QString()},
        {"strFN_OFDINN", QString()},
        {"strFN_OFDName", QString()},
        {"strFN_OFDURL", QString()},
        {"strFN_TimerC", 0},
        {"strFN_TimerFN", 0},
        {"strSerialNumberForWrite", 0},
        {"strLinkPassword", kelo::kDefaultSysAdminPassword},
        {"strDumpPassword", kelo::kDefaultSysAdminPassword},
    };
}

// The OFD server fields belong to the register's parameters and are kept like them.
QList<Remembered> rememberedOfdServer()
{
    return {{"strFN_OFDServer", QString()}, {"strFN_OFDPort", 0}};
}

const char *const kSaveOrder[] = {
    "chkParam_NullCash",   "strParam_NameTax1",
    "strParam_NameTax2",   "strParam_NameTax3",
    "strParam_NameTax4",   "strParam_ValTax1",
    "strParam_ValTax2",    "strParam_ValTax3",
    "strParam_ValTax4",    "comboCOMPort",
    "comboCOMBaudrate",    "strDocs_Name",
    "comboDocs_NalogGrp",  "strDocs_Count",
    "strDocs_Price",       "comboDocs_DiscountType",
    "strDocs_DiscountVal", "comboDocs_Type",
    "strDocs_SumCash",     "strDocs_SumEl1",
    "strDocs_SumEl2",      "strDocs_SumEl3",
    "strDocs_EMail",       "comboService_FNCode",
    "strFDNumber",         "strFN_Address",
    "strFN_BuffreSize",    "strFN_Company",
    "strFN_INN",           "strFN_KKTNumber",
    "strFN_KKTRegNumber",  "strFN_KKTSerialNumber",
    "strFN_NalogURL",      "strFN_OFDINN",
    "strFN_OFDName",       "strFN_OFDURL",
    "strFN_TimerC",        "strFN_TimerFN",
    "strLinkPassword",     "strDumpPassword",
    "strLinkTimeout",      "strFN_Tax_Code",
    "strFN_Mode_Code",     "comboFiskType",
    "comboFN_Prichina",    "strSerialNumberForWrite",
    "strFN_OFDServer",     "strFN_OFDPort",
};

QString geometryKey()
{
    return QStringLiteral("%1/%2").arg(QStringLiteral("MMainForm"), QStringLiteral("windowGeometry"));
}

} // namespace

QObject *MMainForm::widgetNamed(const QString &name) const
{
    return findChild<QObject *>(name);
}

void MMainForm::loadWidgetsStates()
{
    QSettings settings(MFilesWorks::appSettingsFile().absoluteFilePath(), QSettings::IniFormat);
    restoreGeometry(QByteArray::fromBase64(settings.value(geometryKey()).toString().toLatin1()));

    const auto restoreAll = [&](const QList<Remembered> &list) {
        for (const Remembered &item : list) {
            const QString name = QString::fromLatin1(item.name);
            if (name == QLatin1String("comboCOMPort") || name == QLatin1String("comboCOMBaudrate"))
                restoreLinkBox(settings, name);
            else
                restoreLastValue(settings, widgetNamed(name), item.defaultValue);
        }
    };
    restoreAll(rememberedFirst());
    mpSetPassword(ui->strLinkPassword->value());
    restoreLastValue(settings, ui->strLinkTimeout, 6000);
    mpLinkSettings().linkTimeout = ui->strLinkTimeout->value();
    restoreLastValue(settings, ui->strFN_Tax_Code, 0);
    restoreLastValue(settings, ui->strFN_Mode_Code, 0);
    setCheckBoxesFromCodes();
    checkNeedParamForReg();
    restoreLastValue(settings, ui->comboFN_Prichina, 0);
    restoreLastValue(settings, ui->comboFiskType, 0);
    restoreAll(rememberedOfdServer());
}

void MMainForm::saveWidgetsStates()
{
    QSettings settings(MFilesWorks::appSettingsFile().absoluteFilePath(), QSettings::IniFormat);
    settings.setValue(geometryKey(), QString::fromLatin1(saveGeometry().toBase64()));
    for (const char *name : kSaveOrder) {
        const QString objectName = QString::fromLatin1(name);
        if (objectName == QLatin1String("comboCOMPort") || objectName == QLatin1String("comboCOMBaudrate"))
            saveLinkBox(settings, objectName);
        else
            saveLastValue(settings, widgetNamed(objectName));
    }
}

void MMainForm::saveLastValue(QSettings &settings, QObject *widget)
{
    if (!widget)
        return;
    const QString key = kLastValues.arg(widget->objectName());
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        settings.setValue(key, edit->text());
    else if (auto *spin = qobject_cast<QSpinBox *>(widget))
        settings.setValue(key, spin->value());
    else if (auto *doubleSpin = qobject_cast<QDoubleSpinBox *>(widget))
        settings.setValue(key, doubleSpin->value());
    else if (auto *check = qobject_cast<QCheckBox *>(widget))
        settings.setValue(key, check->isChecked());
    else if (auto *radio = qobject_cast<QRadioButton *>(widget))
        settings.setValue(key, radio->isChecked());
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        settings.setValue(key, group->isChecked());
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        settings.setValue(key, combo->currentIndex());
}

void MMainForm::restoreLastValue(QSettings &settings, QObject *widget, const QVariant &defaultValue)
{
    if (!widget)
        return;
    const QVariant value = settings.value(kLastValues.arg(widget->objectName()), defaultValue);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->setText(value.toString());
    else if (auto *spin = qobject_cast<QSpinBox *>(widget))
        spin->setValue(value.toInt());
    else if (auto *doubleSpin = qobject_cast<QDoubleSpinBox *>(widget))
        doubleSpin->setValue(value.toDouble());
    else if (auto *check = qobject_cast<QCheckBox *>(widget))
        check->setChecked(value.toBool());
    else if (auto *radio = qobject_cast<QRadioButton *>(widget))
        radio->setChecked(value.toBool());
    else if (auto *group = qobject_cast<QGroupBox *>(widget))
        group->setChecked(value.toBool());
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setCurrentIndex(value.toInt());
}

void MMainForm::restoreLinkBox(QSettings &settings, const QString &name)
{
    auto *box = qobject_cast<QComboBox *>(widgetNamed(name));
    if (!box)
        return;
    const QString text = settings.value(kLastText.arg(name)).toString();
    if (!text.isEmpty()) {
        const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            box->setCurrentIndex(index);
        else if (box->isEditable())
            box->setEditText(text); // a device that is not plugged in now
        return;
    }
    // Without a remembered value the box keeps what construction chose (115200).
    const QVariant index = settings.value(kLastValues.arg(name));
    if (index.isValid())
        box->setCurrentIndex(index.toInt());
}

void MMainForm::saveLinkBox(QSettings &settings, const QString &name)
{
    auto *box = qobject_cast<QComboBox *>(widgetNamed(name));
    if (!box)
        return;
    settings.setValue(kLastValues.arg(name), box->currentIndex());
    settings.setValue(kLastText.arg(name), box->currentText());
}

QString MMainForm::lastFolder() const
{
    QSettings settings(MFilesWorks::appSettingsFile().absoluteFilePath(), QSettings::IniFormat);
    const QString folder = settings.value(kLastFolder).toString();
    return !folder.isEmpty() && QDir(folder).exists() ? folder : MPathWorks::documentsDir().absolutePath();
}

void MMainForm::rememberFolder(const QString &file)
{
    QSettings settings(MFilesWorks::appSettingsFile().absoluteFilePath(), QSettings::IniFormat);
    settings.setValue(kLastFolder, QFileInfo(file).absolutePath());
}

QString MMainForm::chooseFile(const QString &title, bool forSaving, const QStringList &filters,
                              const QString &suffix, const QString &suggested)
{
    QFileDialog dialog(this, title, lastFolder());
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setLabelText(QFileDialog::LookIn, tr("Текущий путь:"));
    dialog.setLabelText(QFileDialog::FileName, tr("Имя файла:"));
    dialog.setLabelText(QFileDialog::FileType, tr("Тип файла:"));
    dialog.setLabelText(QFileDialog::Accept, tr("Выбрать"));
    dialog.setLabelText(QFileDialog::Reject, tr("Отмена"));
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString file = dialog.selectedFiles().constFirst();
    if (forSaving && dialog.selectedNameFilter() == filters.value(0)
        && QFileInfo(file).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        file += QLatin1Char('.') + suffix;
    rememberFolder(file);
    return file;
}
