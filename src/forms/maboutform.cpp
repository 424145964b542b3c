#include "maboutform.h"
#include "ui_maboutform.h"

#include <mappinfo.h>

namespace {

const char *const kDialogStyle =
    "* {font: 12pt \"Tahoma\";} * {color: rgb(0, 0, 0);} QPushButton {font: 12pt; "
    "qproperty-minimumSize: 200px 40px; qproperty-iconSize: 24px 24px; } ";

} // namespace

MAboutForm::MAboutForm(QWidget *parent) : QDialog(parent, Qt::CustomizeWindowHint), ui(new Ui::MAboutForm)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint);
    setWindowTitle(tr("About"));
    setStyleSheet(QString::fromUtf8(kDialogStyle));
    ui->labVer->setText(tr("Версия %1 сборка %2 от %3")
                            .arg(QString::fromLatin1(MAppInfo::version))
                            .arg(MAppInfo::revision)
                            .arg(QString::fromLatin1(MAppInfo::compileDate)));
}

MAboutForm::~MAboutForm()
{
    delete ui;
}

void MAboutForm::on_butOk_clicked()
{
    accept();
}
