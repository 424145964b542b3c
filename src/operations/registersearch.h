#pragma once

// Finding the register: every port is probed at every rate with ENQ, the
// ports side by side, each in a thread of its own; what answers is then
// identified with "FC" and the state "11" (model, name, serial number).
//
// A port that cannot be opened (in use, not permitted, gone) is listed with
// its reason and skipped. The search can be stopped at any moment: it ends
// within a fraction of a second, every port closed.

#include "exec.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace ops {

struct SearchFind
{
    QString port;
    int baud = 0;
    int model = -1;
    QString name;
    QString serial; // empty when the register would not tell
};

struct SearchSkip
{
    QString port;
    QString reason;
};

struct SearchResult
{
    QList<SearchFind> found;
    QList<SearchSkip> skipped;
    bool stopped = false;
};

class RegisterSearch
{
public:
    // ports: in the order to list them; rates: in the order to try them.
    RegisterSearch(QStringList ports, QList<int> rates, const QString &password);

    // Told how many of the port and rate pairs have been tried; false stops.
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    // Stops a search under way (from a handler run during it).
    void stop() { m_stop = true; }

    SearchResult run();

    // The longest the search waits for an answer at this rate.
    static int probeMs(int baud);
    // Rates to try: the current one first, then the others fastest first.
    static QList<int> order(const QList<int> &rates, int current);

private:
    void identify(SearchFind *find) const;

    QStringList m_ports;
    QList<int> m_rates;
    QString m_password;
    Progress m_progress;
    std::atomic<bool> m_stop{false};
};

} // namespace ops
