// The commands that need no register: decode-tlv, regnum, md5, compare.

#include "commandline.h"
#include "commands.h"
#include "console.h"
#include "documentformat.h"
#include "dumpfiles.h"
#include "fndocumentreader.h"
#include "regnumber.h"

#include <mtlvdocument.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <cstdio>

namespace {

// A saved document is at most 64 KiB; its hex text with blanks a few times that.
constexpr qint64 kMaxInputBytes = qint64(1) << 20;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool looksLikeHex(const QByteArray &bytes)
{
    bool digits = false;
    for (char c : bytes) {
        if (isHexDigit(c))
            digits = true;
        else if (!isBlank(c))
            return false;
    }
    return digits;
}

// Hex digits in pairs; blanks and line breaks anywhere are ignored.
bool decodeHex(const QByteArray &text, QByteArray *bytes, QString *error)
{
    QByteArray digits;
    digits.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (isHexDigit(c)) {
            digits.append(c);
        } else if (!isBlank(c)) {
            *error = QStringLiteral("byte %1 of the file is neither a hex digit nor a blank").arg(i + 1);
            return false;
        }
    }
    if (digits.size() % 2 != 0) {
        *error = QStringLiteral("an odd number of hex digits (%1)").arg(digits.size());
        return false;
    }
    *bytes = QByteArray::fromHex(digits);
    return true;
}

bool readInput(const QString &path, QByteArray *bytes, QString *error)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.read(kMaxInputBytes + 1);
    if (bytes->size() > kMaxInputBytes) {
        *error = QStringLiteral("larger than %1 bytes; no fiscal document is that large").arg(kMaxInputBytes);
        return false;
    }
    return true;
}

} // namespace

int cmdDecodeTlv(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("decode-tlv"),
        QStringLiteral("Decodes a fiscal document saved as binary TLV or as hex text (blanks and line\n"
                       "breaks ignored) without a register, and prints it like fn-doc. A whole document\n"
                       "(its form code and length around its items) gives its own type; a bare list of\n"
                       "items, as FF3B returns them, takes it from --type. FILE \"-\" is standard input."),
        QStringLiteral("FILE"));
    const QCommandLineOption type(QStringLiteral("type"),
                                  QStringLiteral("Document type of a bare list of items (default 0)."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption input(QStringLiteral("input"),
                                   QStringLiteral("How FILE is written: auto (default), hex or binary."),
                                   QStringLiteral("kind"), QStringLiteral("auto"));
    cl.addOption(type);
    cl.addOption(input);
    cl.addFormatOption(true);
    if (const int r = cl.parse(args, 1, 1); r >= 0)
        return r;
    DocFormat format = DocFormat::Text;
    quint64 docType = 0;
    const QString kind = cl.parser().value(input);
    if (!cl.format(&format, true)
        || !cl.number(cl.parser().value(type), QStringLiteral("--type"), 0, 0xFFFF, &docType))
        return ExitUsage;
    if (kind != QLatin1String("auto") && kind != QLatin1String("hex") && kind != QLatin1String("binary"))
        return cl.usage(QStringLiteral("unknown input kind \"%1\"").arg(kind));

    const QString path = cl.positional().at(0);
    QByteArray content;
    QString error;
    if (!readInput(path, &content, &error)) {
        Console::err(QStringLiteral("%1: %2").arg(path, error));
        return ExitUsage;
    }
    QByteArray bytes = content;
    const bool hex = kind == QLatin1String("hex") || (kind == QLatin1String("auto") && looksLikeHex(content));
    if (hex && !decodeHex(content, &bytes, &error)) {
        Console::err(QStringLiteral("%1: %2").arg(path, error));
        return ExitCheckFailed;
    }
    if (bytes.isEmpty()) {
        Console::err(QStringLiteral("%1: the input is empty, there is no document in it").arg(path));
        return ExitCheckFailed;
    }
    // The bound of a document read from the FN holds here too: beyond it the
    // file is no fiscal document, and its nested structures would cost memory
    // out of all proportion.
    if (bytes.size() > ops::FnDocumentReader::kMaxBytes + 4) {
        Console::err(QStringLiteral("%1: %2 bytes of TLV data; a fiscal document has at most %3")
                         .arg(path)
                         .arg(bytes.size())
                         .arg(ops::FnDocumentReader::kMaxBytes));
        return ExitCheckFailed;
    }

    QStringList problems;
    QByteArray body = bytes;
    qsizetype offset = 0; // of the body in the input
    quint16 formCode = 0;
    quint16 declared = 0;
    if (MTLVDocument::startsWholeDocument(bytes, &formCode, &declared)) {
        if (cl.parser().isSet(type) && docType != formCode) {
            Console::err(QStringLiteral("%1: the document says it is of type %2, --type says %3")
                             .arg(path)
                             .arg(formCode)
                             .arg(docType));
            return ExitCheckFailed;
        }
        docType = formCode;
        offset = 4;
        body = bytes.mid(offset, declared);
        if (body.size() < declared)
            problems << QStringLiteral("the document is cut: %1 of its %2 bytes are there")
                            .arg(body.size())
                            .arg(declared);
        else if (bytes.size() > offset + declared)
            problems << QStringLiteral("%1 bytes after the end of the document")
                            .arg(bytes.size() - offset - declared);
    } else if (bytes.size() > ops::FnDocumentReader::kMaxBytes) {
        Console::err(QStringLiteral("%1: %2 bytes of TLV items; a fiscal document has at most %3")
                         .arg(path)
                         .arg(bytes.size())
                         .arg(ops::FnDocumentReader::kMaxBytes));
        return ExitCheckFailed;
    }
    qsizetype consumed = 0;
    const QList<MTLVDocument> items = MTLVDocument::parseSequence(body, quint16(docType), &consumed);
    if (items.isEmpty()) {
        problems.prepend(QStringLiteral("no whole TLV item in %1 bytes").arg(body.size()));
        Console::err(QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
        return ExitCheckFailed;
    }
    if (consumed < body.size())
        problems.prepend(QStringLiteral("the last %1 bytes (from offset %2) do not make a whole TLV item")
                             .arg(body.size() - consumed)
                             .arg(offset + consumed));
    Console::outBytes(DocumentFormat::render(items, quint16(docType), format,
                                             QJsonObject{{QStringLiteral("complete"), problems.isEmpty()}}));
    if (problems.isEmpty())
        return ExitOk;
    Console::err(QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
    return ExitCheckFailed;
}

int cmdRegnum(const QStringList &args)
{
    CommandLine cl(QStringLiteral("regnum"),
                   QStringLiteral("Prints the registration number of the register: ORDINAL in 10 digits and\n"
                                  "the CRC-16 of ORDINAL, INN and SERIAL in 6 digits, as the registration\n"
                                  "page computes it."),
                   QStringLiteral("ORDINAL INN SERIAL"));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Compare with this number; exit code 1 when it differs."),
                                   QStringLiteral("RNM"));
    cl.addOption(check);
    if (const int r = cl.parse(args, 3, 3); r >= 0)
        return r;
    const QStringList pos = cl.positional();
    quint64 ordinal = 0;
    quint64 inn = 0;
    quint64 serial = 0;
    if (!cl.number(pos.at(0), QStringLiteral("ORDINAL"), 0, 9999999999ull, &ordinal)
        || !cl.number(pos.at(1), QStringLiteral("INN"), 0, 999999999999ull, &inn)
        || !cl.number(pos.at(2), QStringLiteral("SERIAL"), 0, 18446744073709551615ull, &serial))
        return ExitUsage;
    // What cannot be a registration number is a mistake on the command line,
    // not a number that differs.
    const QString given = cl.parser().value(check);
    quint64 unused = 0;
    if (cl.parser().isSet(check) && (given.size() != 16 || !rnParseDigits(given, &unused)))
        return cl.usage(
            QStringLiteral("--check must be a registration number of 16 digits, not \"%1\"").arg(given));
    const QString number = rnCalculate(ordinal, inn, serial);
    Console::out(number + QLatin1Char('\n'));
    if (!cl.parser().isSet(check))
        return ExitOk;
    if (rnVerify(given, ordinal, inn, serial))
        return ExitOk;
    Console::err(
        QStringLiteral("%1 is not the registration number of these data (%2 is)").arg(given, number));
    return ExitCheckFailed;
}

int cmdMd5(const QStringList &args)
{
    CommandLine cl(QStringLiteral("md5"),
                   QStringLiteral("Computes the MD5 of a dump file, prints its line and writes the checksum\n"
                                  "file beside it, as the service page does."),
                   QStringLiteral("FILE"));
    if (const int r = cl.parse(args, 1, 1); r >= 0)
        return r;
    const QString file = cl.positional().at(0);
    QByteArray digest;
    QString error;
    if (!dumpFileMd5(file, &digest, &error)) {
        Console::err(QCoreApplication::translate("MMainForm", "Ошибка чтения дампа из файла: %1").arg(file)
                     + QStringLiteral(" (") + error + QLatin1Char(')'));
        return ExitUsage;
    }
    Console::outBytes(dumpMd5Line(digest, file));
    if (!dumpWriteMd5File(file, digest, &error)) {
        Console::err(QStringLiteral("cannot write %1: %2").arg(dumpMd5FilePath(file), error));
        return ExitDriver;
    }
    return ExitOk;
}

int cmdCompare(const QStringList &args)
{
    CommandLine cl(
        QStringLiteral("compare"),
        QStringLiteral("Compares two dump files and prints the service page's verdict and, when\n"
                       "they differ, where: \"FILE1 FILE2 differ: byte N (offset 0xHEX)\", the byte\n"
                       "counted from 1 and the offset from 0, as cmp does; for files of different\n"
                       "sizes also the sizes. Exit code 1 when they differ."),
        QStringLiteral("FILE1 FILE2"));
    if (const int r = cl.parse(args, 2, 2); r >= 0)
        return r;
    const QString first = cl.positional().at(0);
    const QString second = cl.positional().at(1);
    DumpDifference difference;
    const DumpCompare result = dumpCompareFiles(first, second, DumpProgress(), &difference);
    // Where they differ, as cmp says it: the byte counted from 1, the offset from 0.
    const QString where = difference.offset < 0 ? QString()
                                                : QStringLiteral("%1 %2 differ: byte %3 (offset 0x%4)")
                                                      .arg(first, second)
                                                      .arg(difference.offset + 1)
                                                      .arg(difference.offset, 0, 16);
    switch (result) {
    case DumpCompare::Equal:
        Console::out(
            QCoreApplication::translate("MMainForm", "Результат сравнения: дампы полностью совпадают.")
            + QLatin1Char('\n'));
        return ExitOk;
    case DumpCompare::DifferentSize: {
        const bool prefix = difference.offset == qMin(difference.firstSize, difference.secondSize);
        Console::out(
            QCoreApplication::translate("MMainForm", "Ошибка сравнения: размер дампов различный!")
            + QLatin1Char('\n')
            + (prefix ? QStringLiteral("%1 %2 differ: %3 ends after byte %4")
                            .arg(first, second, difference.firstSize < difference.secondSize ? first : second)
                            .arg(difference.offset)
                      : where)
            + QStringLiteral("; sizes %1 and %2 bytes\n")
                  .arg(difference.firstSize)
                  .arg(difference.secondSize));
        return ExitCheckFailed;
    }
    case DumpCompare::DifferentContent:
        Console::out(QCoreApplication::translate("MMainForm", "Ошибка сравнения: содержимое дампов различно!")
                     + QLatin1Char('\n') + where + QLatin1Char('\n'));
        return ExitCheckFailed;
    case DumpCompare::FirstUnreadable:
    case DumpCompare::SecondUnreadable:
    case DumpCompare::Stopped:
        break;
    }
    Console::err(QCoreApplication::translate("MMainForm", "Ошибка чтения дампа из файла: %1")
                     .arg(result == DumpCompare::FirstUnreadable ? first : second)
                 + QStringLiteral(" (") + difference.error + QLatin1Char(')'));
    return ExitUsage;
}
