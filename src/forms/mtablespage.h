#ifndef MTABLESPAGE_H
#define MTABLESPAGE_H

#include <exec.h>
#include <settingstables.h>

#include <QMap>
#include <QPair>
#include <QWidget>

#include <functional>

class MTableFieldDelegate;
class QLabel;
class QPushButton;
class QTableWidget;

// The "Таблицы" page: the register's settings tables, one at a time in a grid
// of rows and fields, edited cell by cell and written back; and every table
// saved to one file and restored from it.
//
// The list of tables is read when the page is first opened, a table when it
// is chosen. Values typed are kept per table until they are written; written
// cells are read back, and a cell whose value did not come back stays marked.
class MTablesPage : public QWidget
{
    Q_OBJECT

public:
    // What the page needs from the window around it.
    struct Host
    {
        ops::Exec exec;                    // one command; the link stays open
        std::function<void()> release;     // the cycle is over: the link is closed
        std::function<QString()> password; // of every command, in decimal
        std::function<void(const QString &)> status;
        std::function<void(bool)> showProgress; // the progress frame with its stop button
        ops::Progress progress;                 // draws a step, answers false to stop
        // «Да» or «Нет» to `text`; `list` below it, `details` behind a button.
        std::function<bool(const QString &text, const QString &list, const QString &details)> confirm;
        std::function<QString(bool save, const QString &suggested)> chooseFile; // empty: cancelled
        std::function<QString()> serialNumber; // as the window shows it, may be empty
        std::function<void(const QString &path)> saved; // a backup was written whole into `path`
    };

    explicit MTablesPage(const Host &host, QWidget *parent = nullptr);

    // The page became the one shown: the list is read the first time.
    void opened();
    // Another register may be on the port: what was read, and typed, is
    // dropped, and the list is read again when the page is next opened.
    void forget();

    bool readList();
    // Reads the table again, dropping what was typed into it.
    bool readTable(int number);
    // Writes the changed cells of the table shown and reads each back.
    void writeChanges();
    void saveToFile();
    void loadFromFile();

    int currentTable() const { return m_current; }

private:
    using Cell = QPair<int, int>; // row, field

    struct TableState
    {
        ops::TableContents contents; // as the register holds them
        bool read = false;
        QMap<Cell, QVariant> wanted; // typed, not yet in the register
        QMap<Cell, QString> failed;  // the write or its read-back went wrong
    };

    void buildLayout();
    // Runs a procedure with the progress frame; the status line says why it
    // failed, or was stopped.
    bool run(const std::function<bool(ops::SettingsTables &)> &body);
    void openTable(int number);
    void showList();
    void showTable();
    void showCell(int row, int field);
    void updateHint();
    void onValueEntered(const QModelIndex &index, const QVariant &value);
    // Takes the values of a full reading in, keeping what was typed and still differs.
    void adopt(const ops::RegisterBackup &backup);
    // Takes the outcome of the writes of `asked` cells in; the text for the status line.
    QString applyWrites(const QList<ops::CellWrite> &writes, int asked);
    QString changeLine(const ops::CellChange &change) const;

    Host m_host;
    QList<ops::TableStructure> m_list;
    QMap<int, TableState> m_tables;
    int m_current = 0;
    bool m_listTried = false;
    bool m_busy = false;

    QTableWidget *m_tableList = nullptr;
    QTableWidget *m_grid = nullptr;
    QLabel *m_tableTitle = nullptr;
    QLabel *m_hint = nullptr;
    MTableFieldDelegate *m_delegate = nullptr;
    QPushButton *m_read = nullptr;
    QPushButton *m_write = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_load = nullptr;
};

#endif // MTABLESPAGE_H
