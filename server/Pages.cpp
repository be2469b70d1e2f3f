#include "Pages.h"

#include <QLocale>

namespace {

const QLocale& spanish()
{
    static const QLocale locale(QLocale::Spanish, QLocale::Spain);
    return locale;
}

QString esc(const QString& s)
{
    return s.toHtmlEscaped();
}

QByteArray page(const QString& title, const QString& body)
{
    static const QString kStyle = QStringLiteral(
        "body{margin:0;font-family:'Liberation Sans',Arial,sans-serif;background:#f4f1ee;color:#222}"
        "header{background:#ff5500;color:#fff;padding:14px 24px;font-size:20px;font-weight:bold}"
        "header a{color:#fff;text-decoration:none}"
        "main{max-width:760px;margin:24px auto;background:#fff;border-radius:8px;padding:24px 32px;"
        "box-shadow:0 1px 4px rgba(0,0,0,.15)}"
        "h1{font-size:24px;margin:0 0 16px;word-break:break-all}"
        ".scene{display:flex;gap:32px;align-items:flex-start;flex-wrap:wrap}"
        ".facts{flex:1;min-width:260px}"
        "dl{display:grid;grid-template-columns:auto 1fr;gap:8px 16px;margin:0 0 24px}"
        "dt{color:#777}dd{margin:0}"
        "a.button{display:inline-block;background:#ff5500;color:#fff;padding:10px 20px;border-radius:6px;"
        "text-decoration:none;font-weight:bold}"
        ".qr{text-align:center;color:#777;font-size:13px}.qr svg{display:block;margin-bottom:6px}"
        ".link{font-size:13px;color:#555;word-break:break-all;margin-top:16px}"
        "table{width:100%;border-collapse:collapse}th,td{text-align:left;padding:8px;border-bottom:1px solid #eee}"
        "th{color:#777;font-weight:normal}td.n{text-align:right;white-space:nowrap}th.n{text-align:right}");
    const QString html = QStringLiteral("<!DOCTYPE html><html lang=\"es\"><head><meta charset=\"utf-8\">"
                                        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                                        "<title>%1</title><style>%2</style></head><body>"
                                        "<header><a href=\"/\">Quorvane · escenas compartidas</a></header>"
                                        "<main>%3</main></body></html>")
                             .arg(esc(title), kStyle, body);
    return html.toUtf8();
}

} // namespace

QString formattedSize(qint64 bytes)
{
    return spanish().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString formattedDate(const QDateTime& when)
{
    return spanish().toString(when.toLocalTime(), QStringLiteral("d 'de' MMMM 'de' yyyy, HH:mm"));
}

QByteArray scenePage(const SharedScene& scene, const QString& downloadUrl, const QByteArray& qrSvg)
{
    const QString kind = scene.kind == SceneKind::Mobile ? QStringLiteral("Escena para móviles (.qvm2)")
                                                         : QStringLiteral("Escena para Quorvane Viewer (.qvx2)");
    const QString body = QStringLiteral("<h1>%1</h1><div class=\"scene\"><div class=\"facts\"><dl>"
                                        "<dt>Tipo</dt><dd>%2</dd><dt>Tamaño</dt><dd>%3</dd><dt>Fecha</dt><dd>%4</dd>"
                                        "<dt>Compartida por</dt><dd>%5</dd></dl>"
                                        "<a class=\"button\" href=\"%6\" download>Descargar escena</a>"
                                        "<div class=\"link\">%7</div></div>"
                                        "<div class=\"qr\">%8Escanee el código para descargarla</div></div>")
                             .arg(esc(scene.name), kind, formattedSize(scene.size), formattedDate(scene.uploaded),
                                  esc(scene.user), esc(downloadUrl), esc(downloadUrl), QString::fromUtf8(qrSvg));
    return page(scene.name, body);
}

QByteArray listPage(const QList<SharedScene>& scenes)
{
    QString rows;
    for (const SharedScene& s : scenes) {
        rows += QStringLiteral("<tr><td><a href=\"/s/%1\">%2</a></td><td class=\"n\">%3</td><td>%4</td></tr>")
                    .arg(s.id, esc(s.name), formattedSize(s.size), formattedDate(s.uploaded));
    }
    const QString body =
        scenes.isEmpty()
            ? QStringLiteral("<h1>Escenas compartidas</h1><p>Todavía no se ha compartido ninguna escena.</p>")
            : QStringLiteral("<h1>Escenas compartidas</h1><table><tr><th>Escena</th><th class=\"n\">Tamaño</th>"
                             "<th>Fecha</th></tr>%1</table>")
                  .arg(rows);
    return page(QStringLiteral("Escenas compartidas"), body);
}

QByteArray noticePage(const QString& title, const QString& text)
{
    return page(title, QStringLiteral("<h1>%1</h1><p>%2</p>").arg(esc(title), esc(text)));
}
