#include "IsoDate.h"

#include <array>

namespace {
// Days since 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant's algorithm.
struct Civil {
    qint64 year;
    int month;
    int day;
};

Civil civilFromDays(qint64 days) {
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shifted = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * shifted + 2) / 5 + 1);
    const int month = int(shifted < 10 ? shifted + 3 : shifted - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

char16_t* digits(char16_t* out, qint64 value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = char16_t(u'0' + value % 10);
    return out + width;
}
} // namespace

QString isoDateText(const QDateTime& date) {
    if (!date.isValid())
        return {};
    constexpr qint64 msPerDay = 86'400'000;
    const qint64 ms = date.toMSecsSinceEpoch();
    const qint64 days = (ms >= 0 ? ms : ms - (msPerDay - 1)) / msPerDay;
    const Civil civil = civilFromDays(days);
    // Outside four-digit years Qt writes signs and widths of its own.
    if (civil.year < 1 || civil.year > 9999)
        return date.toUTC().toString(Qt::ISODateWithMs);
    qint64 inDay = ms - days * msPerDay;
    std::array<char16_t, 24> text{};
    char16_t* out = digits(text.data(), civil.year, 4);
    *out++ = u'-';
    out = digits(out, civil.month, 2);
    *out++ = u'-';
    out = digits(out, civil.day, 2);
    *out++ = u'T';
    out = digits(out, inDay / 3'600'000, 2);
    inDay %= 3'600'000;
    *out++ = u':';
    out = digits(out, inDay / 60'000, 2);
    inDay %= 60'000;
    *out++ = u':';
    out = digits(out, inDay / 1000, 2);
    *out++ = u'.';
    out = digits(out, inDay % 1000, 3);
    *out++ = u'Z';
    return QString(reinterpret_cast<const QChar*>(text.data()), out - text.data());
}
