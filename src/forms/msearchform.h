#ifndef MSEARCHFORM_H
#define MSEARCHFORM_H

#include <QDialog>
#include <QList>
#include <QStringList>

#include <memory>

namespace Ui {
class MSearchForm;
}
namespace ops {
class RegisterSearch;
}

// «Поиск ККТ»: searches the given ports at the given rates for the register,
// shows progress and what it found, and lets the operator pick one.
class MSearchForm : public QDialog
{
    Q_OBJECT

public:
    MSearchForm(const QStringList &ports, const QList<int> &rates, const QString &password,
                QWidget *parent = nullptr);
    ~MSearchForm() override;

    // Searches while the dialog shows; returns when the operator closes it.
    int exec() override;
    QString chosenPort() const { return m_port; }
    int chosenBaud() const { return m_baud; }

private slots:
    void on_butSearchStop_clicked();
    void on_butSearchChoose_clicked();
    void on_butSearchClose_clicked();
    void on_tableFound_cellDoubleClicked(int row, int column);

protected:
    void reject() override;

private:
    void search();
    void choose(int row);

    Ui::MSearchForm *ui;
    std::unique_ptr<ops::RegisterSearch> m_search;
    bool m_searching = false;
    bool m_closeWhenDone = false;
    QString m_port;
    int m_baud = 0;
};

#endif // MSEARCHFORM_H
