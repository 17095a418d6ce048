// The PDF report of a two-channel record of 100,000 samples: from the stored
// record to the finished file (load, statistics, analysis, curve, ~900 pages
// of samples). Beside it, for scale, QPdfWriter alone writing the same rows
// as three plain text cells each.
//
// Last line: samples=100000 pages=<n> report_s=<t> peak_rss_mb=<m>
#include "BenchRecord.h"

#include "LoginState.h"
#include "OutputCommands.h"
#include "RecordOutput.h"
#include "ReportWriter.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The same rows drawn as plain text, line after line, page after page.
double PlainPdf(const qm::browse::CRecordData& data, const QString& path, int* pages)
{
    const auto start = std::chrono::steady_clock::now();
    QPdfWriter writer(path);
    writer.setResolution(720);
    QPainter painter(&writer);
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(7);
    painter.setFont(font);
    const double k = 10.0;
    double y = 42;
    *pages = 1;
    for (qsizetype i = data.Count() - 1; i >= 0; --i) {
        if (y + 7 > 792) {
            writer.newPage();
            ++*pages;
            y = 42;
        }
        painter.drawText(QPointF(50 * k, (y + 6) * k), data.TimeText(i));
        painter.drawText(QPointF(175 * k, (y + 6) * k), data.ValueText(i, 0));
        painter.drawText(QPointF(300 * k, (y + 6) * k), data.ValueText(i, 1));
        y += 7;
    }
    painter.end();
    return benchreport::Seconds(start);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int samples = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    std::unique_ptr<qm::CCoreContext> context;
    const int record = benchreport::MakeRecord(dir.path(), samples, QStringLiteral("hB00000001_1"), &context);
    if (record <= 0) {
        std::fprintf(stderr, "bench_report: cannot make the record\n");
        return 1;
    }
    qm::SetLogin(1, QStringLiteral("admin"), QString(), 0, QString());

    const auto start = std::chrono::steady_clock::now();
    const auto data = qm::report::LoadRecordForOutput(record);
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    int pages = 0;
    QString error;
    bool ok = false;
    if (data) {
        const qm::report::OutputRecord output = qm::report::OutputFromRecord(data, QStringLiteral("admin"));
        qm::report::ReportExtras extras;
        extras.analysis = output.channels;
        extras.curve = qm::report::ReportCurveDrawer(data);
        ok = qm::report::WriteReportPdf(path, qm::report::BuildReportText(output, QDateTime::currentDateTime()),
                                        extras, &error, &pages);
    }
    const double reportSeconds = benchreport::Seconds(start);
    const long rss = benchreport::PeakRssMb();
    if (!ok) {
        std::fprintf(stderr, "bench_report: %s\n", qPrintable(error));
        return 1;
    }
    int plainPages = 0;
    const double plain = PlainPdf(*data, dir.filePath(QStringLiteral("plain.pdf")), &plainPages);
    std::printf("baseline: QPdfWriter alone, %d rows as three plain cells: %d pages in %.2f s\n", samples, plainPages,
                plain);
    std::printf("report file: %.1f MB\n", QFileInfo(path).size() / 1e6);
    std::printf("samples=%d pages=%d report_s=%.2f peak_rss_mb=%ld\n", samples, pages, reportSeconds, rss);
    return 0;
}
