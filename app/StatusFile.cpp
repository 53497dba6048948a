#include "app/StatusFile.h"

#include <array>
#include <charconv>
#include <cmath>
#include <iostream>
#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "app/ProgramSettings.h"
#include "app/Version.h"
#include "engine/Categories.h"

namespace app {
namespace {

constexpr const char* kLastSuccess = "olvarin_last_success_timestamp_seconds";
// Mode 0644 whatever the umask: node_exporter reads the file as a user of its own.
constexpr QFileDevice::Permissions kReadableByAll = QFileDevice::ReadOwner |
                                                    QFileDevice::WriteOwner |
                                                    QFileDevice::ReadGroup | QFileDevice::ReadOther;
// An earlier file is ours and small; anything beyond this is not read back.
constexpr qint64 kMaxEarlierFileSize = 1 << 20;

static_assert(engine::kCategoryCount == std::tuple_size_v<decltype(engine::RunTally::categories)>);

struct CategoryMetric {
    const char* name;
    const char* help;
    uint64_t engine::CategoryTally::*count;
};

constexpr std::array<CategoryMetric, 5> kCategoryMetrics{{
    {"olvarin_last_run_rows_written",
     "Rows the last run wrote into the branch, per category that ran.",
     &engine::CategoryTally::rowsWritten},
    {"olvarin_last_run_rows_deleted",
     "Branch rows the last run deleted for deletions queued at headquarters.",
     &engine::CategoryTally::rowsDeleted},
    {"olvarin_last_run_rows_refused",
     "Rows the branch refused in the last run; their changes stay queued.",
     &engine::CategoryTally::rowsRefused},
    {"olvarin_last_run_bills_not_copied",
     "Bills whose copy the last run rolled back; they stay queued.",
     &engine::CategoryTally::billsNotCopied},
    {"olvarin_last_run_queue_rows_removed",
     "Headquarters' queue rows the last run removed as handled.",
     &engine::CategoryTally::queueRowsRemoved},
}};

struct Sample {
    std::string labels;  // name="value" pairs, comma-separated
    std::string value;
};

// A label value with backslash, double quote and line feed escaped.
std::string labelValue(std::string_view value) {
    std::string out;
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string label(const char* name, std::string_view value) {
    return std::string(name) + "=\"" + labelValue(value) + "\"";
}

// Whatever the locale, a point before three decimals.
std::string decimal(double value) {
    std::array<char, 64> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, 3);
    return std::string(buffer.data(), written.ptr);
}

double unixSeconds(std::chrono::system_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

void addGauge(std::string& text, const char* name, const char* help,
              const std::vector<Sample>& samples) {
    if (samples.empty()) return;
    text += std::string("# HELP ") + name + " " + help + "\n";
    text += std::string("# TYPE ") + name + " gauge\n";
    for (const auto& sample : samples)
        text += std::string(name) + "{" + sample.labels + "} " + sample.value + "\n";
}

// The position just after the '}' that closes the labels opening at open, or npos.
size_t afterLabels(std::string_view line, size_t open) {
    bool quoted = false;
    for (size_t i = open + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\')
            ++i;
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '}')
            return i + 1;
    }
    return std::string_view::npos;
}

// The value of the label name in a sample's labels (the text between the braces),
// unescaped; none when the sample has no such label.
std::optional<std::string> labelIn(std::string_view labels, std::string_view name) {
    size_t pos = 0;
    while (pos < labels.size()) {
        const size_t equals = labels.find('=', pos);
        if (equals == std::string_view::npos || equals + 1 >= labels.size() ||
            labels[equals + 1] != '"')
            return std::nullopt;
        const std::string_view key = labels.substr(pos, equals - pos);
        std::string value;
        size_t i = equals + 2;
        for (; i < labels.size() && labels[i] != '"'; ++i) {
            if (labels[i] == '\\' && i + 1 < labels.size()) {
                ++i;
                value += labels[i] == 'n' ? '\n' : labels[i];
            } else {
                value += labels[i];
            }
        }
        if (key == name) return value;
        pos = labels.find_first_not_of(", ", i + 1);
    }
    return std::nullopt;
}

// The value of a sample line of the metric name whose store label is storeId;
// none for any other line.
std::optional<double> sampleValue(std::string_view line, std::string_view name,
                                  std::string_view storeId) {
    if (!line.starts_with(name)) return std::nullopt;
    size_t pos = name.size();
    std::string_view labels;
    if (pos < line.size() && line[pos] == '{') {
        pos = afterLabels(line, pos);
        if (pos == std::string_view::npos) return std::nullopt;
        labels = line.substr(name.size() + 1, pos - name.size() - 2);
    }
    if (labelIn(labels, "store") != storeId) return std::nullopt;
    if (pos >= line.size() || (line[pos] != ' ' && line[pos] != '\t')) return std::nullopt;
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string_view::npos) return std::nullopt;
    const char* last = line.data() + line.size();
    double value = 0;
    const auto [end, error] = std::from_chars(line.data() + pos, last, value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    if (end != last && *end != ' ' && *end != '\t' && *end != '\r') return std::nullopt;
    return value;
}

double earlierLastSuccess(const QString& path, const std::string& storeId) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return lastSuccessIn(file.read(kMaxEarlierFileSize).toStdString(), storeId).value_or(0);
}

std::string whyNotWritten(const QSaveFile& file, const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(folder).isDir()) return "no folder " + folder.toStdString();
    return file.errorString().toStdString();
}

}  // namespace

std::string statusText(const RunOutcome& outcome, double lastSuccessSeconds) {
    const std::string store = label("store", outcome.storeId);
    const auto one = [&](const std::string& value) { return std::vector<Sample>{{store, value}}; };
    std::string text;
    addGauge(text, "olvarin_last_run_start_timestamp_seconds",
             "When the last download run started, in seconds since the Unix epoch.",
             one(decimal(unixSeconds(outcome.start))));
    addGauge(text, "olvarin_last_run_end_timestamp_seconds",
             "When the last download run ended, in seconds since the Unix epoch.",
             one(decimal(unixSeconds(outcome.end))));
    addGauge(text, "olvarin_last_run_duration_seconds",
             "How long the last download run took, in seconds.",
             one(decimal(std::chrono::duration<double>(outcome.duration).count())));
    addGauge(text, "olvarin_last_run_success",
             "1 when the last download run ended with Done..., 0 when it failed.",
             one(outcome.succeeded ? "1" : "0"));
    addGauge(text, kLastSuccess,
             "When the last successful download run ended, in seconds since the Unix epoch; 0 for "
             "none known.",
             one(decimal(lastSuccessSeconds)));
    for (const auto& metric : kCategoryMetrics) {
        std::vector<Sample> samples;
        for (size_t i = 0; i < engine::kCategoryCount; ++i) {
            const engine::CategoryTally& counts = outcome.tally.categories[i];
            if (!counts.ran) continue;
            samples.push_back({store + "," + label("category", engine::categories()[i].table),
                               std::to_string(counts.*metric.count)});
        }
        addGauge(text, metric.name, metric.help, samples);
    }
    addGauge(text, "olvarin_build_info",
             "Always 1; the version of the olvarin that wrote this file.",
             {{label("version", kVersion), "1"}});
    return text;
}

std::optional<double> lastSuccessIn(const std::string& text, const std::string& storeId) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (const auto value = sampleValue(line, kLastSuccess, storeId)) return value;
    }
    return std::nullopt;
}

std::string writeStatusFile(const std::string& path, const RunOutcome& outcome) noexcept {
    try {
        const QString name = QString::fromStdString(path);
        const double lastSuccess = outcome.succeeded ? unixSeconds(outcome.end)
                                                     : earlierLastSuccess(name, outcome.storeId);
        const QByteArray text = QByteArray::fromStdString(statusText(outcome, lastSuccess));
        QSaveFile file(name);
        if (file.open(QIODevice::WriteOnly) && file.setPermissions(kReadableByAll) &&
            file.write(text) == text.size() && file.commit())
            return {};
        return whyNotWritten(file, name);
    } catch (const std::exception& e) {
        return e.what();
    }
}

StatusFileRun::StatusFileRun(std::string storeId) : started_(std::chrono::steady_clock::now()) {
    outcome_.storeId = std::move(storeId);
    outcome_.start = std::chrono::system_clock::now();
}

void StatusFileRun::finish(bool succeeded) noexcept {
    outcome_.end = std::chrono::system_clock::now();
    outcome_.duration = std::chrono::steady_clock::now() - started_;
    outcome_.succeeded = succeeded;
    try {
        const std::string path = programSetting(kStatusFileSetting);
        if (path.empty()) return;
        const std::string error = writeStatusFile(path, outcome_);
        if (!error.empty())
            std::cerr << "Status file " << path << " not written: " << error << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "Status file not written: " << e.what() << std::endl;
    }
}

}  // namespace app
