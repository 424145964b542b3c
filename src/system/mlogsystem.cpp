#include "mlogsystem.h"

#include "mappinfo.h"
#include "mfilesconsts.h"
#include "mfilesworks.h"
#include "mlogwriterrunnable.h"
#include "mpathworks.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cstdlib>

namespace {

const QLatin1Char lineEnd('\n');
constexpr int starCount = 90;
constexpr int rotateWaitMs = 2000;
// How long the end of the program waits for archiver runs still going.
constexpr int archiverExitWaitMs = 10000;
constexpr qint64 copyChunk = 1 << 20;

MLogSystem *s_instance = nullptr;

QString stars()
{
    return QString(starCount, QLatin1Char('*'));
}

QString environmentOr(const char *name, const char *fallbackName, const QString &fallback = QString())
{
    QString value = qEnvironmentVariable(name);
    if (value.isEmpty() && fallbackName)
        value = qEnvironmentVariable(fallbackName);
    return value.isEmpty() ? fallback : value;
}

// 7-Zip reads '*' and '?' in a file argument as a pattern and would pack
// other files under that name; such names are left alone.
bool isSafeArchiverArgument(const QString &name)
{
    return !name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'));
}

} // namespace

MLogSystem::MLogSystem(QObject *parent) : QObject(parent)
{
    m_repeatTimer.start();
    m_options = {OptionTime, OptionDate, OptionLineNumber, OptionHeader};
    m_writerPool.setMaxThreadCount(1);
    if (QCoreApplication::instance()) {
        m_programPath = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
        m_programName = QFileInfo(m_programPath).completeBaseName();
    }
}

MLogSystem::~MLogSystem()
{
    m_closing = true;
    m_writerPool.waitForDone();
    endArchiveJobs();

    const QDateTime now = QDateTime::currentDateTime();
    intLogWrite(tr("SystemLog: Log object destroed."), LevelClosing, now);
    intLogWrite(QStringLiteral("#Line"), LevelClosing, now);
    intLogWrite(QStringLiteral("#CR"), LevelClosing, now);
}

MLogSystem *MLogSystem::instance()
{
    static QBasicMutex creation;
    const QMutexLocker lock(&creation);
    if (!s_instance) {
        s_instance = new MLogSystem;
        static const bool cleanupRegistered = [] {
            // The application object's end is the normal place; the exit
            // handler covers a process that never had one.
            qAddPostRoutine(&MLogSystem::destroyInstance);
            // Qt's calendar data is made on first use and torn down at exit
            // in reverse order: made now, before the handler is registered,
            // it outlives the last lines the writer stamps with a date.
            (void)QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz"));
            std::atexit(&MLogSystem::destroyInstance);
            return true;
        }();
        Q_UNUSED(cleanupRegistered);
    }
    return s_instance;
}

void MLogSystem::destroyInstance()
{
    MLogSystem *log = s_instance;
    s_instance = nullptr;
    delete log;
}

void MLogSystem::logWrite(const QString &text)
{
    logWrite(text, LevelEvent);
}

void MLogSystem::logWrite(const QString &text, MLogSystem_EventLevel level)
{
    if (m_closing)
        return;

    QString summary;
    bool repeat = false;
    {
        const QMutexLocker lock(&m_repeatLock);
        const bool summaryDue = m_repeatTimer.elapsed() > RepeatSummaryInterval;
        repeat = text.size() > 4 && text == m_lastMessage && level == m_lastLevel;
        if (repeat) {
            ++m_repeatCount;
            if (summaryDue) {
                summary = repeatSummary();
                m_repeatTimer.restart();
            }
        } else {
            if (m_repeatCount > 0 || summaryDue)
                summary = repeatSummary();
            m_lastMessage = text;
            m_lastLevel = level;
            m_repeatCount = 0;
            m_repeatTimer.restart();
        }
    }

    if (!summary.isEmpty())
        accept(summary, LevelNotice);
    if (!repeat)
        accept(text, level);
}

QString MLogSystem::repeatSummary() const
{
    return tr("Last message repeated %1 times. Time from first message: %2 ms.")
        .arg(m_repeatCount + 1)
        .arg(m_repeatTimer.elapsed());
}

void MLogSystem::accept(const QString &text, MLogSystem_EventLevel level)
{
    emit stringWrited(text, level);
    m_writerPool.start(new MLogWriterRunnable(this, text, level, QDateTime::currentDateTime()));
}

void MLogSystem::notice(const Notice &message)
{
    if (!message.text.isEmpty())
        logWrite(QStringLiteral("%1: %2").arg(QStringLiteral("MLogSystem"), message.text), message.level);
}

void MLogSystem::intLogWrite(const QString &text, MLogSystem_EventLevel level, const QDateTime &time)
{
    QString block;
    {
        const QMutexLocker lock(&m_writerLock);
        QFile file(m_filePath);
        if (!m_filePath.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return;

        const QString command = text.toLower();
        if (!m_started || command == QLatin1String("#header"))
            block += headerBlock();
        if (command == QLatin1String("#line")) {
            block += stars() + lineEnd;
        } else if (command == QLatin1String("#cr")) {
            block += lineEnd;
        } else if (command != QLatin1String("#header")) {
            ++m_lineCounter;
            block += composeLine(text, level, time);
        }

        if (file.isOpen()) {
            file.write(block.toUtf8());
            file.flush();
            file.close();
        } else {
            keepPending(block);
        }
        m_started = true;
    }
    emit stringWrited(block);
}

QString MLogSystem::headerBlock() const
{
    if (m_closing || !m_options.contains(OptionHeader))
        return QString();

    const QString computer = environmentOr("COMPUTERNAME", nullptr, QSysInfo::machineHostName());
    const QString user = environmentOr("USERNAME", "USER");
    QString block = lineEnd + stars() + lineEnd;
    block += tr("Time run:           %1")
                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")))
             + lineEnd;
    block += tr("Application:        %1").arg(m_programName) + lineEnd;
    block += tr("Version:            %1 build %2")
                 .arg(QString::fromLatin1(MAppInfo::version), QString::number(MAppInfo::revision));
    block += tr(" (Release)") + lineEnd;
    block += tr("Compile date/time:  %1 %2")
                 .arg(QString::fromLatin1(MAppInfo::compileDate), QString::fromLatin1(MAppInfo::compileTime))
             + lineEnd;
    block += tr("QT version:         %1").arg(QString::fromLatin1(qVersion())) + lineEnd;
    block += tr("Path/File name:     %1").arg(m_programPath) + lineEnd;
    block += tr("Computer:           %1").arg(computer) + lineEnd;
    block += tr("User:               %1").arg(user) + lineEnd;
    block += stars() + lineEnd;
    block += lineEnd;
    block += tr("Events:") + lineEnd;
    return block;
}

QString MLogSystem::composeLine(const QString &text, MLogSystem_EventLevel level, const QDateTime &time) const
{
    QString line;
    for (const QChar letter : m_lineFormat) {
        switch (letter.unicode()) {
        case '#':
            if (m_options.contains(OptionLineNumber))
                line += QStringLiteral("%1: ").arg(m_lineCounter, 6, 10, QLatin1Char('0'));
            break;
        case 'e':
            line += QStringLiteral("{%1} ").arg(level);
            break;
        case 't':
            if (m_options.contains(OptionTime))
                line += QStringLiteral("[%1] ").arg(time.toString(QStringLiteral("hh:mm:ss.zzz")));
            break;
        case 'd':
            if (m_options.contains(OptionDate))
                line += QStringLiteral("[%1] ").arg(time.toString(QStringLiteral("dd.MM.yyyy")));
            break;
        case 'l':
            line += text;
            break;
        default:
            break;
        }
    }
    return line + lineEnd;
}

void MLogSystem::keepPending(const QString &block)
{
    // With drops, the first entry is the notice that counts them.
    const int noticeEntries = m_droppedLines > 0 ? 1 : 0;
    if (m_pendingLines.size() - noticeEntries >= MaxPendingLines) {
        m_pendingLines.removeAt(noticeEntries);
        ++m_droppedLines;
        const QString dropped =
            QStringLiteral("%1: %2").arg(
                QStringLiteral("MLogSystem"),
                tr("%1 older lines were dropped while no log file was set.").arg(m_droppedLines))
            + lineEnd;
        if (noticeEntries)
            m_pendingLines.first() = dropped;
        else
            m_pendingLines.prepend(dropped);
    }
    m_pendingLines.append(block);
}

void MLogSystem::setLogFile(const QString &path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    const QString file = QStringLiteral("%1/%2").arg(
        info.absolutePath(),
        QStringLiteral("%1.%2").arg(info.completeBaseName(), MFilesConsts::logExtension()));
    // Runs in the writer's turn, so lines logged before the call are kept in
    // memory and flushed into the file, lines logged after it go to the file.
    m_writerPool.start([this, file] { applyLogFile(file); });
}

void MLogSystem::applyLogFile(const QString &file)
{
    const QMutexLocker lock(&m_writerLock);
    if (file == m_filePath)
        return;
    const QDir dir = QFileInfo(file).absoluteDir();
    if (!dir.exists() && !dir.mkpath(QStringLiteral(".")))
        return;
    m_filePath = file;
    if (m_pendingLines.isEmpty())
        return;

    QFile out(m_filePath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return; // kept in memory; nothing is lost yet
    bool written = true;
    for (const QString &block : std::as_const(m_pendingLines))
        written = out.write(block.toUtf8()) >= 0 && written;
    written = out.flush() && written;
    if (written) {
        m_pendingLines.clear();
        m_droppedLines = 0;
    }
}

QString MLogSystem::logFile() const
{
    const QMutexLocker lock(&m_writerLock);
    return m_filePath;
}

QStringList MLogSystem::pendingLines() const
{
    const QMutexLocker lock(&m_writerLock);
    return m_pendingLines;
}

void MLogSystem::clearLog()
{
    m_writerPool.start([this] {
        const QMutexLocker lock(&m_writerLock);
        m_started = false;
        m_lineCounter = 0;
    });
}

void MLogSystem::flush()
{
    m_writerPool.waitForDone();
}

int MLogSystem::archiveJobCount() const
{
    return m_archiveJobs.size();
}

void MLogSystem::setLineFormat(const QString &format)
{
    const QMutexLocker lock(&m_writerLock);
    m_lineFormat = format;
}

void MLogSystem::setOption(Option option, bool on)
{
    const QMutexLocker lock(&m_writerLock);
    if (on)
        m_options.insert(option);
    else
        m_options.remove(option);
}

void MLogSystem::rotate(const QString &path, bool archive, int days)
{
    // An empty path would make the working directory the "log directory".
    if (path.isEmpty())
        return;

    m_writerPool.waitForDone(rotateWaitMs);
    const QFileInfo source(QFileInfo(path).absoluteFilePath());
    const QString target = QStringLiteral("%1%2%3_%4.log")
                               .arg(source.absolutePath(), QStringLiteral("/"), source.completeBaseName(),
                                    QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));

    Notice moved;
    {
        // The writer may be appending to this very file (the event log is
        // rotated too): it waits until the text has been moved.
        const QMutexLocker lock(&m_writerLock);
        m_lineCounter = 0;
        if (source.exists())
            moved = moveToDatedCopy(source.absoluteFilePath(), target);
    }
    if (!moved.text.isEmpty()) {
        notice({tr("Rotate log file."), LevelNotice});
        notice(moved);
    }
    cleanLogDirectory(source, target, archive, days);
}

MLogSystem::Notice MLogSystem::moveToDatedCopy(const QString &source, const QString &target)
{
    const QString openError = tr("Error open log file <%1>.");
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {openError.arg(source), LevelError};

    QFile out(target);
    const bool append = out.exists();
    const qint64 oldSize = append ? out.size() : 0;
    if (!out.open(append ? QIODevice::WriteOnly | QIODevice::Append
                         : QIODevice::WriteOnly | QIODevice::Truncate))
        return {openError.arg(target), LevelError};

    bool copied = true;
    while (copied && !in.atEnd()) {
        const QByteArray chunk = in.read(copyChunk);
        copied = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    copied = out.flush() && copied;
    if (!copied) {
        // A half copy must not stay behind: the source keeps the text.
        if (append)
            out.resize(oldSize);
        else
            out.remove();
        return {tr("Error write log file <%1>.").arg(target), LevelError};
    }
    out.close();
    in.close();
    QFile::remove(source);
    if (append)
        return {tr("Appended log to file <%1>.").arg(target), LevelNotice};
    return {tr("Created new log file <%1>.").arg(target), LevelNewFile};
}

void MLogSystem::cleanLogDirectory(const QFileInfo &source, const QString &target, bool archive, int days)
{
    const QString archiver = MFilesWorks::archiverPath();
    const QString sourceBase = source.completeBaseName();
    const QString targetBase = QFileInfo(target).completeBaseName();
    const QDateTime oldest = QDateTime::currentDateTime().addDays(-days);

    // Links are skipped: deleting or archiving must never reach a file
    // outside the log directory.
    const QFileInfoList files =
        QDir(source.absolutePath())
            .entryInfoList(QDir::Files | QDir::Readable | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                           QDir::Name);
    for (const QFileInfo &file : files) {
        if (file.isSymLink() || !file.isFile() || isBeingArchived(file.absoluteFilePath()))
            continue;
        if (days >= 1 && file.lastModified() < oldest) {
            QFile::remove(file.absoluteFilePath());
            continue;
        }
        if (archiver.isEmpty()) {
            notice({tr("Archiver not found."), LevelError});
            continue;
        }
        if (archive && file.suffix() == MFilesConsts::logExtension() && file.completeBaseName() != targetBase
            && file.completeBaseName() != sourceBase && isSafeArchiverArgument(file.fileName()))
            startArchiver(archiver, file);
    }
}

bool MLogSystem::isBeingArchived(const QString &file) const
{
    for (const ArchiveJob &job : m_archiveJobs) {
        if (job.filePath == file)
            return true;
    }
    return false;
}

QString MLogSystem::freeArchivePath(const QString &dir, const QString &baseName) const
{
    // 7-Zip's "a" would replace a same-named entry inside an existing archive,
    // losing that earlier log: every run gets an archive of its own.
    const auto taken = [this](const QString &path) {
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink())
            return true;
        for (const ArchiveJob &job : m_archiveJobs) {
            if (job.archivePath == path)
                return true;
        }
        return false;
    };
    const QString base = QStringLiteral("%1/%2").arg(dir, baseName);
    QString path = QStringLiteral("%1.7z").arg(base);
    for (int number = 2; taken(path); ++number)
        path = QStringLiteral("%1_%2.7z").arg(base, QString::number(number));
    return path;
}

void MLogSystem::startArchiver(const QString &archiver, const QFileInfo &file)
{
    ArchiveJob job;
    job.filePath = file.absoluteFilePath();
    job.archivePath = freeArchivePath(file.absolutePath(), file.completeBaseName());
    job.size = file.size();
    job.modified = file.lastModified();

    auto *process = new QProcess(this);
    process->setWorkingDirectory(MPathWorks::appDir().absolutePath());
    process->setProgram(archiver);
    process->setArguments({QStringLiteral("a"), job.archivePath, job.filePath});
    // No questions can be answered and nobody reads the chatter.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, &MLogSystem::onArcFinished);
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        // A program that never started sends no "finished".
        if (error != QProcess::FailedToStart)
            return;
        for (int i = 0; i < m_archiveJobs.size(); ++i) {
            if (m_archiveJobs.at(i).process == process) {
                m_archiveJobs.removeAt(i);
                break;
            }
        }
        process->deleteLater();
        notice({tr("Archiver <%1> could not be started.").arg(process->program()), LevelError});
    });
    job.process = process;
    m_archiveJobs.append(job);
    process->start();
}

void MLogSystem::onArcFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    auto *process = qobject_cast<QProcess *>(sender());
    for (int i = 0; i < m_archiveJobs.size(); ++i) {
        if (m_archiveJobs.at(i).process != process)
            continue;
        const ArchiveJob job = m_archiveJobs.takeAt(i);
        process->deleteLater();
        finishArchiveJob(job, exitCode, exitStatus);
        return;
    }
}

void MLogSystem::finishArchiveJob(const ArchiveJob &job, int exitCode, QProcess::ExitStatus exitStatus)
{
    // The exit code of a crashed run means nothing.
    if (exitStatus != QProcess::NormalExit || exitCode != 0)
        return;
    const QFileInfo file(job.filePath);
    if (!file.exists())
        return;
    const QFileInfo archive(job.archivePath);
    if (!archive.isFile() || archive.size() == 0)
        return;
    // Lines written while the archiver ran are not in the archive.
    if (file.size() != job.size || file.lastModified() != job.modified) {
        notice({tr("Archive <%1> created. Log file <%2> changed meanwhile and is kept.")
                    .arg(job.archivePath, job.filePath),
                LevelNotice});
        return;
    }
    const bool removed = QFile::remove(job.filePath);
    notice({tr("Archive <%1> created. Remove old log file <%2>. Return code=<%3>. Exit status: <%4>.")
                .arg(job.archivePath, job.filePath, QString::number(removed ? 1 : 0),
                     QString::number(int(exitStatus))),
            LevelNotice});
}

void MLogSystem::endArchiveJobs()
{
    const QDeadlineTimer deadline(archiverExitWaitMs);
    const QList<ArchiveJob> jobs = m_archiveJobs;
    m_archiveJobs.clear();
    for (const ArchiveJob &job : jobs) {
        disconnect(job.process, nullptr, this, nullptr);
        if (job.process->waitForFinished(int(qMax<qint64>(0, deadline.remainingTime())))) {
            finishArchiveJob(job, job.process->exitCode(), job.process->exitStatus());
        } else {
            // A killed run leaves its source log in place for the next start.
            job.process->kill();
            job.process->waitForFinished();
        }
        delete job.process;
    }
}
