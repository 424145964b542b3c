#include "mmenuform.h"
#include "ui_mmenuform.h"

#include "maboutform.h"
#include "mlogviewform.h"

namespace {

const char *const kDialogStyle =
    "* {font: 12pt \"Tahoma\";} * {color: rgb(0, 0, 0);} QPushButton {font: 12pt; "
    "qproperty-minimumSize: 200px 40px; qproperty-iconSize: 24px 24px; } ";

} // namespace

MMenuForm::MMenuForm(QWidget *parent) : QDialog(parent, Qt::CustomizeWindowHint), ui(new Ui::MMenuForm)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint);
    setWindowTitle(tr("System menu"));
    setStyleSheet(QString::fromUtf8(kDialogStyle));
}

MMenuForm::~MMenuForm()
{
    delete ui;
}

void MMenuForm::on_butExit_clicked()
{
    done(ExitCode);
}

void MMenuForm::on_butCancel_clicked()
{
    accept();
}

void MMenuForm::on_butAbout_clicked()
{
    MAboutForm about(this);
    about.exec();
}

void MMenuForm::on_butLog_clicked()
{
    MLogViewForm log(this);
    log.exec();
}
