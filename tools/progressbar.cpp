#include "progressbar.h"

#include "console.h"

namespace {

constexpr int kBarWidth = 30;
constexpr qint64 kRedrawMs = 100;

} // namespace

ProgressBar::ProgressBar(bool enabled, const QString &unit) : m_enabled(enabled), m_unit(unit) {}

ProgressBar::~ProgressBar()
{
    finish();
}

void ProgressBar::start(qint64 total)
{
    m_total = qMax<qint64>(0, total);
    m_done = 0;
    m_clock.start();
    m_lastDrawMs = -1;
    if (m_enabled)
        draw();
}

void ProgressBar::update(qint64 done)
{
    m_done = qBound<qint64>(0, done, m_total);
    if (!m_enabled)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_done == m_total || m_lastDrawMs < 0 || now - m_lastDrawMs >= kRedrawMs)
        draw();
}

void ProgressBar::finish()
{
    if (m_enabled && m_drawn)
        Console::errRaw(QStringLiteral("\n"));
    m_enabled = false;
}

void ProgressBar::draw()
{
    m_lastDrawMs = m_clock.elapsed();
    const double seconds = double(qMax<qint64>(m_lastDrawMs, 1)) / 1000.0;
    Console::errRaw(QLatin1Char('\r') + line(m_done, m_total, double(m_done) / seconds, m_unit));
    m_drawn = true;
}

QString ProgressBar::durationText(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds / 60) % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString ProgressBar::line(qint64 done, qint64 total, double ratePerSecond, const QString &unit)
{
    const int filled = total > 0 ? int(done * kBarWidth / total) : kBarWidth;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('.'));
    QString left = QStringLiteral("--:--");
    if (ratePerSecond > 0)
        left = durationText(qint64(double(total - done) / ratePerSecond + 0.5));
    const QString totalText = QString::number(total);
    return QStringLiteral("[%1] %2/%3 %4  %5/s  %6 left ")
        .arg(bar, QString::number(done).rightJustified(totalText.size()), totalText, unit,
             QString::number(ratePerSecond, 'f', 1), left);
}
