// A branch without a store id it can use, and files it may not read, met the way
// a branch meets them: the built olvarin a in a folder of its own, real databases,
// its exit status, its log and its status file. A run without a store id touches
// neither database; olvarin-storecfg refuses an id headquarters never queues for.

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <functional>

#include "AppTestSupport.h"
#include "ProgramFolder.h"
#include "app/StatusFile.h"
#include "tests/support/TestDatabases.h"

using namespace apptest;
using testsupport::TestDatabases;

namespace {

constexpr const char* kRunFailed = "Data Tran Error ....";

// The folders of one case: the program's and an "/etc/olvarin" of its own.
struct Place {
    ProgramFolder& program;
    const TempFolder& etc;
    // A link beside the program to the file of that name in etc.
    void linkFromProgram(const std::string& name) const {
        ASSERT_TRUE(QFile::link(QString::fromStdString(etc.file(name)),
                                QString::fromStdString(program.file(name))));
    }
    // "{DIR}" stands for the program's folder, "{ETC}" for etc.
    std::string placed(std::string text) const {
        for (const auto& [mark, path] :
             {std::pair<std::string, std::string>{"{DIR}", program.file("")},
              {"{ETC}", etc.path()}}) {
            for (size_t at; (at = text.find(mark)) != std::string::npos;)
                text.replace(at, mark.size(), path);
        }
        return text;
    }
};

void writeStoreConfigAt(const std::string& path, const std::string& storeId) {
    db::saveTableFile(path, textTable({"storeid", "stock_id"}, {{storeId, "S1"}}));
}

void writeText(const std::string& path, const QByteArray& text) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// A database file changes even when a session only reads it.
QByteArray contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store configuration cut short, as a full disk or a killed copy leaves it.
void writeTruncated(const std::string& path) {
    writeStoreConfigAt(path, "0001");
    const QByteArray whole = contents(path);
    writeText(path, whole.left(whole.size() / 2));
}

// The line a run without a store id ends with.
std::string noStoreIdLine(const std::string& file, const std::string& startupError) {
    return "No store id, nothing downloaded: " + file +
           (startupError.empty() ? " gives an empty store id"
                                 : " could not be read at start-up (" + startupError + ")") +
           ". Write it with olvarin-storecfg --store-id ID --stock-id ID and start olvarin again";
}

struct StartUp {
    const char* name;
    std::function<void(const Place&)> arrange;  // puts Quelmar.dat in place, or not
    bool asNobody;
    const char* startupError;  // start-up's line, empty when it has none
    const char* storeConfig;   // the file the refusal names
};
void PrintTo(const StartUp& c, std::ostream* os) {
    *os << c.name;
}

class StartWithoutStoreId : public ::testing::TestWithParam<StartUp> {};

// Headquarters queues a product for store '' and the branch has a price change due:
// a run that went on with an empty store id would take the one and apply the other.
TEST_P(StartWithoutStoreId, TheRunFailsNamingTheFileAndTouchesNeitherDatabase) {
    const StartUp& c = GetParam();
    if (c.asNobody && !runningAsRoot()) GTEST_SKIP() << "needs root to run the program as nobody";
    TestDatabases dbs;
    dbs.execSource("INSERT INTO PRODUCT (PROD_ID, PROD_NAME) VALUES ('P1', 'tea')");
    dbs.execSource(
        "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE) VALUES ('', 'P1', 'UPDATE')");
    dbs.detachAll();
    const QByteArray sourceBefore = contents(dbs.sourcePath());
    const QByteArray targetBefore = contents(dbs.targetPath());

    ProgramFolder program;
    const TempFolder etc;
    const TempFolder textfiles;
    if (c.asNobody) {
        program.runAsNobody();
        openToEveryone(etc);
        openToEveryone(textfiles);
    }
    program.installDriverModule();
    program.writeConnections(dbs.sourcePath(), dbs.targetPath());
    QSettings(QString::fromStdString(program.configFolder().file("olvarin/olvarin.conf")),
              QSettings::IniFormat)
        .setValue(app::kStatusFileSetting, QString::fromStdString(textfiles.file("olvarin.prom")));
    const Place place{program, etc};
    c.arrange(place);

    const Outcome outcome = program.runUnattended();

    ASSERT_EQ(outcome.exitCode, 1) << outcome.text();
    const std::string startupError = place.placed(c.startupError);
    if (!startupError.empty()) {
        EXPECT_EQ(outcome.out.value(0).toStdString(), startupError) << outcome.text();
        EXPECT_TRUE(outcome.err.contains(QString::fromStdString(startupError + "\n")))
            << outcome.text();
    }
    const qsizetype failed = outcome.out.indexOf(kRunFailed);
    ASSERT_GE(failed, 0) << outcome.text();
    EXPECT_EQ(outcome.out.value(failed + 1).toStdString(),
              noStoreIdLine(place.placed(c.storeConfig), startupError));
    EXPECT_TRUE(outcome.out.filter("...Loading.").isEmpty()) << outcome.text();
    EXPECT_FALSE(outcome.out.contains("Done...")) << outcome.text();

    EXPECT_TRUE(contents(textfiles.file("olvarin.prom"))
                    .contains("\nolvarin_last_run_success{store=\"\"} 0\n"));
    EXPECT_TRUE(contents(dbs.sourcePath()) == sourceBefore);
    EXPECT_TRUE(contents(dbs.targetPath()) == targetBefore);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, StartWithoutStoreId,
    ::testing::Values(
        StartUp{"missingFile", [](const Place&) {}, false,
                "Cannot open file \"{DIR}Quelmar.dat\". No such file or directory",
                "{DIR}Quelmar.dat"},
        StartUp{"emptyFile", [](const Place& p) { writeText(p.program.file("Quelmar.dat"), ""); },
                false, "Missing data provider or data packet", "{DIR}Quelmar.dat"},
        StartUp{"truncatedFile",
                [](const Place& p) { writeTruncated(p.program.file("Quelmar.dat")); }, false,
                "Invalid table file \"{DIR}Quelmar.dat\": parse error at line 9, column 17: syntax "
                "error "
                "while parsing value - invalid string: missing closing quote; last read: '\"s'",
                "{DIR}Quelmar.dat"},
        StartUp{"folderInItsPlace",
                [](const Place& p) {
                    QDir().mkpath(QString::fromStdString(p.program.file("Quelmar.dat")));
                },
                false, "Cannot open file \"{DIR}Quelmar.dat\". Is a directory", "{DIR}Quelmar.dat"},
        StartUp{"emptyStoreId",
                [](const Place& p) { writeStoreConfigAt(p.program.file("Quelmar.dat"), ""); },
                false, "", "{DIR}Quelmar.dat"},
        StartUp{"linkToAMissingFile", [](const Place& p) { p.linkFromProgram("Quelmar.dat"); },
                false, "Cannot open file \"{DIR}Quelmar.dat\". No such file or directory",
                "{ETC}Quelmar.dat"},
        StartUp{"linkToAFileItMayNotRead",
                [](const Place& p) {
                    writeStoreConfigAt(p.etc.file("Quelmar.dat"), "0001");
                    ::chmod(p.etc.file("Quelmar.dat").c_str(), 0600);
                    p.linkFromProgram("Quelmar.dat");
                },
                true, "File \"{ETC}Quelmar.dat\" cannot be read by user nobody: Permission denied",
                "{ETC}Quelmar.dat"}),
    [](const auto& info) { return std::string(info.param.name); });

// The files of a run that the program's user may not read: each is named where it
// really is (behind the link beside the program), with the user who may not read it.
struct Unreadable {
    const char* name;
    const char* file;  // in etc, mode 0600, a link to it beside the program
    const char* message;
};
void PrintTo(const Unreadable& c, std::ostream* os) {
    *os << c.name;
}

class UnreadableFile : public ::testing::TestWithParam<Unreadable> {};

TEST_P(UnreadableFile, TheRunFailsSayingItCannotBeReadWhereItReallyIs) {
    if (!runningAsRoot()) GTEST_SKIP() << "needs root to run the program as nobody";
    const Unreadable& c = GetParam();
    ProgramFolder program;
    const TempFolder etc;
    program.runAsNobody();
    openToEveryone(etc);
    program.installDriverModule();
    program.writeStoreConfigWithCommand();
    // [Dravonel] gets an empty "Password=" and "PasswordFile=hq.password" below it,
    // found beside the connections file: in etc, the link followed.
    program.writeConnections("/no-such/hq.fdb", "/no-such/branch.fdb",
                             "\nPasswordFile=hq.password");
    writeText(etc.file("hq.password"), "olvtest\n");
    const Place place{program, etc};
    for (const char* name : {"dbxconnections.ini", "dbxdrivers.ini"}) {
        ASSERT_TRUE(QFile::rename(QString::fromStdString(program.file(name)),
                                  QString::fromStdString(etc.file(name))));
        place.linkFromProgram(name);
    }
    ::chmod(etc.file("hq.password").c_str(), 0644);  // nobody's only when another file stops it
    ::chmod(etc.file(c.file).c_str(), 0600);

    const Outcome outcome = program.runUnattended();

    ASSERT_EQ(outcome.exitCode, 1) << outcome.text();
    const qsizetype failed = outcome.out.indexOf(kRunFailed);
    ASSERT_GE(failed, 0) << outcome.text();
    EXPECT_EQ(outcome.out.value(failed + 1).toStdString(), place.placed(c.message));
}

INSTANTIATE_TEST_SUITE_P(
    Permissions, UnreadableFile,
    ::testing::Values(
        Unreadable{
            "connectionsFile", "dbxconnections.ini",
            "Driver/Connection Registry File '{ETC}dbxconnections.ini' cannot be read by user "
            "nobody: Permission denied"},
        Unreadable{
            "passwordFile", "hq.password",
            "Password file '{ETC}hq.password' cannot be read by user nobody: Permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

// An id headquarters never queues for is refused, with the rule it breaks, and no
// file is written.
struct RefusedId {
    const char* name;
    const char* storeId;
    const char* rule;
};
void PrintTo(const RefusedId& c, std::ostream* os) {
    *os << c.name;
}

class StoreCfgRefuses : public ::testing::TestWithParam<RefusedId> {};

TEST_P(StoreCfgRefuses, AnIdHeadquartersNeverQueuesFor) {
    const TempFolder folder;
    QProcess command;
    command.start(QString::fromStdString(binaryDir() + "olvarin-storecfg"),
                  {"--store-id", QString::fromUtf8(GetParam().storeId), "--stock-id", "S1",
                   "--output", QString::fromStdString(folder.file("Quelmar.dat"))});
    ASSERT_TRUE(command.waitForFinished(10000));
    EXPECT_EQ(command.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(command.readAllStandardError()).toStdString(),
              std::string("olvarin-storecfg: ") + GetParam().rule + "; nothing written\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.file("Quelmar.dat"))));
}

INSTANTIATE_TEST_SUITE_P(
    StoreIds, StoreCfgRefuses,
    ::testing::Values(
        RefusedId{"empty", "", "the store id is empty"},
        RefusedId{
            "longerThanTheQueuesStoreId", "00000000001",
            "store id '00000000001' has 11 characters: headquarters' queues hold store ids of "
            "at most 10 (STORE_ID)"},
        RefusedId{
            "quote", "00'1",
            "store id '00'1' holds ''' at position 3: a store id has only the letters A-Z and "
            "a-z, the digits 0-9, '-' and '_'"},
        RefusedId{
            "blank", "0 01",
            "store id '0 01' holds a blank at position 2: a store id has only the letters A-Z "
            "and a-z, the digits 0-9, '-' and '_'"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
