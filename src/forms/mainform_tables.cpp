// The "Таблицы" page: the register's settings tables in a grid, and their
// backup in a file. The page itself is MTablesPage; here it gets the window's
// connection cycle, progress frame, confirmation and file dialog.

#include "mainform.h"
#include "ui_mainform.h"

#include "mtablespage.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

void MMainForm::addTablesPage()
{
    MTablesPage::Host host;
    // A refused command closes the link: the next one opens it again.
    host.exec = [this](const QString &command) {
        if (!connectFR())
            return false;
        commandText = command;
        return execFRCommand(false);
    };
    host.release = [this] {
        disconnectFR();
    };
    host.password = [this] {
        return linkPasswordText();
    };
    host.status = [this](const QString &text) {
        outStateMessage(-1, text);
    };
    host.showProgress = [this](bool shown) {
        if (shown) {
            terminateRequested = false;
            ui->progressReadDump->setRange(0, 0);
            disableControls();
        } else {
            enableControls();
        }
        ui->frameProgress->setVisible(shown);
    };
    host.progress = [this](int done, int total) {
        // A refused command has closed the link and given the controls back.
        disableControls();
        if (total > 0) {
            ui->progressReadDump->setRange(0, total);
            ui->progressReadDump->setValue(done);
        } else {
            ui->progressReadDump->setRange(0, 0);
        }
        QCoreApplication::processEvents();
        return !terminateRequested;
    };
    host.confirm = [this](const QString &text, const QString &list, const QString &details) {
        QMessageBox box(this);
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(tr("Подтверждение"));
        // Wide enough for a line of the list: table, row, field and both values.
        box.setStyleSheet(styleSheet()
                          + QStringLiteral(" QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel "
                                           "{min-width: 640px;}"));
        box.setText(text);
        const QString question = tr("Продолжить?");
        box.setInformativeText(list.isEmpty() ? question : list + QStringLiteral("\n\n") + question);
        if (!details.isEmpty())
            box.setDetailedText(details);
        QPushButton *yes = box.addButton(tr("Да"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(tr("Нет"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    };
    host.chooseFile = [this](bool save, const QString &suggested) {
        return chooseFile(save ? tr("Сохранение настроек ККТ в файл") : tr("Загрузка настроек ККТ из файла"),
                          save, {tr("Файлы настроек (*.json)"), tr("Все файлы (*)")}, QStringLiteral("json"),
                          suggested);
    };
    host.serialNumber = [this] {
        return ui->strInfo_SerialNumber->text();
    };

    host.saved = [this](const QString &path) {
        // The file as written, byte for byte.
        QFile file(path);
        if (file.size() <= journal::ServiceJournal::kMaxBackupBytes && file.open(QIODevice::ReadOnly))
            m_journal.backup(path, file.readAll());
    };

    m_tablesPage = new MTablesPage(host, ui->tabWidget);
    ui->tabWidget->addWidget(m_tablesPage);
    ui->menuWidget->addItem(tr("Таблицы"));
    connect(ui->comboCOMPort, &QComboBox::currentTextChanged, m_tablesPage, &MTablesPage::forget);
    connect(ui->tabWidget, &QStackedWidget::currentChanged, this, [this] {
        if (ui->tabWidget->currentWidget() == m_tablesPage)
            m_tablesPage->opened();
    });
}
