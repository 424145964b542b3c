#pragma once

// The register's settings tables: their list, the structure of a table and of
// its fields, their values, checked writes, and a backup of them all in one
// JSON file that can be restored onto the register.
//
// "2D" describes a table (name, rows, fields), "2E" one field (name, type,
// size, and for a number its minimum and maximum), "1F" reads one value and
// "1E" writes one. A number is `size` bytes little-endian; a text is
// Windows-1251, padded with zero bytes to `size`.
//
// The list of tables: table numbers are probed with "2D" from 1 on. The
// register refuses a number it has no table for with error 93; its tables
// need not follow each other, so a refusal is a gap, and the list ends after
// kEndGap numbers in a row refused, or at table 255 (the number is one byte).
// Any other refusal ends the reading with that error.
//
// Every byte of a reply and of a backup file is checked before it is used: a
// reply that cannot be what was asked for is a damaged reply, never a value.

#include "exec.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

namespace ops {

struct TableField
{
    int number = 0;
    QString name;
    bool text = false;
    int size = 0;
    quint64 min = 0; // number fields only
    quint64 max = 0;

    // Name, type and size; the range is the register's to change.
    bool sameLayout(const TableField &other) const
    {
        return name == other.name && text == other.text && size == other.size;
    }
    QString typeName() const { return text ? QStringLiteral("text") : QStringLiteral("number"); }
};

struct TableStructure
{
    int number = 0;
    QString name;
    int rows = 0;
    int fieldCount = 0;       // as "2D" gives it
    QList<TableField> fields; // read with "2E"; empty until then
};

// A table with its values: values[row - 1][field - 1], each a number
// (qulonglong) or a text (QString) as its field is.
struct TableContents
{
    TableStructure structure;
    QList<QList<QVariant>> values;
};

// One cell to change: where, its field, and the value before and after.
struct CellChange
{
    int table = 0;
    int row = 0;
    QString tableName;
    TableField field;
    QVariant current; // in the register
    QVariant wanted;  // asked for, or in the backup file
};

struct CellWrite
{
    CellChange cell;
    bool written = false; // "1E" went through
    bool readBack = false;
    QVariant value;    // read back after the write
    int errorCode = 0; // of a failure: the register's code, or -1 for the driver's own
    QString error;

    bool matches() const;
};

// Everything a backup file holds.
struct RegisterBackup
{
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    int model = -1;
    QString modelName;
    QString serialNumber;
    QDateTime date;
    QList<TableContents> tables;

    QJsonObject toJson() const;
    // False with the reason when the object is no backup this program can
    // take: every number, size and value is checked against its field.
    bool fromJson(const QJsonObject &json, QString *error);
    bool save(const QString &path, QString *error) const;
    bool load(const QString &path, QString *error);
};

// What restoring a backup would do. A non-empty refusal means nothing is to
// be written at all.
struct RestorePlan
{
    QList<CellChange> changes;
    QList<CellChange> skipped; // fields the register keeps for itself
    QString refusal;
};

class SettingsTables
{
public:
    static constexpr int kNoTable = 93; // the register's error for a table it does not have
    static constexpr int kEndGap = 16;
    static constexpr int kMaxTable = 255;

    SettingsTables(Exec exec, const QString &password);
    // Asked after every command: the values read so far of all to read (of
    // one table, or of every table in readAll), or the command's number and 0
    // while tables and fields are probed, or the cells written of all to write. Answers false to stop
    // there: reading fails as stopped, writing leaves the rest unwritten.
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // The tables as "2D" gives them, without their fields.
    bool listTables(QList<TableStructure> *tables);
    // "2D" and "2E" for every field.
    bool readStructure(int table, TableStructure *structure);
    bool readValue(const TableStructure &structure, int row, int field, QVariant *value);
    // Every value of a table whose fields are read, row by row.
    bool readContents(const TableStructure &structure, TableContents *contents);
    // The model (from "FC"), the serial number and every table with its values.
    bool readAll(RegisterBackup *backup);
    // Writes each cell with "1E" and reads it back with "1F". A refusal of
    // one cell does not stop the others; a failure of the link stops there
    // and leaves the rest unwritten.
    QList<CellWrite> write(const QList<CellChange> &cells);

    // Empty when the value fits its field; else what is wrong, with the range
    // of a number or the size of a text.
    static QString validate(const TableField &field, const QVariant &value);
    // A value typed by the user: a decimal number, or a text as it is.
    static bool parseValue(const TableField &field, const QString &text, QVariant *value, QString *error);
    // Fields the register takes from its fiscal storage or its maker (serial
    // number, INN, registration number, FN number, work modes): never
    // written, a difference in a backup only reported.
    static bool isProtected(int table, int field);
    // Empty when the backup is of this model; else the refusal.
    static QString modelMismatch(const RegisterBackup &file, int model, const QString &modelName);
    // Compares a backup with the register's tables and model.
    static RestorePlan planRestore(const RegisterBackup &file, const RegisterBackup &current);
    static QString valueText(const QVariant &value);
    static bool sameValue(const QVariant &a, const QVariant &b);
    // The bytes "1E" carries for a value that fits its field.
    static QByteArray encode(const TableField &field, const QVariant &value);

    int errorCode() const { return m_errorCode; }
    QString error() const { return m_error; }
    bool stopped() const { return m_stopped; }

private:
    bool fail(int code, const QString &text);
    bool failCommand();
    bool step(int done, int total);
    bool readField(int table, int field, TableField *out);
    bool readCell(int table, int row, const TableField &field, QVariant *value);

    Exec m_exec;
    Progress m_progress;
    QString m_password;
    int m_errorCode = 0;
    QString m_error;
    bool m_stopped = false;
};

} // namespace ops
