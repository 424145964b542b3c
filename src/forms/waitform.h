#ifndef WAITFORM_H
#define WAITFORM_H

#include <QDialog>

class QCloseEvent;

namespace Ui {
class WaitForm;
}

// The frameless "please wait" box start-up shows while it prepares the
// program; it can carry two progress bars and a terminate button.
class WaitForm : public QDialog
{
    Q_OBJECT

public:
    explicit WaitForm(QWidget *parent = nullptr);
    ~WaitForm() override;

    void setText(const QString &text);
    QString text() const;
    void showTerminateButton(bool show);
    void setTerminateText(const QString &text);
    bool isTerminateRequested() const { return m_terminateRequested; }
    void resetProgress();
    // One step of the first bar; raises the box so the step can be seen.
    void stepProgress();
    void setWaitCursor();
    // Shows the box in the middle of the screen it belongs to.
    void showCentered();

signals:
    void onNeedTerminate();

public slots:
    void progressUpdate(int value, int maximum);
    void progress2Update(int value, int maximum);
    void hide();

private slots:
    void onTerminate();
    void onCancel();

protected slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Ui::WaitForm *ui;
    bool m_waitCursor = false;
    bool m_terminateRequested = false;
    bool m_terminateShown = false;
};

#endif // WAITFORM_H
