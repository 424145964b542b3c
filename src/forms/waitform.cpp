#include "waitform.h"
#include "ui_waitform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

WaitForm::WaitForm(QWidget *parent) : QDialog(parent, Qt::FramelessWindowHint), ui(new Ui::WaitForm)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setModal(true);
    ui->progressBar->hide();
    ui->progressBar2->hide();
    ui->butTerminate->hide();
    connect(ui->butTerminate, &QPushButton::clicked, this, &WaitForm::onTerminate);
    connect(this, &WaitForm::onNeedTerminate, this, &WaitForm::onCancel);
}

WaitForm::~WaitForm()
{
    if (m_waitCursor)
        QApplication::restoreOverrideCursor();
    delete ui;
}

void WaitForm::setText(const QString &text)
{
    ui->labText->setText(text);
}

QString WaitForm::text() const
{
    return ui->labText->text();
}

void WaitForm::showTerminateButton(bool show)
{
    m_terminateShown = show;
    ui->butTerminate->setVisible(show);
}

void WaitForm::setTerminateText(const QString &text)
{
    ui->butTerminate->setText(text);
}

void WaitForm::resetProgress()
{
    ui->progressBar->reset();
}

void WaitForm::stepProgress()
{
    ui->progressBar->setValue(ui->progressBar->value() + 1);
    raise();
    QCoreApplication::processEvents();
}

void WaitForm::setWaitCursor()
{
    if (m_waitCursor)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waitCursor = true;
}

void WaitForm::showCentered()
{
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

void WaitForm::progressUpdate(int value, int maximum)
{
    ui->progressBar->setMaximum(maximum);
    ui->progressBar->setValue(value);
    QCoreApplication::processEvents();
}

void WaitForm::progress2Update(int value, int maximum)
{
    ui->progressBar2->setMaximum(maximum);
    ui->progressBar2->setValue(value);
    QCoreApplication::processEvents();
}

void WaitForm::hide()
{
    if (m_waitCursor) {
        QApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
    QDialog::hide();
}

void WaitForm::onTerminate()
{
    m_terminateRequested = true;
    emit onNeedTerminate();
}

void WaitForm::onCancel()
{
    // Whoever waits looks at isTerminateRequested(); nothing to undo here.
}

void WaitForm::reject()
{
    // Escape must not take the box away while start-up still needs it.
}

void WaitForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
