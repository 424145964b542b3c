#pragma once

// Reads one fiscal document from the FN as the window does: "FF3A" opens the
// document and gives its type, then "FF3B" returns one top-level TLV item per
// call until the register answers error 8 ("no requested data"), which ends a
// complete document.
//
// The reading is bounded: a register that keeps answering cannot make it run
// forever or take unbounded memory. It stops after 65,535 bytes of items or
// 10,000 items (the length in the "FF3A" reply is a single byte and cannot
// serve as the bound) and reports the document as cut.

#include <mtlvdocument.h>

#include <QList>
#include <QString>

#include <functional>

struct FnDocument
{
    enum Status {
        Complete,
        Cut,     // the bound was reached before the register said "no more"
        Damaged, // a reply that cannot be a TLV item
        Failed,  // a command failed; errorCode tells whose failure
    };

    quint32 number = 0;
    quint16 docType = 0;
    QList<MTLVDocument> items;
    Status status = Failed;
    int errorCode = 0; // the register's code, or -1 for the driver's own
    QString error;

    bool isComplete() const { return status == Complete; }
};

class FnDocumentReader
{
public:
    static constexpr int kMaxItems = 10000;
    static constexpr int kMaxBytes = 65535;
    static constexpr int kNoMoreData = 8;

    // exec runs one text command and leaves the driver's last error and the
    // reply values as TestFp does.
    using Exec = std::function<bool(const QString &command)>;

    FnDocumentReader(Exec exec, const QString &password);

    FnDocument read(quint32 number);

private:
    Exec m_exec;
    QString m_password;
};
