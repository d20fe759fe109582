#include "logs/ServiceReport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "logs/LogEvents.h"
#include "logs/LogExport.h"
#include "logs/LogReader.h"
#include "logs/SpectrumOccupancy.h"

namespace zr {

namespace {

constexpr int kChartWidth = 1000;
constexpr int kChartHeight = 240;
constexpr int kLevelTop = 100; // dBuV at the top of a chart

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string Format(const char* format, double a, double b = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

int LevelY(int level)
{
    return kChartHeight - 20 - std::clamp(level, 0, kLevelTop) * (kChartHeight - 30) / kLevelTop;
}

// The frame of a level chart: the dBuV grid and its labels.
std::string ChartStart(const std::string& label)
{
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(kChartWidth + 50) + " " + std::to_string(kChartHeight) +
                      "\" role=\"img\" aria-label=\"" + Escape(label) + "\">\n";
    svg += "<rect x=\"40\" y=\"10\" width=\"" + std::to_string(kChartWidth) + "\" height=\"" + std::to_string(kChartHeight - 30) +
           "\" fill=\"white\" stroke=\"#888\"/>\n";
    for (int level = 20; level < kLevelTop; level += 20) {
        const std::string y = std::to_string(LevelY(level));
        svg += "<line x1=\"40\" x2=\"" + std::to_string(40 + kChartWidth) + "\" y1=\"" + y + "\" y2=\"" + y + "\" stroke=\"#ddd\"/>";
        svg += "<text x=\"5\" y=\"" + y + "\" font-size=\"11\">" + std::to_string(level) + "</text>\n";
    }
    return svg;
}

std::string Polyline(const std::vector<int>& levels, const char* colour)
{
    if (levels.empty())
        return {};
    std::string points;
    const double dx = levels.size() > 1 ? static_cast<double>(kChartWidth) / static_cast<double>(levels.size() - 1) : 0;
    for (std::size_t i = 0; i < levels.size(); ++i)
        points += Format("%.1f,%.0f ", 40 + dx * static_cast<double>(i), LevelY(levels[i]));
    return "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"1\" points=\"" + points + "\"/>\n";
}

std::string Legend(const std::vector<std::pair<const char*, const char*>>& entries)
{
    std::string html = "<p class=\"legend\">";
    for (const auto& [name, colour] : entries)
        html += "<span style=\"color:" + std::string(colour) + "\">&#9632;</span> " + name + " &nbsp; ";
    return html + "</p>\n";
}

// Levels over the whole recording, a column per slice of records: each
// antenna's lowest level in the slice, and a red mark where any record of
// the slice lost sync.
std::string WalkTypePicture(const std::vector<std::unique_ptr<CLogReader>>& readers, uint64_t records)
{
    const std::size_t columns = static_cast<std::size_t>(std::min<uint64_t>(records, kChartWidth));
    if (columns == 0)
        return "<p>No records.</p>\n";
    std::vector<int> lowestA(columns, 255), lowestB(columns, 255);
    std::vector<bool> syncLost(columns, false);
    uint64_t index = 0;
    for (const auto& reader : readers) {
        const uint8_t* raw = nullptr;
        std::size_t got;
        while ((got = reader->ReadRawRecords(raw, 4096)) > 0)
            for (std::size_t k = 0; k < got; ++k, ++index) {
                const uint8_t* record = raw + k * kLogRecordSize;
                const auto c = static_cast<std::size_t>(std::min<uint64_t>(index * columns / records, columns - 1));
                lowestA[c] = std::min<int>(lowestA[c], RecordRowByte(record, 7));
                lowestB[c] = std::min<int>(lowestB[c], RecordRowByte(record, 6));
                if (RecordRowByte(record, 2) & 0x40)
                    syncLost[c] = true;
            }
    }
    std::string svg = ChartStart("RF levels over the recording");
    svg += Polyline(lowestA, "#0000ff");
    svg += Polyline(lowestB, "#00a000");
    const double dx = static_cast<double>(kChartWidth) / static_cast<double>(columns);
    for (std::size_t c = 0; c < columns; ++c)
        if (syncLost[c])
            svg += "<rect x=\"" + Format("%.1f", 40 + dx * static_cast<double>(c)) + "\" y=\"" + std::to_string(kChartHeight - 19) + "\" width=\"" +
                   Format("%.1f", std::max(1.0, dx)) + "\" height=\"6\" fill=\"#ff0000\"/>";
    svg += "\n</svg>\n";
    return svg + Legend({{"RF level A (lowest per slice)", "#0000ff"}, {"RF level B", "#00a000"}, {"sync lost", "#ff0000"}});
}

std::string SummaryRow(const std::string& name, const std::string& value)
{
    return "<tr><th>" + Escape(name) + "</th><td>" + Escape(value) + "</td></tr>\n";
}

std::string BackgroundSection(const std::string& file, const ReportOptions& options, const LogSummary& summary,
                              const std::vector<std::unique_ptr<CLogReader>>& readers, std::string* badFile, int& result)
{
    std::vector<LogEvent> events;
    LogEventSummary states;
    LogEventOptions eventOptions;
    eventOptions.lowRf = options.lowRf;
    if (summary.kind == kLogNorm && (result = FindLogEvents(file, eventOptions, events, states)) != kLogOpened) {
        if (badFile)
            *badFile = file;
        return {};
    }
    std::string html = "<table class=\"summary\">\n";
    html += SummaryRow("Records", std::to_string(summary.records));
    if (summary.records > 0) {
        html += SummaryRow("From", IsoTime(summary.first));
        html += SummaryRow("To", IsoTime(summary.last));
        html += SummaryRow("Duration", DurationText(summary.first, summary.last));
    }
    if (summary.kind == kLogNorm) {
        static const char* const names[4] = {"Received well", "Jamming", "No signal", "Data error"};
        for (int k = 0; k < 4; ++k)
            html += SummaryRow(names[k], SpanText(states.stateTime[static_cast<std::size_t>(k)]));
        html += SummaryRow("No answer", SpanText(states.gapTime));
    }
    html += "</table>\n";
    html += WalkTypePicture(readers, summary.records);
    if (summary.kind != kLogNorm)
        return html;
    html += "<h3>Events (" + std::to_string(events.size()) + ")</h3>\n";
    if (events.empty())
        return html + "<p>None: the receiver received well throughout.</p>\n";
    html += "<table class=\"events\"><tr><th>Start</th><th>End</th><th>Duration</th><th>Event</th><th>Worst RF [dBuV]</th></tr>\n";
    for (std::size_t i = 0; i < events.size() && i < options.maxEventRows; ++i) {
        const LogEvent& e = events[i];
        html += "<tr><td>" + IsoTime(e.start) + "</td><td>" + IsoTime(e.end) + "</td><td>" + SpanText(e.end - e.start) + "</td><td>" + LogEventName(e.kind) +
                "</td><td>" + (e.kind == LogEventKind::Gap ? std::string("-") : std::to_string(e.worstRf)) + "</td></tr>\n";
    }
    html += "</table>\n";
    if (events.size() > options.maxEventRows)
        html += "<p>... and " + std::to_string(events.size() - options.maxEventRows) + " more (zrq6930 log events lists them all).</p>\n";
    return html;
}

// A plan of `planCount` carriers in the log's range, clear of what it saw
// busy: the busy share with the carriers and their products drawn, and the list.
std::string PlanSection(const SpectrumOccupancy& o, const ReportOptions& options)
{
    PlanRequest request;
    request.startKhz = o.startKhz, request.stopKhz = o.stopKhz, request.stepKhz = 25;
    request.count = options.planCount;
    request.seconds = options.planSeconds;
    request.rules = options.planRules;
    request.busyKhz = BusyFrequencies(o, options.busySharePercent);
    const PlanResult result = SolvePlan(request);
    std::string html = "<h3>Frequency plan: " + std::to_string(options.planCount) + " carriers</h3>\n";
    if (!result.complete)
        return html + "<p>" + Escape(result.reason) + "</p>\n";
    html += std::string("<p>") + (result.proven ? "No set of that size keeps a wider margin." : "A wider margin may exist: the time given ran out.") +
            " Carriers at least " + std::to_string(request.rules.carrierSpacingKhz) + " kHz apart, intermodulation guards " +
            std::to_string(request.rules.imGuardKhz) + " kHz (two-tone) and " + std::to_string(request.rules.im3GuardKhz) + " kHz (three-tone), " +
            std::to_string(request.rules.busyGuardKhz) + " kHz from any frequency busy in more than " + std::to_string(options.busySharePercent) +
            " % of the sweeps.</p>\n";
    const double span = std::max(1, o.stopKhz - o.startKhz);
    const auto x = [&](int64_t khz) { return Format("%.1f", 40 + static_cast<double>(khz - o.startKhz) * kChartWidth / span); };
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(kChartWidth + 50) + " 140\" role=\"img\" aria-label=\"Frequency plan\">\n"
                      "<rect x=\"40\" y=\"10\" width=\"" + std::to_string(kChartWidth) + "\" height=\"100\" fill=\"white\" stroke=\"#888\"/>\n";
    for (const FrequencyOccupancy& f : o.points)
        if (f.BusyShare() > 0)
            svg += "<rect x=\"" + x(f.khz) + "\" y=\"" + Format("%.1f", 110 - f.BusyShare() * 100) + "\" width=\"1\" height=\"" + Format("%.1f", f.BusyShare() * 100) +
                   "\" fill=\"#b0b0b0\"/>";
    std::vector<int> carriers = result.chosenKhz;
    for (int64_t p : ProductFrequencies(carriers, request.rules))
        if (p >= o.startKhz && p <= o.stopKhz)
            svg += "<line x1=\"" + x(p) + "\" x2=\"" + x(p) + "\" y1=\"111\" y2=\"120\" stroke=\"#ff8000\"/>";
    for (int c : carriers)
        svg += "<line x1=\"" + x(c) + "\" x2=\"" + x(c) + "\" y1=\"10\" y2=\"110\" stroke=\"#0000ff\" stroke-width=\"2\"/>";
    html += svg + "\n</svg>\n" + Legend({{"chosen carrier", "#0000ff"}, {"intermodulation product", "#ff8000"}, {"share of sweeps busy", "#b0b0b0"}});
    html += "<table class=\"events\"><tr><th>Frequency [MHz]</th><th>Nearest product [kHz]</th><th>Nearest busy [kHz]</th></tr>\n";
    const auto margin = [](int khz) { return khz == INT32_MAX ? std::string("-") : std::to_string(khz); };
    for (const PlanRow& r : PlanRows({}, result.chosenKhz, request.busyKhz, request.rules))
        html += "<tr><td>" + Format("%.3f", r.khz / 1000.0) + "</td><td>" + margin(r.margins.productKhz) + "</td><td>" + margin(r.margins.busyKhz) + "</td></tr>\n";
    return html + "</table>\n";
}

std::string SpectrumSection(const std::string& file, const ReportOptions& options, std::string* badFile, int& result)
{
    SpectrumOccupancy o;
    if ((result = ComputeOccupancy(file, options.threshold, o, badFile)) != kLogOpened)
        return {};
    char range[96];
    std::snprintf(range, sizeof range, "%d.%03d - %d.%03d MHz in %d kHz steps", o.startKhz / 1000, o.startKhz % 1000, o.stopKhz / 1000, o.stopKhz % 1000,
                  o.stepKhz);
    std::string html = "<table class=\"summary\">\n" + SummaryRow("Range", range);
    uint32_t sweeps = 0;
    for (const auto& p : o.points)
        sweeps = std::max(sweeps, p.sweeps);
    html += SummaryRow("Sweeps", std::to_string(sweeps));
    html += SummaryRow("Busy at", std::to_string(o.threshold) + " dBuV and above");
    html += "</table>\n";
    std::vector<int> highest, median;
    for (const auto& p : o.points) {
        highest.push_back(p.highest);
        median.push_back(p.median);
    }
    std::string svg = ChartStart("Spectrum: highest and median level, busy share");
    const double dx = o.points.size() > 1 ? static_cast<double>(kChartWidth) / static_cast<double>(o.points.size() - 1) : 0;
    for (std::size_t i = 0; i < o.points.size(); ++i) {
        const double share = o.points[i].BusyShare();
        if (share > 0) // the busy share as a grey bar from the bottom, full height for always busy
            svg += "<rect x=\"" + Format("%.1f", 40 + dx * static_cast<double>(i) - std::max(0.5, dx / 2)) + "\" y=\"" +
                   Format("%.1f", kChartHeight - 20 - share * (kChartHeight - 30)) + "\" width=\"" + Format("%.1f", std::max(1.0, dx)) + "\" height=\"" +
                   Format("%.1f", share * (kChartHeight - 30)) + "\" fill=\"#d0d0d0\"/>";
    }
    svg += Polyline(highest, "#0000ff") + Polyline(median, "#ff8000") + "</svg>\n";
    html += svg + Legend({{"highest level", "#0000ff"}, {"median of the sweeps", "#ff8000"}, {"share of sweeps busy (full height: always)", "#b0b0b0"}});
    html += "<h3>Clean ranges (never at " + std::to_string(o.threshold) + " dBuV)</h3>\n";
    if (o.clean.empty()) {
        html += "<p>None.</p>\n";
    } else {
        html += "<table class=\"events\"><tr><th>From [MHz]</th><th>To [MHz]</th><th>Points</th></tr>\n";
        for (const CleanRange& c : o.clean) {
            char row[128];
            std::snprintf(row, sizeof row, "<tr><td>%d.%03d</td><td>%d.%03d</td><td>%d</td></tr>\n", c.startKhz / 1000, c.startKhz % 1000, c.stopKhz / 1000,
                          c.stopKhz % 1000, c.points);
            html += row;
        }
        html += "</table>\n";
    }
    return options.planCount > 0 ? html + PlanSection(o, options) : html;
}

} // namespace

int BuildServiceReport(const std::vector<std::string>& files, const ReportOptions& options, std::string& html, std::string* badFile)
{
    html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>ZR-Q6930 service report</title>\n<style>\n"
           "body { font-family: sans-serif; margin: 2em; color: #222; }\n"
           "h2 { border-bottom: 1px solid #888; margin-top: 2em; }\n"
           "table { border-collapse: collapse; margin: 0.5em 0; }\n"
           "th, td { border: 1px solid #ccc; padding: 2px 8px; text-align: left; font-size: 0.9em; }\n"
           "svg { width: 100%; max-width: 1050px; height: auto; }\n"
           ".legend { font-size: 0.85em; }\n"
           "@media print { h2 { page-break-before: always; } h2:first-of-type { page-break-before: avoid; } }\n"
           "</style>\n</head>\n<body>\n<h1>ZR-Q6930 service report</h1>\n";
    for (const std::string& file : files) {
        LogSummary summary;
        if (const int r = SummarizeLog(file, summary, badFile); r != kLogOpened)
            return r;
        std::vector<std::string> parts;
        std::vector<std::unique_ptr<CLogReader>> readers;
        if (const int r = OpenLogSet(file, summary.kind, parts, readers, badFile); r != kLogOpened)
            return r;
        static const char* const kinds[3] = {"Background Log", "Walk Test log", "Spectrum Scan log"};
        html += "<h2>Receiver " + std::to_string(summary.receiverNo) + ": " + kinds[std::clamp(summary.kind, 0, 2)] + " " +
                Escape(std::filesystem::path(file).filename().string()) + "</h2>\n";
        int result = kLogOpened;
        html += summary.kind == kLogSpec ? SpectrumSection(file, options, badFile, result) : BackgroundSection(file, options, summary, readers, badFile, result);
        if (result != kLogOpened)
            return result;
    }
    html += "</body>\n</html>\n";
    return kLogOpened;
}

} // namespace zr
