// Starting states of the register.

#include "registermodel.h"

#include "wireformat.h"

namespace kelo::emu {

namespace {

constexpr quint64 kPresetInn = 7736207543ull; // with its right check digit

} // namespace

void RegisterModel::applyPreset(Preset preset)
{
    resetForPreset();
    if (preset == Preset::OutOfBox)
        return;

    // A registered register with a short history. The history is made by the
    // register's own commands, so it is exactly what a real one would hold.
    tables_.setText(18, 1, 7, QStringLiteral("ООО \"Ромашка\""));
    tables_.setText(18, 1, 8, QStringLiteral("Торговый зал"));
    tables_.setText(18, 1, 9, QStringLiteral("г. Москва, ул. Тестовая, д. 1"));
    tables_.setText(18, 1, 10, QStringLiteral("ООО \"Тест-ОФД\""));
    tables_.setText(18, 1, 11, QStringLiteral("ofd.example.test"));
    tables_.setText(18, 1, 12, QStringLiteral("7700000001"));
    tables_.setText(18, 1, 13, QStringLiteral("www.nalog.example"));

    const quint32 password = static_cast<quint32>(sysAdminPassword_);
    auto command = [password](quint16 code) {
        QByteArray r;
        if (code > 0xFF)
            r.append('\xFF');
        r.append(static_cast<char>(code & 0xFF));
        wire::appendLE(r, password, 4);
        return r;
    };
    auto item = [&command](quint64 quantity, quint64 price, const QString &name) {
        QByteArray r = command(0x80);
        wire::appendLE(r, quantity, 5);
        wire::appendLE(r, price, 5);
        r.append(char(0));
        r.append("\x01\x00\x00\x00", 4);
        r.append(wire::fixedText(wire::toCp1251(name), 40));
        return r;
    };
    auto close = [&command](quint64 cash, quint64 cashless) {
        QByteArray r = command(0x85);
        wire::appendLE(r, cash, 5);
        wire::appendLE(r, cashless, 5);
        r.append(QByteArray(10 + 2 + 4 + 40, '\0'));
        return r;
    };
    const QDate today = now().date();
    auto at = [this, today](int daysAgo, int hour, int minute) {
        setClock(QDateTime(today.addDays(-daysAgo), QTime(hour, minute), Qt::UTC));
    };

    at(3, 10, 0);
    QByteArray begin = command(0xFF05);
    begin.append(char(0));
    execute(begin);
    QByteArray registration = command(0xFF06);
    registration.append(wire::fixedText(QByteArray::number(kPresetInn), 12));
    registration.append(
        wire::fixedText(wire::registrationNumber(1, kPresetInn, state_.serialNumber).toLatin1(), 20));
    registration.append(char(0x01 | 0x02)); // general and simplified income
    registration.append(char(0));
    execute(registration);

    at(1, 9, 0);
    execute(command(0xE0));
    at(1, 9, 15);
    execute(item(1000, 5500, QStringLiteral("Хлеб")));
    execute(item(2000, 8990, QStringLiteral("Молоко 1 л")));
    execute(close(30000, 0));
    at(1, 11, 40);
    execute(item(1500, 12000, QStringLiteral("Сыр весовой, кг")));
    execute(close(0, 18000));
    at(1, 14, 5);
    QByteArray ret = command(0x8D);
    ret.append(char(2)); // a sale returned
    execute(ret);
    QByteArray back = item(1000, 5500, QStringLiteral("Хлеб"));
    back[0] = static_cast<char>(0x82);
    execute(back);
    execute(close(5500, 0));
    at(1, 16, 30);
    execute(command(0xFF35));
    QByteArray correction = command(0xFF36);
    wire::appendLE(correction, 10000, 5);
    correction.append(char(1));
    execute(correction);
    at(1, 18, 0);
    execute(command(0x41));
    state_.clockOffsetSecs = 0;
    state_.printed.clear();
    fn_.updateOfd(now());
}

} // namespace kelo::emu
