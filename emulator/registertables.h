#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVector>

namespace kelo::emu {

// The register's settings tables, read with 1F and written with 1E; 2D and
// 2E describe a table and its fields. Numbers are little-endian of the
// field's width, texts Windows-1251 padded with zero bytes. Every write is
// checked against the field: a number within its minimum and maximum, a text
// of at most its width. The list of tables is in definitions().
class RegisterTables
{
public:
    enum class Result { Ok, NoTable, NoField, TooLong, OutOfRange, ReadOnly, WrongMode };

    struct Field
    {
        int number;
        bool text;
        int width;
        const char *name;
        quint64 min; // number fields only
        quint64 max;
        bool anyMode;  // writable with an open shift
        bool readOnly; // set only by the register itself
    };

    struct Table
    {
        int number;
        const char *name;
        int rows;
        QVector<Field> fields; // numbered 1 to fields.size() in order
    };

    // Rows of the password table: cashiers 1 to 28, then the administrator.
    static constexpr int kPasswordTable = 2;
    static constexpr int kAdministratorRow = 29;

    RegisterTables();

    static const QVector<Table> &definitions();
    static const Table *findTable(int table);
    static const Field *findField(int table, int field);

    // Every table back to its defaults, except keepTable (the registration
    // data belongs to the FN and survives a reset of the register).
    void resetToDefaults(int keepTable = 0);
    Result read(int table, int row, int field, QByteArray *value) const;
    // A value shorter than its field is zero-extended (the service tool sends
    // texts with one zero byte and numbers without their high zero bytes);
    // bytes beyond the width are accepted only when they are zero. A number
    // outside the field's range is refused and nothing is changed.
    Result write(int table, int row, int field, const QByteArray &value, bool shiftOpen);

    // The register's own access, without rights checks.
    quint64 number(int table, int row, int field) const;
    QString text(int table, int row, int field) const;
    void setNumber(int table, int row, int field, quint64 value);
    void setText(int table, int row, int field, const QString &value);

    QJsonObject toJson() const;
    void fromJson(const QJsonObject &json);

private:
    static const Field *find(int table, int row, int field);
    static quint32 key(int table, int row, int field) { return (table << 24) | (row << 8) | field; }
    void store(int table, int row, int field, const QByteArray &value);

    QMap<quint32, QByteArray> values_;
};

} // namespace kelo::emu
