#pragma once

// Runs one text command such as "11,30": splits it, finds its description,
// builds the request, exchanges it over the link and turns the reply into the
// reply values (rplItems). Keeps the driver's last error.

#include <QObject>
#include <QString>
#include <QStringList>

// The driver's last error: 0 after success, the register's error code after a
// refusal, -1 for every failure on the driver's side.
extern int lastErrCode;
extern QString lastErrText;

// Most fields a text command may have.
constexpr int kMaxCommandFields = 32;

class TestFp : public QObject
{
    Q_OBJECT
public:
    explicit TestFp(QObject *parent = nullptr);

    bool execCommand(const QString &command);
    bool splitCommand(const QString &command);
    const QStringList &fields() const { return m_fields; }

    // The exchange of the command curCmd with the fields already split.
    bool sendCmdRcvRpl();
    // Turns a reply of the command curCmd into the reply values.
    bool fillReplyValues(const QByteArray &reply);

private:
    QString getQuoteItem(const QString &rest, QChar quote, bool &ok);
    bool setParamValues(int &failIndex);
    QByteArray buildRequest();
    bool report(const QString &message);

    QStringList m_fields;
};

// Records a refusal by the register.
void setDevError(int code);
