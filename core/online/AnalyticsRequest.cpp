#include "AnalyticsRequest.h"

#include <QUrl>

namespace quorvane {

int urchinDomainHash(const QString& s)
{
    if (s.isEmpty())
        return 1;
    const QByteArray bytes = s.toLatin1();
    int h = 0;
    for (qsizetype i = bytes.size() - 1; i >= 0; --i) {
        const int c = static_cast<unsigned char>(bytes.at(i));
        h = ((h & 0x3FFFFF) * 64) + c * 16385;
        const int high = h & 0xFE00000;
        if (high != 0)
            h ^= high >> 21;
    }
    return h;
}

QString utmLocaleName(const QLocale& locale)
{
    return locale.name().toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
}

QByteArray nextUtmRequest(AnalyticsState* state, const AnalyticsContext& context, const QString& page,
                          qint64 nowSeconds, const std::function<int()>& random)
{
    if (state->firstVisit == 0)
        state->firstVisit = nowSeconds;
    if (state->previousVisit == 0)
        state->previousVisit = nowSeconds;

    const QString query =
        QStringLiteral("?utmwv=5.2.5") + QStringLiteral("&utmac=") + context.account + QStringLiteral("&utmhn=") +
        context.product + QStringLiteral("&utms=") + QString::number(state->requestCount) + QStringLiteral("&utmn=") +
        QString::number(random()) + QStringLiteral("&utmcc=__utma%3D") + QString::number(state->domainHash) +
        QLatin1Char('.') + QString::number(state->visitorId) + QLatin1Char('.') + QString::number(state->firstVisit) +
        QLatin1Char('.') + QString::number(state->previousVisit) + QLatin1Char('.') + QString::number(nowSeconds) +
        QStringLiteral(".1%3B") + QStringLiteral("&utmp=") + QString::fromLatin1(QUrl::toPercentEncoding(page)) +
        QStringLiteral("&utmcs=-") + QStringLiteral("&utmr=-") + QStringLiteral("&utmip=127.0.0.1") +
        QStringLiteral("&utmul=") + context.locale + QStringLiteral("&utmfl=-") + QStringLiteral("&utmje=-") +
        QStringLiteral("&utmsr=") + context.screenSize + QStringLiteral("&utmhid=") + QString::number(random());

    const QString request =
        QStringLiteral("GET /__utm.gif") + query + QStringLiteral(" HTTP/1.0\r\n") + QStringLiteral("Host: ") +
        context.collectorHost + QStringLiteral("\r\n") +
        QStringLiteral("User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:19.0) Gecko/20100101 Firefox/19.0\r\n") +
        QStringLiteral("X-Forwarded-For: 127.0.0.1\r\n") + QStringLiteral("Connection: close\r\n\r\n\r\n");

    state->requestCount += 1;
    state->previousVisit = nowSeconds;
    if (state->requestCount > kVisitorCycleRequests) {
        state->visitorId = random();
        state->requestCount = 1;
        state->firstVisit = 0;
        state->previousVisit = 0;
    }
    return request.toUtf8();
}

} // namespace quorvane
