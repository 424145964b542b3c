#pragma once

// The «Журнал» page: the registers the program has met, and for the one
// chosen its visits with their operations, its FNs, the documents of an FN
// (read from the journal in chunks as the list is scrolled), its settings
// backups compared field by field, and its dumps. Every list goes into a CSV
// file, a document into a file of the archive's formats, the journal or one
// register into JSON. Nothing here talks to a register: opening a document
// and choosing files go through the window (Host).

#include <servicejournal.h>
#include <settingstables.h>

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimer;
class QTreeWidget;

// The documents of one FN as the journal keeps them, fetched a chunk at a
// time when the view reaches the end of what it has.
class MJournalDocumentModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColNumber, ColType, ColDate, ColTotal, ColSign, ColOfd, ColSerial, ColumnCount };
    static constexpr int kChunk = 200;

    explicit MJournalDocumentModel(QObject *parent = nullptr);

    // Shows the documents of `fnNumber` within `range` (its limit and offset
    // are the model's own); no journal or no FN: none.
    void show(const journal::ServiceJournal *journal, const QString &fnNumber,
              const journal::DocumentRange &range);
    const journal::DocumentRow *rowAt(int row) const;
    const QString &fnNumber() const { return m_fn; }
    const journal::DocumentRange &range() const { return m_range; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    static QString ofdText(int ofd);

private:
    const journal::ServiceJournal *m_journal = nullptr;
    QString m_fn;
    journal::DocumentRange m_range;
    QList<journal::DocumentRow> m_rows;
    bool m_more = false;
};

// Two settings backups side by side: one row per table, row and field of
// either, marked where their values differ.
struct MBackupDifference
{
    int table = 0;
    QString tableName;
    int row = 0;
    int field = 0;
    QString fieldName;
    QString valueA; // empty when the backup has no such field
    QString valueB;
    bool differs = false;
};

class MJournalPage : public QWidget
{
    Q_OBJECT

public:
    struct Host
    {
        // A file to save: title, filters, the suffix of the first, a name; empty when cancelled.
        std::function<QString(const QString &, const QStringList &, const QString &, const QString &)>
            chooseFile;
        std::function<void(const QString &)> status;
        // A stored document to be shown on the document page.
        std::function<void(const journal::DocumentRow &)> openDocument;
    };

    explicit MJournalPage(const Host &host, QWidget *parent = nullptr);

    // The journal the page shows; `problem`, when given, is the line shown
    // in place of the journal's file (it could not be opened or written).
    // The lists are read by refresh().
    void setJournal(const journal::ServiceJournal *journal, const QString &problem);
    // Reads the lists again, keeping what is chosen.
    void refresh();

    // The fields of two backup files compared; false with the reason when
    // one cannot be read.
    static bool compareBackups(const QByteArray &a, const QByteArray &b, QList<MBackupDifference> *rows,
                               QString *error);

    // Chosen from outside (the tests, the window): the register with this
    // serial number, the FN of the document list, the two backups to compare.
    bool chooseRegister(const QString &serial);
    void chooseFn(const QString &fnNumber);
    void chooseBackups(int a, int b);
    void openCurrentDocument();

    QTableView *registerView() const { return m_registerView; }
    QTreeWidget *visitTree() const { return m_visits; }
    QTableWidget *fnTable() const { return m_fns; }
    QTableView *documentView() const { return m_documentView; }
    MJournalDocumentModel *documentModel() const { return m_documents; }
    QTableWidget *compareTable() const { return m_compare; }
    QTableWidget *dumpTable() const { return m_dumps; }
    QLabel *stateLabel() const { return m_state; }

private:
    void buildUi();
    void showState();
    QWidget *buildDocumentsTab();
    QWidget *buildBackupsTab();
    void searchRegisters();
    void showRegister();
    void showDocuments();
    void showComparison();
    qint64 currentRegisterId() const;
    QString currentSerial() const;
    void exportCsv();
    void exportRegistersCsv();
    void exportJson(bool oneRegister);
    void saveDocument();
    bool writeFile(const QString &path, const QByteArray &bytes);
    QString csvName(const QString &what) const;

    Host m_host;
    const journal::ServiceJournal *m_journal = nullptr;
    QString m_problem;
    QList<journal::VisitRow> m_visitRows;
    QList<journal::BackupRow> m_backupRows;
    QList<MBackupDifference> m_differences;

    QLabel *m_state = nullptr;
    QLineEdit *m_search = nullptr;
    QTimer *m_searchTimer = nullptr;
    QStandardItemModel *m_registers = nullptr;
    QTableView *m_registerView = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTreeWidget *m_visits = nullptr;
    QTableWidget *m_fns = nullptr;
    QComboBox *m_fnBox = nullptr;
    QSpinBox *m_numberFrom = nullptr;
    QSpinBox *m_numberTo = nullptr;
    QCheckBox *m_datesOn = nullptr;
    QDateEdit *m_dateFrom = nullptr;
    QDateEdit *m_dateTo = nullptr;
    MJournalDocumentModel *m_documents = nullptr;
    QTableView *m_documentView = nullptr;
    QComboBox *m_docFormat = nullptr;
    QComboBox *m_backupA = nullptr;
    QComboBox *m_backupB = nullptr;
    QCheckBox *m_onlyDiff = nullptr;
    QLabel *m_compareNote = nullptr;
    QTableWidget *m_compare = nullptr;
    QTableWidget *m_dumps = nullptr;
};
