// The HTML report (see htmlreport.h).
#include "project/htmlreport.h"

#include "project/reports.h"

#include <QMap>

#include <algorithm>

namespace {

QString esc(const QString &text) { return text.toHtmlEscaped(); }

const char kStyle[] = R"(<style>
body{font-family:sans-serif;margin:1.5em;color:#222}
table{border-collapse:collapse;margin:0.5em 0 1.5em}
th,td{border:1px solid #ccc;padding:2px 8px;text-align:left}
th{background:#eee;cursor:pointer;user-select:none}
th.asc::after{content:" \25B2"}th.desc::after{content:" \25BC"}
td.n{text-align:right}
svg text{font-size:11px;font-family:sans-serif}
</style>
)";

// Sorting by a click on a column head; numbers by value, text by locale.
const char kScript[] = R"(<script>
"use strict";
function sortTable(th) {
  const table = th.closest("table"), body = table.tBodies[0];
  const column = Array.prototype.indexOf.call(th.parentNode.children, th);
  const ascending = !th.classList.contains("asc");
  for (const other of th.parentNode.children) other.classList.remove("asc", "desc");
  th.classList.add(ascending ? "asc" : "desc");
  const key = row => {
    const cell = row.children[column];
    return cell.dataset.v !== undefined ? Number(cell.dataset.v) : cell.textContent;
  };
  const rows = Array.from(body.rows);
  rows.sort((a, b) => {
    const x = key(a), y = key(b);
    const order = typeof x === "number" ? x - y : String(x).localeCompare(String(y));
    return ascending ? order : -order;
  });
  for (const row of rows) body.appendChild(row);
}
document.addEventListener("DOMContentLoaded", () => {
  for (const th of document.querySelectorAll("table.sortable th"))
    th.addEventListener("click", () => sortTable(th));
});
</script>
)";

QString numberCell(long long value) { return QStringLiteral("<td class=\"n\" data-v=\"%1\">%1</td>").arg(value); }

QString histogram(const VgDistribution &d)
{
    static const char *const labels[4] = {"1-10", "11-20", "21-50", "over 50"};
    const int highest = std::max(1, *std::max_element(d.counts, d.counts + 4));
    const int barWidth = 80, height = 160, top = 20;
    QString svg = QStringLiteral("<svg id=\"vg-histogram\" width=\"%1\" height=\"%2\" role=\"img\">\n")
                      .arg(4 * (barWidth + 20) + 20)
                      .arg(height + top + 30);
    for (int i = 0; i < 4; ++i) {
        const int h = d.counts[i] * height / highest;
        const int x = 20 + i * (barWidth + 20);
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                   .arg(x)
                   .arg(top + height - h)
                   .arg(barWidth)
                   .arg(h)
                   .arg(QLatin1String(i == 0   ? "#6a9"
                                      : i == 1 ? "#db5"
                                      : i == 2 ? "#e84"
                                               : "#c33"));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                   .arg(x + barWidth / 2)
                   .arg(top + height - h - 4)
                   .arg(d.counts[i]);
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">VG %3</text>\n")
                   .arg(x + barWidth / 2)
                   .arg(top + height + 16)
                   .arg(QLatin1String(labels[i]));
    }
    return svg + QStringLiteral("</svg>\n");
}

struct FileTotals {
    const MeasuredFile *file;
    long long vgSum = 0;
    int vgMax = 0;
};

QVector<FileTotals> fileTotals(const ProjectResult &result)
{
    QVector<FileTotals> totals;
    for (const MeasuredFile &f : result.files) {
        FileTotals t{&f};
        for (const MetFunction &fn : f.merged->doc.functions) {
            t.vgSum += fn.vg;
            t.vgMax = std::max(t.vgMax, fn.vg);
        }
        totals.append(t);
    }
    return totals;
}

// The files that hold the most decisions, as horizontal bars of their VG sum.
QString complexityChart(QVector<FileTotals> totals)
{
    std::sort(totals.begin(), totals.end(), [](const FileTotals &a, const FileTotals &b) {
        return a.vgSum != b.vgSum ? a.vgSum > b.vgSum : a.file->shownPath < b.file->shownPath;
    });
    totals.resize(std::min<qsizetype>(totals.size(), 20));
    const long long highest = totals.isEmpty() ? 1 : std::max(1LL, totals.first().vgSum);
    const int rowHeight = 18, labelWidth = 260, barSpace = 420;
    QString svg = QStringLiteral("<svg id=\"vg-by-file\" width=\"%1\" height=\"%2\" role=\"img\">\n")
                      .arg(labelWidth + barSpace + 60)
                      .arg(totals.size() * rowHeight + 10);
    for (int i = 0; i < totals.size(); ++i) {
        const int y = 5 + i * rowHeight;
        const long long w = totals[i].vgSum * barSpace / highest;
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>\n")
                   .arg(labelWidth - 6)
                   .arg(y + 12)
                   .arg(esc(totals[i].file->shownPath));
        svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#58b\"/>\n")
                   .arg(labelWidth)
                   .arg(y)
                   .arg(w)
                   .arg(rowHeight - 4);
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\">%3</text>\n")
                   .arg(labelWidth + w + 4)
                   .arg(y + 12)
                   .arg(totals[i].vgSum);
    }
    return svg + QStringLiteral("</svg>\n");
}

QString fileMetric(const MetDocument &doc, const char *key)
{
    for (const auto &[k, v] : doc.fileMetrics)
        if (k == QLatin1String(key)) return v;
    return QString();
}

QString filesTable(const QVector<FileTotals> &totals)
{
    QString t =
        QStringLiteral("<table id=\"files\" class=\"sortable\"><thead><tr><th>file</th><th>functions</th>"
                       "<th>VG sum</th><th>VG max</th><th>source lines</th><th>Volume</th></tr></thead><tbody>\n");
    for (const FileTotals &f : totals) {
        const MetDocument &doc = f.file->merged->doc;
        const QString volume = fileMetric(doc, "Volume");
        t += QStringLiteral("<tr><td>%1</td>").arg(esc(f.file->shownPath)) + numberCell(doc.functions.size()) +
             numberCell(f.vgSum) + numberCell(f.vgMax) + numberCell(fileMetric(doc, "Src1").toLongLong()) +
             QStringLiteral("<td class=\"n\" data-v=\"%1\">%1</td></tr>\n").arg(volume.isEmpty() ? "0" : volume);
    }
    return t + QStringLiteral("</tbody></table>\n");
}

QString functionsTable(const ProjectResult &result)
{
    QString t = QStringLiteral("<table id=\"functions\" class=\"sortable\"><thead><tr><th>function</th><th>file</th>"
                               "<th>line</th><th>VG</th><th>Statements</th><th>NestedLevel</th></tr></thead><tbody>\n");
    for (const MeasuredFile &f : result.files)
        for (const MetFunction &fn : f.merged->doc.functions)
            t += QStringLiteral("<tr><td>%1</td><td>%2</td>").arg(esc(fn.name), esc(f.shownPath)) +
                 numberCell(fn.line) + numberCell(fn.vg) + numberCell(fn.statements) + numberCell(fn.nesting) +
                 QStringLiteral("</tr>\n");
    return t + QStringLiteral("</tbody></table>\n");
}

QString findingsSection(const QVector<Finding> &findings)
{
    if (findings.isEmpty()) return QStringLiteral("<p>No limit exceeded.</p>\n");
    QString t = QStringLiteral("<table id=\"findings\" class=\"sortable\"><thead><tr><th>file</th><th>line</th>"
                               "<th>function</th><th>metric</th><th>value</th><th>limit</th></tr></thead><tbody>\n");
    for (const Finding &f : findings)
        t += QStringLiteral("<tr><td>%1</td>").arg(esc(f.path)) + numberCell(f.line) +
             QStringLiteral("<td>%1</td><td>%2</td>").arg(esc(f.function), esc(f.metric)) + numberCell(f.value) +
             numberCell(f.limit) + QStringLiteral("</tr>\n");
    return t + QStringLiteral("</tbody></table>\n");
}

}  // namespace

bool writeHtmlReport(const QString &file, const ProjectResult &result, const QVector<Finding> &findings,
                     QString &problem)
{
    const QVector<FileTotals> totals = fileTotals(result);
    QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                                  "<title>tarsk1-project: %1</title>\n")
                       .arg(esc(result.root));
    page += QLatin1String(kStyle) + QLatin1String(kScript) + QStringLiteral("</head><body>\n");
    page += QStringLiteral("<h1>Metrics of %1</h1>\n<pre id=\"summary\">%2</pre>\n")
                .arg(esc(result.root), esc(summaryText(result)));
    page += QStringLiteral("<h2>VG of the functions</h2>\n") + histogram(vgDistribution(result));
    page += QStringLiteral("<h2>Where complexity sits (VG summed per file)</h2>\n") + complexityChart(totals);
    page += QStringLiteral("<h2>Limits</h2>\n") + findingsSection(findings);
    page += QStringLiteral("<h2>Files</h2>\n") + filesTable(totals);
    page += QStringLiteral("<h2>Functions</h2>\n") + functionsTable(result);
    page += QStringLiteral("</body></html>\n");
    return writeWholeFile(file, page.toUtf8(), problem);
}
