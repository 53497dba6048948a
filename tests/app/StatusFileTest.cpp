// The status file for monitoring, read the way node_exporter reads it: after runs
// of the window on real databases, and after "olvarin a" as a process.

#include <charconv>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "ProgramFolder.h"
#include "app/CheckGroup.h"
#include "app/StatusFile.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::TestDatabases;

namespace {

using Labels = std::map<std::string, std::string>;

struct Series {
    std::string name;
    Labels labels;
    double value = 0;
};

// The series of a file in the text exposition format; a line it cannot read, or a
// series whose family was not declared a gauge before it, fails the test.
class Exposition {
public:
    explicit Exposition(const std::string& text) {
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) read(line);
        EXPECT_TRUE(text.empty() || text.back() == '\n') << "no line feed at the end";
    }

    // The one series of name; its value.
    double value(const std::string& name) const {
        const auto found = family(name);
        EXPECT_EQ(found.size(), 1u) << name;
        return found.empty() ? -1 : found.front().value;
    }
    // The values of a per-category family by category label.
    std::map<std::string, double> byCategory(const std::string& name) const {
        std::map<std::string, double> out;
        for (const auto& s : family(name)) out[s.labels.at("category")] = s.value;
        return out;
    }
    std::vector<Series> family(const std::string& name) const {
        std::vector<Series> out;
        for (const auto& s : series) if (s.name == name) out.push_back(s);
        return out;
    }

    std::vector<Series> series;

private:
    void read(const std::string& line) {
        std::istringstream words(line);
        std::string hash, keyword, name;
        if (line.rfind("# ", 0) == 0) {
            words >> hash >> keyword >> name;
            if (keyword == "TYPE") words >> types_[name];
            return;
        }
        Series s;
        size_t pos = line.find_first_of("{ ");
        s.name = line.substr(0, pos);
        if (pos != std::string::npos && line[pos] == '{') pos = readLabels(line, pos + 1, s.labels);
        if (pos == std::string::npos || line[pos] != ' ') return fail(line);
        const auto [end, error] = std::from_chars(line.data() + pos + 1, line.data() + line.size(), s.value);
        if (error != std::errc() || end != line.data() + line.size()) return fail(line);
        EXPECT_EQ(types_[s.name], "gauge") << s.name;
        series.push_back(s);
    }
    // Reads name="value" pairs up to the closing brace; the position after it.
    static size_t readLabels(const std::string& line, size_t pos, Labels& labels) {
        while (pos < line.size() && line[pos] != '}') {
            const size_t equals = line.find("=\"", pos);
            if (equals == std::string::npos) return std::string::npos;
            std::string value;
            size_t i = equals + 2;
            for (; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] != '\\') { value += line[i]; continue; }
                const char escaped = line.at(++i);
                value += escaped == 'n' ? '\n' : escaped;
            }
            labels[line.substr(pos, equals - pos)] = value;
            pos = i + 1;
            if (pos < line.size() && line[pos] == ',') ++pos;
        }
        return pos < line.size() ? pos + 1 : std::string::npos;
    }
    static void fail(const std::string& line) { ADD_FAILURE() << "not a sample line: " << line; }

    std::map<std::string, std::string> types_;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "no file " << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void setStatusFile(const std::string& path) {
    QSettings(QStringLiteral("olvarin"), QStringLiteral("olvarin"))
        .setValue(app::kStatusFileSetting, QString::fromStdString(path));
}

// Every series carries the store; the run's times lie between the given ones.
void expectRunBetween(const Exposition& status, double before, double after) {
    for (const auto& s : status.series) EXPECT_EQ(s.labels.at("store"), "0001") << s.name;
    const double start = status.value("olvarin_last_run_start_timestamp_seconds");
    const double end = status.value("olvarin_last_run_end_timestamp_seconds");
    EXPECT_LE(before - 0.001, start);
    EXPECT_LE(start, end);
    EXPECT_LE(end, after + 0.001);
    EXPECT_LE(status.value("olvarin_last_run_duration_seconds"), end - start + 0.002);
}

TEST(StatusText, LabelsAreEscapedAndOnlyTheLastSuccessSeriesIsReadBack) {
    app::RunOutcome outcome;
    outcome.storeId = "a\"b} \\c\nd";
    outcome.tally.categories[7].ran = true;
    outcome.tally.categories[7].billsNotCopied = 3;
    const std::string text = app::statusText(outcome, 1709634030.25);

    const Exposition status(text);
    for (const auto& s : status.series) EXPECT_EQ(s.labels.at("store"), outcome.storeId) << s.name;
    EXPECT_EQ(status.byCategory("olvarin_bills_not_copied"), (std::map<std::string, double>{{"7", 3}}));
    EXPECT_EQ(status.family("olvarin_bills_not_copied")[0].labels.at("table"), "CHGPRICE");
    EXPECT_EQ(app::lastSuccessIn(text), 1709634030.25);

    EXPECT_EQ(app::lastSuccessIn("# HELP olvarin_last_success_timestamp_seconds 5\n"
                                 "olvarin_last_success_timestamp_seconds_total 6\n"
                                 "olvarin_last_success_timestamp_seconds{x=\"} 7\"} 8 1709634030000\n"),
              8);
    EXPECT_FALSE(app::lastSuccessIn("olvarin_last_success_timestamp_seconds NaN\n"));
    EXPECT_FALSE(app::lastSuccessIn(""));
}

// The window in this process: top categories and products, with a queued change,
// a queued deletion and a change the branch refuses.
class StatusFileWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeStoreConfig(folder, {{"0001", "S1"}});
        dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('01', 'drinks')");
        dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('02', 'snacks')");
        for (const char* id : {"P1", "P3"}) {
            dbs.execSource(std::string("INSERT INTO PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE) VALUES ('") + id +
                           "', 'new " + id + "', 30)");
        }
        for (const char* id : {"P1", "P2", "P3"}) {
            dbs.execTarget(std::string("INSERT INTO PRODUCT (PROD_ID, PROD_NAME, SALE_PRICE) VALUES ('") + id +
                           "', 'old " + id + "', 25)");
        }
        dbs.execTarget("ALTER TABLE PRODUCT ADD CONSTRAINT CK_NAME CHECK (PROD_NAME <> 'new P3')");
        for (const auto& [id, state] : {std::pair{"P1", "UPDATE"}, {"P2", "DELETE"}, {"P3", "UPDATE"}}) {
            dbs.execSource(std::string("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('0001', '") +
                           id + "', '" + state + "')");
        }
    }
    void openWindow(bool headquartersUp) {
        const auto [connections, drivers] = writeRegistry(headquartersUp);
        settings.reset();  // clears every key, the status file's too
        settings = std::make_unique<RegistrySettings>(connections, drivers);
        window = makeWindow(folder);
        window->show();
        for (int i = 0; i < 12; ++i) window->bsSkinCheckGroup1->setChecked(i, i == 0 || i == 3);
    }
    // The connections file is read at every connect: the next run finds headquarters or not.
    std::pair<std::string, std::string> writeRegistry(bool headquartersUp) {
        if (headquartersUp) return dbs.writeRegistry();
        const std::string nobodyListens = "localhost/" + std::to_string(testsupport::unusedLoopbackPort());
        return dbs.writeRegistry({.sourceDatabase = nobodyListens + ":" + dbs.sourcePath()});
    }
    // Clicks OK; the times just before and after.
    std::pair<double, double> clickOk() {
        const double before = nowSeconds();
        QTest::mouseClick(window->bsSkinButton1, Qt::LeftButton);
        return {before, nowSeconds()};
    }
    std::string statusPath() const { return folder.file("olvarin.prom"); }

    FixedClock clock;
    ErrorBoxRecorder errors;
    TempFolder folder;
    TestDatabases dbs;
    std::unique_ptr<RegistrySettings> settings;
    std::unique_ptr<app::TFormOlvarin> window;
};

TEST_F(StatusFileWindowTest, EveryRunWritesItsOutcomeAndAFailedOneKeepsTheLastSuccess) {
    openWindow(false);
    setStatusFile(statusPath());

    const auto [beforeFirst, afterFirst] = clickOk();  // no success before it
    ASSERT_EQ(errors.texts().size(), 1);
    {
        const Exposition status(readFile(statusPath()));
        expectRunBetween(status, beforeFirst, afterFirst);
        EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
        EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), 0);
        // The run got as far as the first category.
        EXPECT_EQ(status.byCategory("olvarin_rows_written"), (std::map<std::string, double>{{"0", 0}}));
    }

    writeRegistry(true);
    const auto [beforeSuccess, afterSuccess] = clickOk();
    ASSERT_EQ(errors.texts().size(), 1) << errors.texts().last().toStdString();
    ASSERT_EQ(lines(*window->Memo1).last(), "Done...");
    double lastSuccess = 0;
    {
        const Exposition status(readFile(statusPath()));
        expectRunBetween(status, beforeSuccess, afterSuccess);
        EXPECT_EQ(status.value("olvarin_last_run_success"), 1);
        lastSuccess = status.value("olvarin_last_success_timestamp_seconds");
        EXPECT_EQ(lastSuccess, status.value("olvarin_last_run_end_timestamp_seconds"));
        using Counts = std::map<std::string, double>;
        EXPECT_EQ(status.byCategory("olvarin_rows_written"), (Counts{{"0", 2}, {"3", 1}}));
        EXPECT_EQ(status.byCategory("olvarin_rows_deleted"), (Counts{{"0", 0}, {"3", 1}}));
        EXPECT_EQ(status.byCategory("olvarin_rows_refused"), (Counts{{"0", 0}, {"3", 1}}));
        EXPECT_EQ(status.byCategory("olvarin_bills_not_copied"), (Counts{{"0", 0}, {"3", 0}}));
        EXPECT_EQ(status.byCategory("olvarin_queue_rows_removed"), (Counts{{"0", 0}, {"3", 2}}));
        for (const auto& s : status.family("olvarin_rows_written")) {
            EXPECT_EQ(s.labels.at("table"), s.labels.at("category") == "0" ? "PROD_TOPITEM" : "PRODUCT");
        }
    }

    window.reset();  // the program once more, headquarters gone: its link is made afresh
    openWindow(false);
    setStatusFile(statusPath());
    const auto [beforeFailure, afterFailure] = clickOk();
    ASSERT_EQ(errors.texts().size(), 2);
    EXPECT_TRUE(errors.texts().last().startsWith("Unable to complete network request"))
        << errors.texts().last().toStdString();
    const Exposition status(readFile(statusPath()));
    expectRunBetween(status, beforeFailure, afterFailure);
    EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
    EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), lastSuccess);
}

TEST_F(StatusFileWindowTest, WithoutTheSettingNothingIsWrittenAndAFileThatCannotBeWrittenChangesNothingElse) {
    openWindow(true);
    const QStringList filesBefore = QDir(QString::fromStdString(folder.path())).entryList(QDir::Files);
    clickOk();  // the queued changes arrive; from here on each run is alike
    clickOk();
    const QStringList logWithout = lines(*window->Memo1);
    EXPECT_EQ(QDir(QString::fromStdString(folder.path())).entryList(QDir::Files), filesBefore);

    const std::string unwritable = folder.file("no-such-folder/olvarin.prom");
    setStatusFile(unwritable);
    std::ostringstream err;
    std::streambuf* const stderrBuffer = std::cerr.rdbuf(err.rdbuf());
    clickOk();
    std::cerr.rdbuf(stderrBuffer);

    EXPECT_EQ(lines(*window->Memo1), logWithout);
    EXPECT_TRUE(errors.texts().isEmpty()) << errors.texts().join("\n").toStdString();
    EXPECT_EQ(err.str(), "Status file " + unwritable + " not written: no folder " + folder.path() +
                             "no-such-folder\n");
}

// "olvarin a" in a folder of its own, its status file in another, as node_exporter's.
TEST(StatusFileProgramTest, TheUnattendedRunWritesTheFileWhetherItSucceedsOrFails) {
    ProgramFolder program;
    program.writeStoreConfigWithCommand();
    TestDatabases dbs;
    dbs.execSource("INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ('01', 'drinks')");
    const auto [connections, drivers] = dbs.writeRegistry();
    dbs.detachAll();
    const TempFolder textfiles;
    const std::string statusPath = textfiles.file("olvarin.prom");
    QSettings settings(QString::fromStdString(program.configFolder().file("olvarin/olvarin.conf")),
                       QSettings::IniFormat);
    settings.setValue("Connection Registry File", QString::fromStdString(connections));
    settings.setValue("Driver Registry File", QString::fromStdString(drivers));
    settings.setValue(app::kStatusFileSetting, QString::fromStdString(statusPath));
    settings.sync();

    Outcome outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 0) << outcome.text();
    double lastSuccess = 0;
    {
        const Exposition status(readFile(statusPath));
        EXPECT_EQ(status.value("olvarin_last_run_success"), 1);
        lastSuccess = status.value("olvarin_last_success_timestamp_seconds");
        EXPECT_EQ(lastSuccess, status.value("olvarin_last_run_end_timestamp_seconds"));
        const auto written = status.family("olvarin_rows_written");
        ASSERT_EQ(written.size(), 12u);  // every category ran
        EXPECT_EQ(written[0].labels, (Labels{{"store", "0001"}, {"category", "0"}, {"table", "PROD_TOPITEM"}}));
        EXPECT_EQ(written[0].value, 1);
        EXPECT_EQ(written[11].labels.at("table"), "CUSTOMER");
    }

    settings.setValue("Connection Registry File", QString::fromStdString(textfiles.file("missing.ini")));
    settings.sync();
    outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 1) << outcome.text();
    const Exposition status(readFile(statusPath));
    EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
    EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), lastSuccess);
    for (const auto& s : status.series) EXPECT_EQ(s.labels.at("store"), "0001") << s.name;
    EXPECT_EQ(QDir(QString::fromStdString(textfiles.path())).entryList(QDir::Files), QStringList{"olvarin.prom"});
}

}  // namespace
