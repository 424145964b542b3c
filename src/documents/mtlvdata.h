#ifndef MTLVDATA_H
#define MTLVDATA_H

#include <QObject>
#include <QString>

// What a tag of a fiscal document means: its number, its display name and how
// its value bytes are decoded. Entries of the tag dictionary are of this class.
class MTLVData : public QObject
{
    Q_OBJECT

public:
    // Value type codes as the dictionary stores them.
    enum Type {
        NoType = -1,  // not decoded
        Byte = 0,     // exactly 1 byte, unsigned
        UInt32 = 1,   // exactly 4 bytes, little-endian unsigned
        UInt16 = 2,   // exactly 2 bytes, little-endian unsigned
        STLV = 3,     // nested TLV items
        UnixTime = 4, // exactly 4 bytes, seconds since 1970 in UTC
        VLN = 5,      // 0..8 bytes, little-endian unsigned
        FVLN = 6,     // 2..5 bytes: decimal point position, then a little-endian mantissa
        String = 7,   // IBM 866 text, trimmed
        Bytes = 8     // raw bytes
    };
    Q_ENUM(Type)

    explicit MTLVData(QObject *parent = nullptr);
    MTLVData(int tag, const QString &name, int type, QObject *parent = nullptr);
    // Copies carry the fields only, never the parent: a copy is a value.
    MTLVData(const MTLVData &other);
    MTLVData &operator=(const MTLVData &other);
    ~MTLVData() override;

    // A short English name of a type code ("VLN", "String"), empty for codes outside the table.
    static QString typeName(int type);
    // Whether a value of `length` bytes can be decoded as `type`. An empty VLN is
    // left to the caller: it is a sum of zero, but no other number.
    static bool acceptsLength(int type, qsizetype length);

    int tag = 0;
    QString name;
    int type = NoType;
    // The name the formats publish; empty for a tag of this program's own.
    QString officialName;
    // The type a second transcription of the formats gives the tag. A value whose
    // length fits only this type is decoded by it rather than lost to the doubt.
    int altType = NoType;
    // One bit per format version using this meaning of the tag (bit 0 for 1.0, then
    // 1.05, 1.1, 1.2, as tag 1209 numbers them from 1); 0 when not known.
    int versions = 0;
};

#endif // MTLVDATA_H
