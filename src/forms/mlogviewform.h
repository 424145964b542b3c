#ifndef MLOGVIEWFORM_H
#define MLOGVIEWFORM_H

#include <QDialog>

namespace Ui {
class MLogViewForm;
}

// Shows the event log file as it is on disk.
class MLogViewForm : public QDialog
{
    Q_OBJECT

public:
    explicit MLogViewForm(QWidget *parent = nullptr);
    ~MLogViewForm() override;

private slots:
    void on_butSave_clicked();
    void on_butClear_clicked();
    void on_butClose_clicked();

private:
    void loadLog();

    Ui::MLogViewForm *ui;
};

#endif // MLOGVIEWFORM_H
