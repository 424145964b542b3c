#pragma once

#include <QByteArray>
#include <QString>

namespace kelo::emu {

// Reads the fields of a request in order. Reading past the end yields zeros
// and marks the reader as failed; the caller checks ok() once at the end.
class RequestReader
{
public:
    RequestReader(const QByteArray &request, int start);

    quint64 number(int width);
    QByteArray bytes(int width);
    QByteArray rest();
    QString text1251(int width); // up to the first zero byte
    bool ok() const { return ok_; }
    int remaining() const { return qMax(0, static_cast<int>(request_.size()) - pos_); }

private:
    const QByteArray &request_;
    int pos_;
    bool ok_ = true;
};

} // namespace kelo::emu
