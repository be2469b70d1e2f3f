// Where the online services are. There is no built-in host: the sharing service and the analytics
// collector are used only when configured, and with none configured nothing is sent.
//
// Configuration (the environment wins over the setting; settings live in the shared machine settings
// file, quorvane::machineSettings()):
//
//   what                          environment variable       setting key               form
//   sharing service (login,       QUORVANE_SERVICE_URL       "dotcom/serviceUrl"       http://host[:port][/prefix]
//     upload, version check)                                                           or https://...
//   analytics collector           QUORVANE_ANALYTICS_URL     "analytics/collectorUrl"  http://host[:port]
//   analytics switch                                         "analytics/enabled"       bool; default: on exactly
//                                                                                      when a collector is set
//   analytics tracking account                               "analytics/account"       overrides the program's
//
// The service's endpoints are "/ws/login.php", "/ws/form.php" and "/ws/version.php" under the address
// (after its path, if any). The collector is reached on its host and port (80 when none is given).
#pragma once

#include <QString>
#include <QUrl>

namespace quorvane {

inline constexpr char kServiceUrlEnv[] = "QUORVANE_SERVICE_URL";
inline constexpr char kServiceUrlKey[] = "dotcom/serviceUrl";
inline constexpr char kCollectorUrlEnv[] = "QUORVANE_ANALYTICS_URL";
inline constexpr char kCollectorUrlKey[] = "analytics/collectorUrl";
inline constexpr char kAnalyticsEnabledKey[] = "analytics/enabled";
inline constexpr char kAnalyticsAccountKey[] = "analytics/account";

// The sharing service's address, or an empty URL when none is configured or the configured text is
// not an http or https address with a host.
QUrl configuredServiceUrl();

// The analytics collector's address, or an empty URL when none is configured or it is not an http
// address with a host.
QUrl configuredCollectorUrl();

// `path` (such as "/ws/login.php") under the service address, keeping the address's own path prefix.
QUrl serviceEndpoint(const QUrl& service, const QString& path);

// Prints `line` once per process and key on standard output (used to say that a service is not set up).
void printOnce(const char* key, const QString& line);

} // namespace quorvane
