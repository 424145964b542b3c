#include "dumpreader.h"

#include <dumpimage.h>
#include <testfp.h>

#include <QCoreApplication>

namespace ops {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ops::DumpReader", text);
}

DumpRead &ended(DumpRead &read, DumpRead::Status status, int code, const QString &text)
{
    read.status = status;
    read.errorCode = code;
    read.error = text;
    return read;
}

} // namespace

DumpReader::DumpReader(Exec exec, const QString &password) : m_exec(std::move(exec)), m_password(password) {}

void DumpReader::setProgress(Progress progress, int every)
{
    m_progress = std::move(progress);
    m_every = qMax(1, every);
}

bool DumpReader::stop()
{
    return m_exec(QStringLiteral("03,%1").arg(m_password));
}

DumpRead DumpReader::read()
{
    DumpRead result;
    // A transfer left running would interleave with this one; a refusal here
    // (nothing was running) is no reason not to go on.
    stop();
    if (!m_exec(QStringLiteral("01,%1,%2").arg(m_password).arg(kProgramMemoryUnit, 2, 10, QLatin1Char('0'))))
        return ended(result, DumpRead::Refused, lastErrCode, lastErrText);
    result.blocks = DumpImage::replyBlockCount();
    if (result.blocks <= 0)
        return ended(result, DumpRead::NoSize, -1, tr("Ошибка получения размера дампа!"));

    DumpImage image(result.blocks);
    const QString next = QStringLiteral("02,%1").arg(m_password);
    if (m_progress && !m_progress(0, result.blocks)) {
        result.closed = stop();
        return ended(result, DumpRead::Stopped, -1, tr("Считывание дампа прервано пользователем."));
    }
    for (int block = 1; block <= result.blocks; ++block) {
        if (!m_exec(next)) {
            const int code = lastErrCode;
            const QString text = tr("Ошибка чтения блока %1 дампа: %2").arg(block).arg(lastErrText);
            // A register that refused may still be handing out blocks; a lost
            // link would only cost another round of retries.
            result.closed = code > 0 && stop();
            return ended(result, DumpRead::Failed, code, text);
        }
        // A block that is missing, foreign or out of order would leave a
        // hole in the image, and its checksum would vouch for a corrupt file.
        const DumpImage::BlockCheck check = image.addReplyBlock();
        if (check != DumpImage::Ok) {
            const QString text = image.checkText(check);
            result.closed = stop();
            return ended(result, DumpRead::Failed, -1, text);
        }
        if (m_progress && (block % m_every == 0 || block == result.blocks)
            && !m_progress(block, result.blocks)) {
            result.closed = stop();
            return ended(result, DumpRead::Stopped, -1, tr("Считывание дампа прервано пользователем."));
        }
    }
    result.closed = stop();
    result.image = image.bytes();
    return ended(result, DumpRead::Done, 0, QString());
}

} // namespace ops
