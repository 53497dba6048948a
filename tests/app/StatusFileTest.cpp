// The status file for monitoring, read the way node_exporter reads it: after runs
// of the window on real databases, and after "olvarin a" as a process.

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "AppTestSupport.h"
#include "DatabaseWindowTest.h"
#include "ProgramFolder.h"
#include "app/CheckGroup.h"
#include "app/StatusFile.h"
#include "app/Version.h"
#include "base/ScopeExit.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::TestDatabases;

namespace {

using Labels = std::map<std::string, std::string>;
using Counts = std::map<std::string, double>;

std::string unescaped(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && ++i < value.size())
            out += value[i] == 'n' ? QChar('\n') : value[i];
        else
            out += value[i];
    }
    return out.toStdString();
}

struct Series {
    std::string name;
    Labels labels;
    double value = 0;
};

// The series of a text in the exposition format. A line that is neither a comment
// nor a sample, or a sample not declared a gauge before it, fails the test.
struct Exposition {
    explicit Exposition(const std::string& text) {
        static const QRegularExpression type("^# TYPE (\\S+) (\\S+)$");
        static const QRegularExpression sample(
            "^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\\{(.*)\\})? (\\S+)$");
        static const QRegularExpression label("([a-zA-Z_]\\w*)=\"((?:[^\"\\\\]|\\\\.)*)\"(?:,|$)");
        EXPECT_TRUE(text.ends_with('\n'));
        std::map<QString, QString> types;
        for (const QString& line : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts)) {
            if (const auto t = type.match(line); t.hasMatch()) types[t.captured(1)] = t.captured(2);
            if (line.startsWith('#')) continue;
            const auto m = sample.match(line);
            if (!m.hasMatch()) {
                ADD_FAILURE() << "not a sample: " << line.toStdString();
                continue;
            }
            EXPECT_EQ(types[m.captured(1)], "gauge") << line.toStdString();
            Series s{m.captured(1).toStdString(), {}, m.captured(3).toDouble()};
            for (auto it = label.globalMatch(m.captured(2)); it.hasNext();) {
                const auto l = it.next();
                s.labels[l.captured(1).toStdString()] = unescaped(l.captured(2));
            }
            series.push_back(s);
        }
    }
    std::vector<Series> family(const std::string& name) const {
        std::vector<Series> out;
        std::copy_if(series.begin(), series.end(), std::back_inserter(out),
                     [&](auto& s) { return s.name == name; });
        return out;
    }
    double value(const std::string& name) const {
        const auto found = family(name);
        EXPECT_EQ(found.size(), 1u) << name;
        return found.empty() ? -1 : found[0].value;
    }
    Counts byCategory(const std::string& name) const {
        Counts out;
        for (const auto& s : family(name)) out[s.labels.at("category")] = s.value;
        return out;
    }

    std::vector<Series> series;
};

// promtool's own check of the exposition format and its naming rules, where it is installed.
void expectPromtoolAccepts(const std::string& path) {
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty()) return;
    QProcess check;
    check.setStandardInputFile(QString::fromStdString(path));
    check.start(promtool, {"check", "metrics"});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
}

Exposition readStatus(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "no file " << path;
    return Exposition(std::string(std::istreambuf_iterator<char>(in), {}));
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void setStatusFile(const std::string& path) {
    QSettings(QStringLiteral("olvarin"), QStringLiteral("olvarin"))
        .setValue(app::kStatusFileSetting, QString::fromStdString(path));
}

// Every series of the run carries the store, and the build's only the version; the
// run's times lie between the given ones.
void expectRunBetween(const Exposition& status, double before, double after) {
    for (const auto& s : status.series) {
        if (s.name == "olvarin_build_info")
            EXPECT_EQ(s.labels, (Labels{{"version", app::kVersion}}));
        else
            EXPECT_EQ(s.labels.at("store"), "0001") << s.name;
    }
    EXPECT_EQ(status.value("olvarin_build_info"), 1);
    const double start = status.value("olvarin_last_run_start_timestamp_seconds");
    const double end = status.value("olvarin_last_run_end_timestamp_seconds");
    EXPECT_LE(before - 0.001, start);
    EXPECT_LE(start, end);
    EXPECT_LE(end, after + 0.001);
    EXPECT_LE(status.value("olvarin_last_run_duration_seconds"), end - start + 0.002);
}

TEST(StatusText, LabelsAreEscapedAndOnlyTheStoresLastSuccessSeriesIsReadBack) {
    app::RunOutcome outcome;
    outcome.storeId = "a\"b} \\c\nd";
    outcome.tally.categories[7].ran = true;
    outcome.tally.categories[7].billsNotCopied = 3;
    const std::string text = app::statusText(outcome, 1709634030.25);

    const Exposition status(text);
    const auto notCopied = status.family("olvarin_last_run_bills_not_copied");
    ASSERT_EQ(notCopied.size(), 1u);
    EXPECT_EQ(notCopied[0].labels, (Labels{{"store", outcome.storeId}, {"category", "CHGPRICE"}}));
    EXPECT_EQ(notCopied[0].value, 3);
    ASSERT_EQ(status.family("olvarin_build_info").size(), 1u);
    EXPECT_EQ(status.family("olvarin_build_info")[0].labels, (Labels{{"version", app::kVersion}}));
    EXPECT_EQ(app::lastSuccessIn(text, outcome.storeId), 1709634030.25);
    EXPECT_FALSE(app::lastSuccessIn(text, "a"));

    const std::string lines =
        "# HELP olvarin_last_success_timestamp_seconds 5\n"
        "olvarin_last_success_timestamp_seconds_total{store=\"0001\"} 6\n"
        "olvarin_last_success_timestamp_seconds{store=\"\"} 7\n"
        "olvarin_last_success_timestamp_seconds{x=\"} 9\",store=\"0001\"} 8 1709634030000\n";
    EXPECT_EQ(app::lastSuccessIn(lines, "0001"), 8);
    EXPECT_EQ(app::lastSuccessIn(lines, ""), 7);
    EXPECT_FALSE(app::lastSuccessIn(lines, "0002"));
    EXPECT_FALSE(app::lastSuccessIn("olvarin_last_success_timestamp_seconds 5\n", "0001"));
    EXPECT_FALSE(
        app::lastSuccessIn("olvarin_last_success_timestamp_seconds{store=\"0001\"} NaN\n", "0001"));
    EXPECT_FALSE(app::lastSuccessIn("", ""));
}

// A failed run carries the last success over only from a file of its own store: a
// run before Quelmar.dat was right (store "") or another store's file gives it none.
TEST(StatusFile, AFailedRunKeepsOnlyItsOwnStoresLastSuccess) {
    const TempFolder folder;
    const std::string path = folder.file("olvarin.prom");
    struct Case {
        const char* earlierStore;
        const char* store;
        double kept;
    };
    const mode_t umaskBefore = ::umask(027);  // the service's
    const base::ScopeExit restoreUmask([&] { ::umask(umaskBefore); });
    for (const Case c : {Case{"", "0001", 0}, Case{"0002", "0001", 0},
                         Case{"0001", "0001", 1700000000}, Case{"", "", 1700000000}}) {
        app::RunOutcome earlier;
        earlier.storeId = c.earlierStore;
        earlier.succeeded = true;
        earlier.end = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));
        ASSERT_EQ(app::writeStatusFile(path, earlier), "");
        app::RunOutcome failed;
        failed.storeId = c.store;
        ASSERT_EQ(app::writeStatusFile(path, failed), "");
        const Exposition status = readStatus(path);
        EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), c.kept)
            << "earlier store '" << c.earlierStore << "', store '" << c.store << "'";
        EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644u);
    }
}

// The window in this process: top categories and products, with a queued change,
// a queued deletion and a change the branch refuses.
class StatusFileWindowTest : public DatabaseWindowTest {
  protected:
    void SetUp() override {
        const std::string topItem = "INSERT INTO PROD_TOPITEM (TOP_ITEMID, TOP_ITEMNAME) VALUES ";
        for (const char* row : {"('01', 'drinks')", "('02', 'snacks')"})
            dbs.execSource(topItem + row);
        const std::string product = "INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ";
        for (const char* row : {"('P1', 'new P1')", "('P3', 'new P3')"})
            dbs.execSource(product + row);
        for (const char* row : {"('P1', 'old')", "('P2', 'old')", "('P3', 'old')"})
            dbs.execTarget(product + row);
        dbs.execTarget("ALTER TABLE PRODUCT ADD CONSTRAINT CK_NAME CHECK (PROD_NAME <> 'new P3')");
        const std::string queued = "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ";
        for (const char* row :
             {"('0001', 'P1', 'UPDATE')", "('0001', 'P2', 'DELETE')", "('0001', 'P3', 'UPDATE')"})
            dbs.execSource(queued + row);
    }
    // A fresh window (its settings too: the status file's key cleared) that finds
    // headquarters or not.
    void openWindow(bool headquartersUp) {
        DatabaseWindowTest::openWindow(
            headquartersUp ? testsupport::RegistryOptions{} : unreachable(), {0, 3});
    }
    // The connections file is read at every connect: the next run finds headquarters or not.
    std::pair<std::string, std::string> writeRegistry(bool headquartersUp) {
        return dbs.writeRegistry(headquartersUp ? testsupport::RegistryOptions{} : unreachable());
    }
    testsupport::RegistryOptions unreachable() const {
        return {.sourceDatabase = "localhost/" + std::to_string(testsupport::unusedLoopbackPort()) +
                                  ":" + dbs.sourcePath()};
    }
    // Clicks OK; the times just before and after.
    std::pair<double, double> clickOk() {
        const double before = nowSeconds();
        QTest::mouseClick(window->bsSkinButton1, Qt::LeftButton);
        return {before, nowSeconds()};
    }
    std::string statusPath() const { return folder.file("olvarin.prom"); }
};

TEST_F(StatusFileWindowTest, EveryRunWritesItsOutcomeAndAFailedOneKeepsTheLastSuccess) {
    openWindow(false);
    setStatusFile(statusPath());

    const auto [beforeFirst, afterFirst] = clickOk();  // no success before it
    ASSERT_EQ(errors.texts().size(), 1);
    {
        const Exposition status = readStatus(statusPath());
        expectRunBetween(status, beforeFirst, afterFirst);
        EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
        EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), 0);
        // The run got as far as the first category.
        EXPECT_EQ(status.byCategory("olvarin_last_run_rows_written"),
                  (Counts{{"PROD_TOPITEM", 0}}));
    }

    writeRegistry(true);
    const auto [beforeSuccess, afterSuccess] = clickOk();
    ASSERT_EQ(errors.texts().size(), 1) << errors.texts().last().toStdString();
    ASSERT_EQ(lines(*window->Memo1).last(), "Done...");
    double lastSuccess = 0;
    {
        const Exposition status = readStatus(statusPath());
        expectRunBetween(status, beforeSuccess, afterSuccess);
        EXPECT_EQ(status.value("olvarin_last_run_success"), 1);
        lastSuccess = status.value("olvarin_last_success_timestamp_seconds");
        EXPECT_EQ(lastSuccess, status.value("olvarin_last_run_end_timestamp_seconds"));
        const auto counts = [](double topItems, double products) {
            return Counts{{"PROD_TOPITEM", topItems}, {"PRODUCT", products}};
        };
        EXPECT_EQ(status.byCategory("olvarin_last_run_rows_written"), counts(2, 1));
        EXPECT_EQ(status.byCategory("olvarin_last_run_rows_deleted"), counts(0, 1));
        EXPECT_EQ(status.byCategory("olvarin_last_run_rows_refused"), counts(0, 1));
        EXPECT_EQ(status.byCategory("olvarin_last_run_queue_rows_removed"), counts(0, 2));
    }

    window.reset();  // the program once more, headquarters gone: its link is made afresh
    openWindow(false);
    setStatusFile(statusPath());
    const auto [beforeFailure, afterFailure] = clickOk();
    ASSERT_EQ(errors.texts().size(), 2);
    EXPECT_TRUE(errors.texts().last().startsWith("Unable to complete network request"))
        << errors.texts().last().toStdString();
    const Exposition status = readStatus(statusPath());
    expectRunBetween(status, beforeFailure, afterFailure);
    EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
    EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), lastSuccess);
}

TEST_F(StatusFileWindowTest,
       WithoutTheSettingNothingIsWrittenAndAFileThatCannotBeWrittenChangesNothingElse) {
    openWindow(true);
    const QStringList filesBefore =
        QDir(QString::fromStdString(folder.path())).entryList(QDir::Files);
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
        const Exposition status = readStatus(statusPath);
        EXPECT_EQ(status.value("olvarin_last_run_success"), 1);
        lastSuccess = status.value("olvarin_last_success_timestamp_seconds");
        EXPECT_EQ(lastSuccess, status.value("olvarin_last_run_end_timestamp_seconds"));
        const auto written = status.family("olvarin_last_run_rows_written");
        ASSERT_EQ(written.size(), 12u);  // every category ran
        EXPECT_EQ(written[0].labels, (Labels{{"store", "0001"}, {"category", "PROD_TOPITEM"}}));
        EXPECT_EQ(written[0].value, 1);
        EXPECT_EQ(written[11].labels.at("category"), "CUSTOMER");
        expectPromtoolAccepts(statusPath);
    }

    settings.setValue("Connection Registry File",
                      QString::fromStdString(textfiles.file("missing.ini")));
    settings.sync();
    outcome = program.runUnattended();
    ASSERT_EQ(outcome.exitCode, 1) << outcome.text();
    const Exposition status = readStatus(statusPath);
    EXPECT_EQ(status.value("olvarin_last_run_success"), 0);
    EXPECT_EQ(status.value("olvarin_last_success_timestamp_seconds"), lastSuccess);
    EXPECT_EQ(QDir(QString::fromStdString(textfiles.path())).entryList(QDir::Files),
              QStringList{"olvarin.prom"});
}

}  // namespace
