#include "journalrecorder.h"

#include <registerfields.h>
#include <replyvalues.h>

#include <QCryptographicHash>
#include <QFileInfo>

namespace journal {

namespace {

// The serial number among the values of the state reply "11".
constexpr int kStateSerialValue = 18;
constexpr int kStateValues = 24;

} // namespace

JournalRecorder::JournalRecorder(const QString &frontEnd)
    : m_frontEnd(frontEnd)
{
}

JournalRecorder::~JournalRecorder() = default;

bool JournalRecorder::open(const QString &path)
{
    forget();
    m_journal = std::make_unique<ServiceJournal>();
    return m_journal->open(path.isEmpty() ? ServiceJournal::defaultPath() : path);
}

void JournalRecorder::close()
{
    forget();
    m_journal.reset();
}

RegisterInfo JournalRecorder::readRegister(const ops::Exec &exec, const QString &password,
                                           const ops::RegisterIdentity &identity)
{
    RegisterInfo info;
    info.model = identity.model;
    info.name = identity.name;
    const auto readField = [&exec, &password](const TableField &field) {
        const QString command =
            QStringLiteral("1F,%1,%2,%3,%4").arg(password).arg(field.table).arg(field.row).arg(field.field);
        return exec(command) && reply::count() > 2 ? reply::string(2).trimmed() : QString();
    };
    info.serial = readField(regfield::kSerialNumber);
    info.inn = readField(regfield::kInn);
    info.regNumber = readField(regfield::kRegNumber);
    info.fnNumber = readField(regfield::kFnNumber);
    if (info.serial.isEmpty() && exec(QStringLiteral("11,%1").arg(password)) && reply::count() >= kStateValues)
        info.serial = QStringLiteral("%1").arg(reply::text(kStateSerialValue).toULongLong(), 8, 10, QLatin1Char('0'));
    return info;
}

bool JournalRecorder::identified(const RegisterInfo &info, const QString &port)
{
    // The same register on the same port, told the same, is still the same
    // visit: connecting again for the next operation is no new visit.
    if (m_visit > 0 && info.serial == m_current.serial && port == m_port && info.inn == m_current.inn
        && info.regNumber == m_current.regNumber && info.fnNumber == m_current.fnNumber)
        return true;
    forget();
    if (!isOpen() || info.serial.isEmpty())
        return false;
    m_visit = m_journal->beginVisit(info, port, m_frontEnd);
    if (m_visit > 0) {
        m_current = info;
        m_port = port;
    }
    return m_visit > 0;
}

bool JournalRecorder::resume(const RegisterInfo &info, const QString &port, qint64 maxGapSecs)
{
    RegisterRow reg;
    if (!isOpen() || info.serial.isEmpty() || !m_journal->findRegister(info.serial, &reg))
        return false;
    const QList<VisitRow> visits = m_journal->visits(reg.id, 1);
    if (visits.isEmpty())
        return false;
    const VisitRow &last = visits.first();
    const QDateTime lastRecord = last.operations.isEmpty() ? last.started : last.operations.last().time;
    const QDateTime now = QDateTime::currentDateTime();
    if (last.frontEnd != m_frontEnd || last.port != port || last.inn != info.inn
        || last.regNumber != info.regNumber || last.fnNumber != info.fnNumber || reg.info.model != info.model
        || !lastRecord.isValid() || lastRecord > now || lastRecord.secsTo(now) > maxGapSecs)
        return false;
    if (!m_journal->registerSeen(info.serial, now))
        return false;
    m_visit = last.id;
    m_current = info;
    m_port = port;
    return true;
}

void JournalRecorder::forget()
{
    m_visit = 0;
    m_current = RegisterInfo();
    m_port.clear();
}

void JournalRecorder::written(bool ok)
{
    if (!ok && m_writeFailure == WriteFailure::None)
        m_writeFailure = WriteFailure::Pending;
}

bool JournalRecorder::takeWriteFailure(QString *why)
{
    if (m_writeFailure != WriteFailure::Pending)
        return false;
    m_writeFailure = WriteFailure::Told;
    if (why) {
        *why = m_journal ? m_journal->lastError() : QString();
        if (why->isEmpty())
            *why = QStringLiteral("the database did not take the record");
    }
    return true;
}

void JournalRecorder::operation(const QString &name, const QString &outcome, bool ok)
{
    if (isOpen() && m_visit > 0)
        written(m_journal->recordOperation(m_visit, name, outcome, ok));
}

void JournalRecorder::document(const ops::FnDocument &doc, int ofd)
{
    // A register without an FN number has no archive to keep.
    if (isOpen() && m_visit > 0 && !m_current.fnNumber.isEmpty() && doc.isComplete())
        written(m_journal->recordDocument(m_visit, m_current.fnNumber, doc, ofd));
}

void JournalRecorder::backup(const QString &fileName, const QByteArray &content)
{
    if (isOpen() && m_visit > 0)
        written(m_journal->recordBackup(m_visit, QFileInfo(fileName).fileName(), content));
}

void JournalRecorder::dump(const QString &fileName, const QByteArray &image)
{
    if (isOpen() && m_visit > 0)
        written(m_journal->recordDump(
            m_visit, QFileInfo(fileName).fileName(), image.size(),
            QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex())));
}

} // namespace journal
