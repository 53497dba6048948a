// Auto mode for weeks, compressed: the real window with Auto ticked runs its timer
// runs one after the other at a short interval, every category in mode Changed,
// against headquarters on a private Firebird server on loopback that queues a
// trickle of product changes, and goes away for three runs in every hundred (the
// link lost and back). After every so many runs it samples the process's
// resident memory, its open file descriptors and its attachments at headquarters
// (MON$ATTACHMENTS); after the warm-up the three stay flat.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>

#include "app/CheckGroup.h"
#include "app/FrmOlvarin.h"
#include "app/IntervalTimer.h"
#include "bench/BenchDatabases.h"
#include "bench/BenchTable.h"
#include "bench/ChildProcess.h"
#include "bench/Measure.h"
#include "bench/Suites.h"
#include "tests/support/FbOracle.h"
#include "tests/support/PrivateServer.h"

namespace bench {
namespace {

namespace fb = testsupport::fb;

constexpr const char* kStore = "0001";
// In every hundred runs, headquarters is away after run kOutageFrom and back after
// run kOutageTo: the runs in between fail at their connect.
constexpr int kOutageFrom = 50;
constexpr int kOutageTo = 53;

int expectedFailures(int runs) {
    const int whole = runs / 100 * (kOutageTo - kOutageFrom);
    const int part = runs % 100;
    return whole + std::clamp(part - kOutageFrom, 0, kOutageTo - kOutageFrom);
}

struct Sample {
    int run = 0;
    long rssKiB = 0;
    int descriptors = 0;
    long long attachments = 0;  // the program's own at headquarters
    long long queued = 0;       // the store's changes waiting at headquarters
    int failedRuns = 0;         // so far
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmRSS:" && status >> value) return value;
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

int openDescriptors() {
    DIR* folder = opendir("/proc/self/fd");
    if (!folder) return -1;
    int n = 0;
    while (readdir(folder)) ++n;
    closedir(folder);
    return n - 3;  // ".", ".." and the folder's own
}

// Headquarters as the soak sees it: the trickle and the counts, each through an
// attachment of its own that it lets go at once.
class Headquarters {
  public:
    explicit Headquarters(std::string databaseName) : name_(std::move(databaseName)) {}

    // One more product change queued for the store.
    void queueChange(int n) {
        auto a = fb::attach(name_);
        char id[16];
        std::snprintf(id, sizeof id, "P%08d", n % 1000);
        fb::execute(a.get(),
                    std::string("UPDATE PRODUCT SET CHG_USER = 'soak', SALE_PRICE = SALE_PRICE + 1 "
                                "WHERE PROD_ID = '") +
                        id + "'");
        fb::execute(a.get(),
                    std::string("INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE, TRAN_CODE) "
                                "VALUES ('") +
                        kStore + "', '" + id + "', 'UPDATE', 'N')");
        fb::detach(a);
    }

    Sample counts() {
        auto a = fb::attach(name_);
        Sample s;
        s.attachments = std::stoll(
            fb::query(a.get(), "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$REMOTE_PID = " +
                                   std::to_string(getpid()) +
                                   " AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION")
                .at(0)
                .at(0));
        s.queued = std::stoll(
            fb::query(a.get(), std::string("SELECT COUNT(*) FROM PRODUCT_WAIT WHERE STORE_ID = '") +
                                   kStore + "'")
                .at(0)
                .at(0));
        fb::detach(a);
        return s;
    }

  private:
    std::string name_;
};

// The store configuration for store 0001, as olvarin-storecfg writes it.
void writeStoreConfig(const std::string& path) {
    std::ofstream(path) << R"({"fields": [{"name": "storeid", "type": "string", "size": 20},)"
                        << R"( {"name": "stock_id", "type": "string", "size": 20}],)"
                        << R"( "rows": [["0001", "S0001"]]})";
}

std::vector<Sample> soak(const BenchOptions& options) {
    testsupport::PrivateServer server;
    BenchDatabases databases(benchTable("product"), 1000);
    server.start();
    const std::string hqName = server.databaseName(databases.sourcePath());
    Headquarters headquarters(hqName);
    const db::RegistryFiles files = databases.registry(OLVARIN_DRIVER_MODULE, hqName);

    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "olvarin-bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    {
        QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
        settings.setValue(QStringLiteral("Connection Registry File"),
                          QString::fromStdString(files.connectionsFile));
        settings.setValue(QStringLiteral("Driver Registry File"),
                          QString::fromStdString(files.driversFile));
    }
    writeStoreConfig(databases.folder() + "/Quelmar.dat");

    // The log lines of a thousand runs go nowhere; the figures go to stderr.
    std::fflush(stdout);
    if (!std::freopen("/dev/null", "w", stdout)) throw std::runtime_error("cannot silence the log");

    std::vector<Sample> samples;
    app::FormStartOptions start;
    start.storeConfigDir = databases.folder() + "/";
    start.arguments = QStringList();
    app::TFormOlvarin window(start);
    window.show();
    for (int i = 0; i < window.bsSkinCheckGroup1->count(); ++i)
        window.bsSkinCheckGroup1->setChecked(i, true);
    int runs = 0;
    int failed = 0;
    QObject::connect(window.Timer1, &app::IntervalTimer::timeout, &window, [&] {
        // Connected after the window's own handler, so the run has ended here.
        ++runs;
        if (!window.Memo1->toPlainText().contains(QStringLiteral("Done..."))) ++failed;
        if (runs % 100 == kOutageFrom) server.stop();
        if (runs % 100 == kOutageTo) server.start();
        if (server.running() && runs % options.soakTrickleEvery == 0)
            headquarters.queueChange(runs);
        if (server.running() && (runs % options.soakSampleEvery == 0 || runs == 1)) {
            Sample s = headquarters.counts();
            s.run = runs;
            s.rssKiB = residentKiB();
            s.descriptors = openDescriptors();
            s.failedRuns = failed;
            samples.push_back(s);
            std::fprintf(
                stderr,
                "  run %5d: rss %6ld KiB, %3d fds, %lld attachments at headquarters, %lld queued, "
                "%d failed\n",
                s.run, s.rssKiB, s.descriptors, s.attachments, s.queued, s.failedRuns);
        }
        if (runs >= options.soakRuns) QApplication::quit();
    });
    window.bsSkinEdit1->setText(QString::number(options.soakIntervalMs));
    window.CheckBox1->setChecked(true);
    application.exec();
    window.CheckBox1->setChecked(false);
    server.stop();
    return samples;
}

}  // namespace

int runSoakSuite(const BenchOptions& options) {
    std::fprintf(stderr, "soak, %d timer runs %d ms apart:\n", options.soakRuns,
                 options.soakIntervalMs);
    // The child prints the table: a forked child cannot hand its samples back.
    return runInChild([&] {
        const int out = dup(STDOUT_FILENO);
        const Stopwatch wall;
        const std::vector<Sample> samples = soak(options);
        FILE* table = fdopen(out, "w");
        std::fprintf(
            table,
            "\nSoak: the window with Auto ticked, %d timer runs %d ms apart, every category in "
            "mode "
            "Changed, one product change queued at headquarters every %d runs (a private server on "
            "loopback), which is away after run 50 of every hundred until after run 53; %.0f s in "
            "all.\n\n"
            "| run | resident memory (KiB) | open descriptors | attachments at headquarters | "
            "queued at headquarters | failed runs so far |\n| ---: | ---: | ---: | ---: | ---: | "
            "---: |\n",
            options.soakRuns, options.soakIntervalMs, options.soakTrickleEvery, wall.seconds());
        for (const Sample& s : samples) {
            std::fprintf(table, "| %d | %ld | %d | %lld | %lld | %d |\n", s.run, s.rssKiB,
                         s.descriptors, s.attachments, s.queued, s.failedRuns);
        }
        std::fclose(table);
        const Sample& last = samples.back();
        const bool wellEnded = last.failedRuns == expectedFailures(last.run) &&
                               last.attachments == 1 && last.queued <= 1;
        return samples.size() >= 2 && wellEnded ? 0 : 1;
    });
}

}  // namespace bench
