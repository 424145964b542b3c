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

// What the last text command ran into, so that callers decide on a reason,
// never on a (translated) text.
enum class DriverFailure {
    None,           // it succeeded
    Refused,        // the register answered with an error code
    BadText,        // the text does not split into fields
    UnknownCommand, // no description for its code
    BadDescription, // the description's item lists do not parse
    BadParameter,   // a parameter is missing or does not convert
    NotConnected,   // everything checked, but there is no link
    Link,           // the exchange failed (the link's code is in the text)
    BadReply,       // a reply that is not this command's
};
extern DriverFailure lastErrFailure;

// Most fields a text command may have.
constexpr int kMaxCommandFields = 32;

class TestFp : public QObject
{
    Q_OBJECT
public:
    explicit TestFp(QObject *parent = nullptr);

    bool execCommand(const QString &command);
    // Strict: what the register would get other than written is refused
    // instead of adjusted: parameters beyond the command's items, a text or
    // hexadecimal value longer than its field, parameters that overflow a
    // fixed request length. The window's own commands are not strict.
    void setStrict(bool strict) { m_strict = strict; }
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
    bool report(DriverFailure failure, const QString &message);
    bool checkSurplus();
    bool checkWidths(const QByteArray &request);
    QString paramName(int index) const;

    QStringList m_fields;
    bool m_strict = false;
};

// Records a refusal by the register.
void setDevError(int code);
