#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <atomic>

// Levels are plain numbers so that any part can log with a literal level.
using MLogSystem_EventLevel = int;

// The application's event log: numbered, time-stamped lines written by a
// one-thread writer pool, repeat suppression, and rotation of log files into
// dated copies that are later compressed by the external 7-Zip archiver.
class MLogSystem : public QObject
{
    Q_OBJECT

public:
    enum EventLevel : MLogSystem_EventLevel {
        LevelEvent = 0,
        LevelNotice = 1,
        LevelNewFile = 2,
        LevelClosing = 3,
        LevelError = 5
    };

    enum Option { OptionTime = 0, OptionDate = 1, OptionLineNumber = 2, OptionHeader = 4 };

    // Lines kept while no file is set; older ones are dropped beyond this.
    static constexpr int MaxPendingLines = 10000;
    // A run of repeats is summarised at least this often (milliseconds).
    static constexpr qint64 RepeatSummaryInterval = 600000000;

    // The program uses instance(); a separate object is for tests.
    explicit MLogSystem(QObject *parent = nullptr);
    // Waits for every accepted line, then writes the closing lines.
    ~MLogSystem() override;

    // The one event log of the program: created on first use, destroyed when
    // the application object goes away (or at process exit without one).
    static MLogSystem *instance();

    // Chooses the event log file: the path's directory and base name with the
    // extension "log". Lines kept so far are appended to it. Applied in order
    // with the lines logged before and after the call.
    void setLogFile(const QString &path);
    // The current event log file, empty while lines are kept in memory.
    QString logFile() const;
    // Lines kept in memory while no file is set.
    QStringList pendingLines() const;

    // Moves the file's text into its dated copy ("<name>_yyyy-MM-dd.log"),
    // deletes files of its directory older than the given days (when days is
    // at least 1) and, when archive is set, compresses the other logs there.
    void rotate(const QString &path, bool archive, int days);

    // Blocks until every line logged so far has been written.
    void flush();
    // Archiver runs that have not finished yet.
    int archiveJobCount() const;

    void setLineFormat(const QString &format);
    void setOption(Option option, bool on);

signals:
    // Every text block the writer wrote to the file or kept in memory.
    void stringWrited(const QString &block);
    // Every message accepted for writing, with its level.
    void stringWrited(const QString &text, MLogSystem_EventLevel level);

public slots:
    // Formats and writes one message; runs on the writer thread.
    void intLogWrite(const QString &text, MLogSystem_EventLevel level, const QDateTime &time);
    void logWrite(const QString &text, MLogSystem_EventLevel level);
    void logWrite(const QString &text);
    // Restarts the line numbering; the next line is preceded by a new header.
    void clearLog();
    void onArcFinished(int exitCode, QProcess::ExitStatus exitStatus);

private:
    struct ArchiveJob
    {
        QProcess *process = nullptr;
        QString archivePath;
        QString filePath;
        qint64 size = 0;
        QDateTime modified;
    };

    struct Notice
    {
        QString text;
        MLogSystem_EventLevel level = LevelNotice;
    };

    static void destroyInstance();

    void accept(const QString &text, MLogSystem_EventLevel level);
    void notice(const Notice &message);
    QString repeatSummary() const;

    QString headerBlock() const;
    QString composeLine(const QString &text, MLogSystem_EventLevel level, const QDateTime &time) const;
    void keepPending(const QString &block);
    void applyLogFile(const QString &file);

    Notice moveToDatedCopy(const QString &source, const QString &target);
    void cleanLogDirectory(const QFileInfo &source, const QString &target, bool archive, int days);
    bool isBeingArchived(const QString &file) const;
    QString freeArchivePath(const QString &dir, const QString &baseName) const;
    void startArchiver(const QString &archiver, const QFileInfo &file);
    void finishArchiveJob(const ArchiveJob &job, int exitCode, QProcess::ExitStatus exitStatus);
    void endArchiveJobs();

    // Repeat state; belongs to logWrite.
    QMutex m_repeatLock;
    QString m_lastMessage;
    MLogSystem_EventLevel m_lastLevel = LevelEvent;
    quint64 m_repeatCount = 0;
    QElapsedTimer m_repeatTimer;

    std::atomic<bool> m_closing{false};

    // Writer state; touched only under m_writerLock.
    mutable QMutex m_writerLock;
    bool m_started = false;
    quint64 m_lineCounter = 0;
    QString m_lineFormat = QStringLiteral("#etdl");
    QString m_filePath;
    QSet<int> m_options;
    QStringList m_pendingLines;
    quint64 m_droppedLines = 0;

    // Program facts for the header, taken once on the creating thread.
    QString m_programPath;
    QString m_programName;

    QList<ArchiveJob> m_archiveJobs;
    QThreadPool m_writerPool;
};
