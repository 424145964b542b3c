#pragma once

#include <QVector>

// A table of records with a fixed capacity: appending to a full table is
// refused, never wrapped or written past the end.
template<typename Record, int Capacity> class FixedTable
{
public:
    static constexpr int capacity = Capacity;

    int count() const { return int(m_records.size()); }
    bool isFull() const { return count() >= Capacity; }
    const Record &at(int i) const { return m_records.at(i); }
    Record &operator[](int i) { return m_records[i]; }
    const Record &operator[](int i) const { return m_records.at(i); }
    const Record &last() const { return m_records.last(); }
    Record &last() { return m_records.last(); }

    bool append(const Record &record)
    {
        if (isFull())
            return false;
        m_records.append(record);
        return true;
    }
    void clear() { m_records.clear(); }

    typename QVector<Record>::const_iterator begin() const { return m_records.cbegin(); }
    typename QVector<Record>::const_iterator end() const { return m_records.cend(); }

private:
    QVector<Record> m_records;
};
