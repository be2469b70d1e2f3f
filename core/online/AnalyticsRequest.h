// The page-view requests of the usage analytics: classic urchin "/__utm.gif" GETs over HTTP/1.0,
// built by hand, and the visitor state they carry. No network here.
//
// Request (CRLF line ends, the query in this order, numbers in decimal):
//   GET /__utm.gif?utmwv=5.2.5&utmac=ACCOUNT&utmhn=PRODUCT&utms=REQUESTCOUNT&utmn=RANDOM
//       &utmcc=__utma%3DDOMAINHASH.VISITORID.FIRSTVISIT.PREVIOUSVISIT.NOW.1%3B&utmp=PAGE&utmcs=-&utmr=-
//       &utmip=127.0.0.1&utmul=LOCALE&utmfl=-&utmje=-&utmsr=WIDTHxHEIGHT&utmhid=RANDOM HTTP/1.0
//   Host: COLLECTOR HOST
//   User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64; rv:19.0) Gecko/20100101 Firefox/19.0
//   X-Forwarded-For: 127.0.0.1
//   Connection: close
//   (empty line, empty line)
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <functional>

namespace quorvane {

inline constexpr int kVisitorCycleRequests = 500;

struct AnalyticsState
{
    qint64 firstVisit = 0;    // seconds since 1970 of the visitor cycle's first request
    qint64 previousVisit = 0; // seconds since 1970 of the previous request
    int domainHash = 1;       // urchinDomainHash(product name)
    int visitorId = 0;
    int requestCount = 1; // "utms": the request's number within the visitor cycle
};

struct AnalyticsContext
{
    QString account;       // "utmac"
    QString product;       // "utmhn"
    QString collectorHost; // the "Host" header
    QString locale;        // "utmul", as utmLocaleName gives it
    QString screenSize;    // "utmsr": width "x" height in pixels
};

// The urchin domain hash: 1 for the empty string; else over the characters' 8-bit codes from the last
// to the first, h = ((h & 0x3FFFFF) * 64) + c * 16385, folding the bits 0xFE00000 back in (h ^= bits >> 21).
int urchinDomainHash(const QString& s);

// The locale's name in lower case with "_" as "-" ("es-es").
QString utmLocaleName(const QLocale& locale);

// Builds the request for `page` at `nowSeconds` and moves the state on: the first request of a cycle
// sets both visit times to now; afterwards the count goes up and the previous visit becomes now; the
// request after the 500th of a cycle starts a new visitor (new id, count 1, times 0). `random` gives
// the fresh pseudo-random numbers ("utmn", "utmhid", a new visitor id).
QByteArray nextUtmRequest(AnalyticsState* state, const AnalyticsContext& context, const QString& page,
                          qint64 nowSeconds, const std::function<int()>& random);

} // namespace quorvane
