#pragma once

// A one-line progress bar on standard error: done of total, rate and time
// left. Drawn only when enabled (a terminal, or asked for), so output that is
// captured stays clean.

#include <QElapsedTimer>
#include <QString>

class ProgressBar
{
public:
    ProgressBar(bool enabled, const QString &unit);
    ~ProgressBar();

    void start(qint64 total);
    void update(qint64 done);
    // Ends the line; the bar is not drawn again.
    void finish();

    // "1:05" or "1:02:05".
    static QString durationText(qint64 seconds);
    // The bar line for these figures (without the leading carriage return).
    static QString line(qint64 done, qint64 total, double ratePerSecond, const QString &unit);

private:
    void draw();

    bool m_enabled;
    bool m_drawn = false;
    QString m_unit;
    qint64 m_total = 0;
    qint64 m_done = 0;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1;
};
