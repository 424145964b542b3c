#pragma once

// Reads one fiscal document from the FN: "FF3A" opens the document and gives
// its type, then "FF3B" returns one top-level TLV item per call until the
// register answers error 8 ("no requested data"), which ends a complete
// document; an item with tag 0 ends it as well.
//
// The reading is bounded: a register that keeps answering cannot make it run
// forever or take unbounded memory. It stops after 65,535 bytes of items or
// 10,000 items (the length in the "FF3A" reply is a single byte and cannot
// serve as the bound) and reports the document as cut. A reply that does not
// carry a whole item is a damaged document, never an item skipped.

#include "exec.h"

#include <QByteArray>
#include <QList>
#include <QString>

class MTLVDocument;

namespace ops {

struct FnItem
{
    quint16 tag = 0;
    quint16 length = 0;
    QByteArray value;
};

struct FnDocument
{
    enum Status {
        Complete,
        Cut,     // the bound was reached before the register said "no more"
        Damaged, // a reply that cannot be a TLV item
        Failed,  // a command failed; errorCode tells whose failure
        Stopped, // the caller asked to stop
    };

    quint32 number = 0;
    bool opened = false; // "FF3A" went through
    quint16 docType = 0;
    QList<FnItem> items;
    int bytes = 0; // of the items read, with their tags and lengths
    Status status = Failed;
    int errorCode = 0; // the register's code, or -1 for the driver's own
    QString error;

    bool isComplete() const { return status == Complete; }
    // The items as fiscal document items of the document's type.
    QList<MTLVDocument> tlvItems() const;
};

class FnDocumentReader
{
public:
    static constexpr int kMaxItems = 10000;
    static constexpr int kMaxBytes = 65535;
    static constexpr int kNoMoreData = 8;

    FnDocumentReader(Exec exec, const QString &password);
    // Asked after every item (done = items read, total = 0).
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    FnDocument read(quint32 number);

private:
    Exec m_exec;
    Progress m_progress;
    QString m_password;
};

} // namespace ops
