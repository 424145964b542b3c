#ifndef MTAPEFORM_H
#define MTAPEFORM_H

#include <QStringList>
#include <QWidget>

namespace Ui {
class MTapeForm;
}

// «Лента ККТ»: what the built-in emulator's register printed, in a small
// window beside the main one, so that the effect of every operation can be
// seen without a register.
class MTapeForm : public QWidget
{
    Q_OBJECT

public:
    explicit MTapeForm(QWidget *parent = nullptr);
    ~MTapeForm() override;

    void setLines(const QStringList &lines);
    QString text() const;
    // Beside the window, or over its right edge when the screen ends there.
    void showBeside(const QWidget *window);

private:
    Ui::MTapeForm *ui;
};

#endif // MTAPEFORM_H
