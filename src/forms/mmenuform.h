#ifndef MMENUFORM_H
#define MMENUFORM_H

#include <QDialog>

namespace Ui {
class MMenuForm;
}

// The system menu behind the window's "Меню" button.
class MMenuForm : public QDialog
{
    Q_OBJECT

public:
    // What exec() returns when the operator chose "Выход".
    static constexpr int ExitCode = 5;

    explicit MMenuForm(QWidget *parent = nullptr);
    ~MMenuForm() override;

private slots:
    void on_butExit_clicked();
    void on_butCancel_clicked();
    void on_butAbout_clicked();
    void on_butLog_clicked();

private:
    Ui::MMenuForm *ui;
};

#endif // MMENUFORM_H
