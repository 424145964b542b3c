#ifndef MABOUTFORM_H
#define MABOUTFORM_H

#include <QDialog>

namespace Ui {
class MAboutForm;
}

// The about box: program, version and owner.
class MAboutForm : public QDialog
{
    Q_OBJECT

public:
    explicit MAboutForm(QWidget *parent = nullptr);
    ~MAboutForm() override;

private slots:
    void on_butOk_clicked();

private:
    Ui::MAboutForm *ui;
};

#endif // MABOUTFORM_H
