#include "mlogviewform.h"
#include "ui_mlogviewform.h"

#include <mlogsystem.h>

#include <QFile>

MLogViewForm::MLogViewForm(QWidget *parent) : QDialog(parent), ui(new Ui::MLogViewForm)
{
    ui->setupUi(this);
    loadLog();
}

MLogViewForm::~MLogViewForm()
{
    delete ui;
}

void MLogViewForm::loadLog()
{
    MLogSystem *log = MLogSystem::instance();
    // Lines still with the writer would be missing from the file.
    log->flush();
    QFile file(log->logFile());
    if (log->logFile().isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    QByteArray text = file.readAll();
    const int nul = int(text.indexOf('\0'));
    if (nul >= 0)
        text.truncate(nul);
    ui->textLog->setPlainText(QString::fromUtf8(text));
}

void MLogViewForm::on_butSave_clicked()
{
    // The log is a file already; there is nothing to save it from.
}

void MLogViewForm::on_butClear_clicked()
{
    ui->textLog->clear();
}

void MLogViewForm::on_butClose_clicked()
{
    accept();
}
