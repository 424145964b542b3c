#include "registersearch.h"

#include "registerconnector.h"

#include <mainproc.h>
#include <replyvalues.h>
#include <testfp.h>
#include <zirivoro.h>

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <mutex>

namespace ops {

namespace {

constexpr int kTickMs = 50; // how often the search looks at its ports
constexpr int kIdentifyProbeMs = 2000;
// Reply value of "11": the serial number.
constexpr int kStateSerialValue = 18;

// One port's search, run in a thread of its own.
struct PortProbe
{
    QString port;
    int baud = 0;
    QString skipReason;
    std::atomic<int> tried{0};
    std::atomic<bool> done{false};
    std::mutex linkMutex;
    ZiRivoro *link = nullptr; // while the thread has one

    void abortLink()
    {
        std::lock_guard<std::mutex> lock(linkMutex);
        if (link)
            QMetaObject::invokeMethod(
                link, [l = link] { l->abort(); }, Qt::QueuedConnection);
    }
};

void probePort(PortProbe *probe, const QList<int> &rates, const std::atomic<bool> *stop)
{
    {
        ZiRivoro link;
        {
            std::lock_guard<std::mutex> lock(probe->linkMutex);
            probe->link = &link;
        }
        if (!*stop && link.frInit(probe->port, rates.value(0, 115200)) != 0) {
            probe->skipReason = link.openErrorString();
        } else {
            frlink::Timings timings;
            for (int rate : rates) {
                if (*stop || link.isAborted())
                    break;
                timings.probeMs = RegisterSearch::probeMs(rate);
                link.setTimings(timings);
                const bool answered = link.frSetLink(rate, timings.probeMs) == 1;
                ++probe->tried;
                if (answered && !link.isAborted()) {
                    probe->baud = rate;
                    break;
                }
            }
        }
        link.closeComPort();
        std::lock_guard<std::mutex> lock(probe->linkMutex);
        probe->link = nullptr;
    }
    probe->done = true;
}

} // namespace

RegisterSearch::RegisterSearch(QStringList ports, QList<int> rates, const QString &password)
    : m_ports(std::move(ports)), m_rates(std::move(rates)), m_password(password)
{}

int RegisterSearch::probeMs(int baud)
{
    // Long enough for ENQ out and the answer back, four bytes on the line at
    // this rate, and the register's own moment.
    const int fourBytes = baud > 0 ? 40000 / baud : 0;
    return qMax(150, fourBytes + 100);
}

QList<int> RegisterSearch::order(const QList<int> &rates, int current)
{
    QList<int> sorted = rates;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.removeAll(current) > 0 || current > 0)
        sorted.prepend(current);
    return sorted;
}

SearchResult RegisterSearch::run()
{
    SearchResult result;
    m_stop = false;
    std::vector<std::unique_ptr<PortProbe>> probes;
    // Qt's threads: a serial port's notifiers need one.
    std::vector<std::unique_ptr<QThread>> threads;
    for (const QString &port : std::as_const(m_ports)) {
        probes.push_back(std::make_unique<PortProbe>());
        PortProbe *probe = probes.back().get();
        probe->port = port;
        threads.emplace_back(QThread::create(probePort, probe, m_rates, &m_stop));
        threads.back()->start();
    }
    const int total = int(m_ports.size() * m_rates.size());
    const auto allDone = [&probes] {
        return std::all_of(probes.begin(), probes.end(), [](const auto &p) { return p->done.load(); });
    };
    // The window stays live meanwhile; nothing spins.
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start(kTickMs);
    bool aborted = false;
    while (!allDone()) {
        loop.exec();
        int tried = 0;
        for (const auto &p : probes)
            tried += p->done ? int(m_rates.size()) : p->tried.load();
        if (!m_stop && m_progress && !m_progress(qMin(tried, total), total))
            m_stop = true;
        if (m_stop && !aborted) {
            aborted = true;
            for (const auto &p : probes)
                p->abortLink();
        }
    }
    for (const auto &t : threads)
        t->wait();

    result.stopped = m_stop;
    for (const auto &p : probes) {
        if (!p->skipReason.isEmpty())
            result.skipped.append({p->port, p->skipReason});
        else if (p->baud > 0 && !m_stop)
            result.found.append({p->port, p->baud, -1, QString(), QString()});
    }
    for (SearchFind &find : result.found)
        identify(&find);
    return result;
}

void RegisterSearch::identify(SearchFind *find) const
{
    // Through the driver, one port at a time, as any command goes.
    DriverLinkSettings &settings = mpLinkSettings();
    const DriverLinkSettings kept = settings;
    ZiRivoro link;
    settings.link = &link;
    settings.connected = link.frInit(find->port, find->baud) == 0
                         && link.frSetLink(find->baud, kIdentifyProbeMs) == 1;
    if (settings.connected) {
        TestFp exec;
        RegisterIdentity identity;
        if (exec.execCommand(QStringLiteral("FC")) && identity.fromReply()) {
            find->model = identity.model;
            find->name = identity.name;
        }
        if (exec.execCommand(QStringLiteral("11,%1").arg(m_password)) && reply::has(kStateSerialValue))
            find->serial = reply::text(kStateSerialValue);
    }
    link.closeComPort();
    settings = kept;
}

} // namespace ops
