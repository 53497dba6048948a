// Opening the named connections: where their parameters come from, every way the
// opening fails, and the retry that reads both files again.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/Platform.h"
#include "db/ClientDataSet.h"
#include "db/IniFile.h"
#include "db/SQLConnection.h"
#include "tests/db/DataSetTestSupport.h"

namespace {

using dstest::errorOf;
using dstest::replaced;
using dstest::writeText;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const char* const kSourceSql =
    "CREATE TABLE PING (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(20));\n"
    "INSERT INTO PING VALUES (1, 'source');\n";
const char* const kTargetSql =
    "CREATE TABLE PING (ID INTEGER NOT NULL PRIMARY KEY, S VARCHAR(20));\n"
    "INSERT INTO PING VALUES (1, 'target');\n";

// A working source section and drivers section; {DB} is the database, {MODULE} the
// built driver module.
const char* const kSourceSection =
    "[Dravonel]\n"
    "DriverName=Interbase\n"
    "Database={DB}\n"
    "User_Name=OLVTEST\n"
    "Password=olvtest\n"
    "ServerCharSet=UTF8\n"
    "SQLDialect=3\n";
const char* const kDriversSection =
    "[Interbase]\n"
    "LibraryName={MODULE}\n"
    "GetDriverFunc=getSQLDriverINTERBASE\n"
    "VendorLib=libfbclient.so.2\n";

// Reads the source's one row through CDS_Source1; the connection opens on the way.
std::string readSource(engine::FormData& form) {
    form.CDS_Source1.close();
    form.CDS_Source1.setCommandText("SELECT S FROM PING WHERE ID = 1");
    form.CDS_Source1.open();
    return form.CDS_Source1.fieldByName("S").asString();
}

// Fills the placeholders of a file text or message.
std::string filled(std::string text, const testsupport::TestDatabases& dbs) {
    text = replaced(std::move(text), "{DB}", dbs.sourcePath());
    text = replaced(std::move(text), "{MODULE}", testsupport::driverModulePath());
    return replaced(std::move(text), "{DIR}", dbs.folder());
}

// One row of the connection error table: the two files as written (nullopt: no file)
// and the message the first use of the connection must fail with.
struct OpenFailure {
    const char* name;
    std::optional<std::string> connections;
    std::optional<std::string> drivers;
    std::string message;
};

std::string sourceSectionWithout(const std::string& line) {
    return replaced(kSourceSection, line + "\n", "");
}
std::string driversWith(const std::string& line, const std::string& instead) {
    return replaced(kDriversSection, line + "\n", instead);
}

const OpenFailure kOpenFailures[] = {
    {"NoConnectionsFile", std::nullopt, kDriversSection,
     "Driver/Connection Registry File '{DIR}/dbxconnections.ini' not found"},
    {"NoDriversFile", kSourceSection, std::nullopt,
     "Driver/Connection Registry File '{DIR}/dbxdrivers.ini' not found"},
    {"NoSection", replaced(kSourceSection, "[Dravonel]", "[Corvane]"), kDriversSection,
     "Missing DriverName property"},
    {"NoDriverName", sourceSectionWithout("DriverName=Interbase"), kDriversSection,
     "Missing DriverName property"},
    {"BlankDriverName", replaced(kSourceSection, "DriverName=Interbase", "DriverName=  "),
     kDriversSection, "Missing DriverName property"},
    {"NoLibraryName", kSourceSection, driversWith("LibraryName={MODULE}", ""),
     "DLL/Shared Library Name not Set\n"
     "Drivers file '{DIR}/dbxdrivers.ini', section [Interbase]: LibraryName is missing or empty"},
    {"BlankLibraryName", kSourceSection, driversWith("LibraryName={MODULE}", "LibraryName= \n"),
     "DLL/Shared Library Name not Set\n"
     "Drivers file '{DIR}/dbxdrivers.ini', section [Interbase]: LibraryName is missing or empty"},
    {"NoVendorLib", kSourceSection, driversWith("VendorLib=libfbclient.so.2", ""),
     "DLL/Shared Library Name not Set\n"
     "Drivers file '{DIR}/dbxdrivers.ini', section [Interbase]: VendorLib is missing or empty"},
    {"DriverWithoutSection", replaced(kSourceSection, "DriverName=Interbase", "DriverName=Nosuch"),
     kDriversSection,
     "DLL/Shared Library Name not Set\n"
     "Drivers file '{DIR}/dbxdrivers.ini' has no section [Nosuch], the DriverName of the "
     "connection"},
    {"NoDatabase", sourceSectionWithout("Database={DB}"), kDriversSection,
     "Missing Database property"},
    {"BlankDatabase", replaced(kSourceSection, "Database={DB}", "Database=   "), kDriversSection,
     "Missing Database property"},
    // The drivers file is read before the database is checked, and the database
    // before any library is loaded.
    {"NoDatabaseNoLibrary", sourceSectionWithout("Database={DB}"),
     driversWith("LibraryName={MODULE}", ""),
     "DLL/Shared Library Name not Set\n"
     "Drivers file '{DIR}/dbxdrivers.ini', section [Interbase]: LibraryName is missing or empty"},
    {"NoDatabaseBadLibrary", sourceSectionWithout("Database={DB}"),
     driversWith("LibraryName={MODULE}", "LibraryName={DIR}/notalib.so\n"),
     "Missing Database property"},
    {"LibraryNotASharedLibrary", kSourceSection,
     driversWith("LibraryName={MODULE}", "LibraryName={DIR}/notalib.so\n"),
     "Unable to Load {DIR}/notalib.so"},
    {"LibraryMissing", kSourceSection,
     driversWith("LibraryName={MODULE}", "LibraryName= libnosuchdriver.so \n"),
     "Unable to Load libnosuchdriver.so"},
    {"EntryPointMissing", kSourceSection,
     driversWith("GetDriverFunc=getSQLDriverINTERBASE", "GetDriverFunc=getSQLDriverNOSUCH\n"),
     "Unable to Find Procedure getSQLDriverNOSUCH"},
    {"VendorLibMissing", kSourceSection,
     driversWith("VendorLib=libfbclient.so.2", "VendorLib= libnosuch.so\n"),
     "Unable to Load libnosuch.so"},
};

class ConnectionOpenFailure : public ::testing::TestWithParam<OpenFailure> {};

// Each failure reaches the operation that needed the connection with its own message
// and no component name; the connection stays closed, and once the files are right
// the next use reads them again and connects.
TEST_P(ConnectionOpenFailure, FailsWithItsMessageAndConnectsOnceTheFilesAreFixed) {
    const OpenFailure& c = GetParam();
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(dbs.folder() + "/notalib.so", "this is a text file, not a shared library\n");
    if (c.connections) writeText(connections, filled(*c.connections, dbs));
    if (c.drivers) writeText(drivers, filled(*c.drivers, dbs));

    engine::FormData form({connections, drivers});
    EXPECT_EQ(errorOf([&] { readSource(form); }), filled(c.message, dbs));
    EXPECT_FALSE(form.SQLCon_Source.connected());
    EXPECT_FALSE(form.CDS_Source1.active());
    // Asking again reads the files again: the same failure.
    EXPECT_EQ(errorOf([&] { readSource(form); }), filled(c.message, dbs));

    writeText(connections, filled(kSourceSection, dbs));
    writeText(drivers, filled(kDriversSection, dbs));
    EXPECT_EQ(readSource(form), "source");
    EXPECT_TRUE(form.SQLCon_Source.connected());
}

INSTANTIATE_TEST_SUITE_P(ErrorTable, ConnectionOpenFailure, ::testing::ValuesIn(kOpenFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// The source section with other keys in place of its Password line.
std::string sourceSectionWith(const std::string& keys) {
    return replaced(kSourceSection, "Password=olvtest\n", keys);
}

void writePasswordFile(const std::string& path, const std::string& text, mode_t mode) {
    writeText(path, text);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

// Keys refused before anything is attached: the keys in place of the Password
// line, the file {DIR}/hq.password as written with its mode (0: none), the message.
struct RefusedSetting {
    const char* name;
    std::string keys;
    const char* passwordFile;
    mode_t mode;
    std::string message;
};

const std::string kFileKey = "PasswordFile={DIR}/hq.password\n";
const std::string kOwnerOnly = "; make it readable by its owner only (chmod 600 {DIR}/hq.password)";

const RefusedSetting kRefusedSettings[] = {
    {"PasswordFileReadableByOthers", kFileKey, "olvtest\n", 0644,
     "Password file '{DIR}/hq.password' is readable by others (mode 0644)" + kOwnerOnly},
    {"PasswordFileWritableByItsGroup", kFileKey, "olvtest\n", 0620,
     "Password file '{DIR}/hq.password' is writable by others (mode 0620)" + kOwnerOnly},
    {"PasswordFileMissing", kFileKey, "", 0, "Password file '{DIR}/hq.password' not found"},
    {"PasswordFileWithAnEmptyFirstLine", kFileKey, "\nolvtest\n", 0600,
     "Password file '{DIR}/hq.password' holds no password on its first line"},
    {"PasswordAndPasswordFile", "Password=olvtest\n" + kFileKey, "olvtest\n", 0600,
     "Both Password and PasswordFile are set; remove the Password line, so that the password "
     "stays out of the connections file"},
    {"WireCryptUnknown", "Password=olvtest\nWireCrypt= Sometimes \n", "", 0,
     "Invalid WireCrypt value 'Sometimes': use Required, Enabled or Disabled"},
    {"WireCompressionUnknown", "Password=olvtest\nWireCompression=yes\n", "", 0,
     "Invalid WireCompression value 'yes': use True or False"},
    {"LockTimeoutNotSeconds", "Password=olvtest\nLock Timeout=1 minute\n", "", 0,
     "Invalid Lock Timeout value '1 minute': use a number of seconds"},
};

class ConnectionSettingRefused : public ::testing::TestWithParam<RefusedSetting> {};

TEST_P(ConnectionSettingRefused, FailsWithItsMessageBeforeAttaching) {
    const RefusedSetting& c = GetParam();
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(connections, filled(sourceSectionWith(c.keys), dbs));
    writeText(drivers, filled(kDriversSection, dbs));
    if (c.mode != 0) writePasswordFile(dbs.folder() + "/hq.password", c.passwordFile, c.mode);

    engine::FormData form({connections, drivers});
    EXPECT_EQ(errorOf([&] { readSource(form); }), filled(c.message, dbs));
    EXPECT_FALSE(form.SQLCon_Source.connected());
}

INSTANTIATE_TEST_SUITE_P(Keys, ConnectionSettingRefused, ::testing::ValuesIn(kRefusedSettings),
                         [](const auto& info) { return std::string(info.param.name); });

// The drivers file is settled at every connect: a lookup that names another file
// after a failed connect is asked again.
TEST(Connection, TheDriversFileIsLookedUpAgainAtEveryConnect) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/drivers-moved.ini";
    writeText(connections, filled(kSourceSection, dbs));
    writeText(drivers, filled(kDriversSection, dbs));
    std::string setting = dbs.folder() + "/nowhere.ini";
    db::RegistryFiles files{connections, ""};
    files.driversFileLookup = [&] { return setting; };
    engine::FormData form(files);

    EXPECT_EQ(errorOf([&] { readSource(form); }),
              "Driver/Connection Registry File '" + setting + "' not found");
    setting = drivers;
    EXPECT_EQ(readSource(form), "source");
}

// Every operation that opens a connection hands the set-up error on as it stands.
TEST(Connection, EveryOpeningOperationRaisesTheSetUpErrorWithoutPrefix) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(connections,
              filled(sourceSectionWithout("Database={DB}") +
                         replaced(sourceSectionWithout("Database={DB}"), "[Dravonel]", "[Corvane]"),
                     dbs));
    writeText(drivers, filled(kDriversSection, dbs));
    engine::FormData form({connections, drivers});

    const std::string missing = "Missing Database property";
    form.CDS_Source2.setCommandText("UPDATE PING SET S = 'x'");
    EXPECT_EQ(errorOf([&] { form.CDS_Source2.execute(); }), missing);
    form.CDS_T1.setCommandText("SELECT * FROM PING");
    EXPECT_EQ(errorOf([&] { form.CDS_T1.open(); }), missing);
    form.SQL_TQuery.addSql("UPDATE PING SET S = 'x'");
    EXPECT_EQ(errorOf([&] { form.SQL_TQuery.execSQL(); }), missing);
    EXPECT_EQ(errorOf([&] { form.SQLConnection2.startTransaction({}); }), missing);
    EXPECT_FALSE(form.SQLConnection2.inTransaction());
    for (const db::SQLConnection* c :
         {&form.SQLCon_Source, &form.SQLCon_Target, &form.SQLConnection2}) {
        EXPECT_FALSE(c->connected()) << c->name();
    }
}

TEST(Connection, EmptyConnectionNameIsRefused) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const auto [connections, drivers] = dbs.writeRegistry();
    db::SQLConnection connection("SQLCon_Nameless", "", {connections, drivers});
    db::ClientDataSet dataSet("CDS_Nameless", &connection);
    dataSet.setCommandText("SELECT * FROM PING");
    EXPECT_EQ(errorOf([&] { dataSet.open(); }), "Connection name missing");
    EXPECT_FALSE(connection.connected());
}

// With no paths given, both files are looked for beside the executable.
TEST(Connection, DefaultConnectionsFileIsBesideTheExecutable) {
    const std::string expected = base::executableDir() + "dbxconnections.ini";
    if (std::filesystem::exists(expected)) GTEST_SKIP() << expected << " exists";
    engine::FormData form(db::RegistryFiles{});
    EXPECT_EQ(errorOf([&] { readSource(form); }),
              "Driver/Connection Registry File '" + expected + "' not found");
}

// Keys in any letter case, blanks around values that are trimmed, and Windows line
// ends all give the same working connection.
TEST(Connection, KeysMatchWithoutRegardToCase) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(connections, filled("[Dravonel]\r\n"
                                  "drivername=Interbase\r\n"
                                  "DATABASE=  {DB}  \r\n"
                                  "user_NAME=OLVTEST\r\n"
                                  "PassWord=olvtest\r\n"
                                  "servercharset=UTF8\r\n"
                                  "SqlDialect=3\r\n",
                                  dbs));
    writeText(drivers, filled("[Interbase]\r\n"
                              "libraryname= {MODULE} \r\n"
                              "VENDORLIB= libfbclient.so.2 \r\n"
                              "getdriverfunc= getSQLDriverINTERBASE \r\n",
                              dbs));
    engine::FormData form({connections, drivers});
    EXPECT_EQ(readSource(form), "source");
}

TEST(IniFile, KeepsAValueWholeAndMatchesKeysWithoutCase) {
    const db::IniFile ini = db::IniFile::parse(
        "[Dravonel]\r\n"
        "Password=p;a#s=s w d\r\n"
        "; a comment line\n"
        "User_Name=OLVTEST\n"
        "\n"
        "[Corvane]\n"
        "PASSWORD=other\n");
    EXPECT_EQ(ini.value("Dravonel", "password"), "p;a#s=s w d");
    EXPECT_EQ(ini.value("Dravonel", "USER_NAME"), "OLVTEST");
    EXPECT_EQ(ini.value("Corvane", "Password"), "other");
    EXPECT_EQ(ini.value("Dravonel", "Database"), std::nullopt);
    EXPECT_EQ(ini.value("Nosuch", "Password"), std::nullopt);
}

// Over TCP to the loopback server, which checks passwords (the embedded engine
// does not).
class ServerConnection : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testsupport::loopbackServerAvailable()) {
            GTEST_SKIP() << "no Firebird server listens on 127.0.0.1:3050";
        }
    }
};

TEST_F(ServerConnection, ConnectsOverTcpAndEmbeddedAtOnce) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const auto [connections, drivers] =
        dbs.writeRegistry({.sourceDatabase = "localhost:" + dbs.sourcePath()});
    engine::FormData form({connections, drivers});

    EXPECT_EQ(readSource(form), "source");
    form.CDS_T1.setCommandText("SELECT S FROM PING WHERE ID = 1");
    form.CDS_T1.open();
    EXPECT_EQ(form.CDS_T1.fieldByName("S").asString(), "target");

    form.CDS_Source2.setCommandText("UPDATE PING SET S = 'written' WHERE ID = 1");
    form.CDS_Source2.execute();
    dbs.attachThroughServer(true);
    EXPECT_EQ(dbs.querySource("SELECT S FROM PING"), (testsupport::Rows{{"written"}}));
}

TEST_F(ServerConnection, WrongPasswordIsRefusedWithTheServersMessage) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(drivers, filled(kDriversSection, dbs));
    const std::string tcpSection =
        replaced(kSourceSection, "Database={DB}", "Database=localhost:{DB}");
    engine::FormData form({connections, drivers});

    // A password is everything after the '=': cut at ';', '#' or a blank, each of
    // these would be the right one.
    for (const char* wrong : {"wrong", "olvtest;x", "olvtest#x", "olvtest x", "olvtest=x"}) {
        SCOPED_TRACE(wrong);
        writeText(connections,
                  filled(replaced(tcpSection, "Password=olvtest", std::string("Password=") + wrong),
                         dbs));
        EXPECT_THAT(errorOf([&] { readSource(form); }),
                    StartsWith("Your user name and password are not defined"));
        EXPECT_FALSE(form.SQLCon_Source.connected());
    }

    // The key in another case still carries the password.
    writeText(connections, filled(replaced(tcpSection, "Password=", "PASSWORD="), dbs));
    EXPECT_EQ(readSource(form), "source");
}

// The source section over the loopback server, with keys in place of its Password line.
std::string serverSectionWith(const std::string& keys) {
    return replaced(sourceSectionWith(keys), "Database={DB}", "Database=localhost:{DB}");
}

// A relative PasswordFile is found beside the connections file, its links resolved
// (as through the package's link into /etc/olvarin); only its first line counts.
TEST_F(ServerConnection, PasswordFileGivesThePassword) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string etc = dbs.folder() + "/etc", lib = dbs.folder() + "/lib";
    std::filesystem::create_directories(etc);
    std::filesystem::create_directories(lib);
    writeText(etc + "/dbxconnections.ini",
              filled(serverSectionWith("PasswordFile=hq.password\n"), dbs));
    std::filesystem::create_symlink(etc + "/dbxconnections.ini", lib + "/dbxconnections.ini");
    writePasswordFile(etc + "/hq.password", "olvtest\r\nnot the password\n", 0600);
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(drivers, filled(kDriversSection, dbs));

    engine::FormData form({lib + "/dbxconnections.ini", drivers});
    EXPECT_EQ(readSource(form), "source");
}

// With Password empty and no PasswordFile, the Firebird client takes ISC_PASSWORD.
TEST_F(ServerConnection, EmptyPasswordTakesIscPasswordFromTheEnvironment) {
    if (std::getenv("ISC_PASSWORD")) GTEST_SKIP() << "ISC_PASSWORD is set already";
    struct Unset {
        ~Unset() { ::unsetenv("ISC_PASSWORD"); }
    } unset;
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(connections, filled(serverSectionWith("Password=\n"), dbs));
    writeText(drivers, filled(kDriversSection, dbs));
    engine::FormData form({connections, drivers});

    ::setenv("ISC_PASSWORD", "not-the-password", 1);
    EXPECT_THAT(errorOf([&] { readSource(form); }),
                StartsWith("Your user name and password are not defined"));
    ::setenv("ISC_PASSWORD", "olvtest", 1);
    EXPECT_EQ(readSource(form), "source");
}

// What an attachment says of its own link: encrypted and compressed, "TRUE" or
// "FALSE" (empty on an embedded attachment, which has no link).
using Wire = std::pair<std::string, std::string>;
Wire wireOf(db::ClientDataSet& dataSet) {
    dataSet.close();
    dataSet.setCommandText(
        "SELECT RDB$GET_CONTEXT('SYSTEM', 'WIRE_ENCRYPTED') AS E, "
        "RDB$GET_CONTEXT('SYSTEM', 'WIRE_COMPRESSED') AS C FROM RDB$DATABASE");
    dataSet.open();
    return {dataSet.fieldByName("E").asString(), dataSet.fieldByName("C").asString()};
}

TEST_F(ServerConnection, WireKeysReachTheClientAsItsConfiguration) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string connections = dbs.folder() + "/dbxconnections.ini";
    const std::string drivers = dbs.folder() + "/dbxdrivers.ini";
    writeText(drivers, filled(kDriversSection, dbs));
    // The embedded branch beside headquarters takes the same keys.
    const std::string branch =
        replaced(replaced(kSourceSection, "[Dravonel]", "[Corvane]"), "{DB}", dbs.targetPath());
    auto linkWith = [&](const std::string& keys) {
        writeText(connections,
                  filled(serverSectionWith("Password=olvtest\n" + keys) + branch + keys, dbs));
        return std::make_unique<engine::FormData>(db::RegistryFiles{connections, drivers});
    };

    // Firebird's default: not compressed.
    EXPECT_EQ(wireOf(linkWith("")->CDS_Source1).second, "FALSE");
    EXPECT_EQ(wireOf(linkWith("WireCrypt=Required\nWireCompression=False\n")->CDS_Source1),
              Wire("TRUE", "FALSE"));
    const auto form = linkWith("WireCrypt=Required\nWireCompression=True\n");
    EXPECT_EQ(wireOf(form->CDS_Source1), Wire("TRUE", "TRUE"));
    EXPECT_EQ(wireOf(form->CDS_T1), Wire("", ""));

    // A client that will not encrypt: refused by a server that requires it
    // (Firebird's default), else given a plain link.
    try {
        EXPECT_EQ(wireOf(linkWith("WireCrypt=Disabled\n")->CDS_Source1).first, "FALSE");
    } catch (const db::Error& e) {
        EXPECT_THAT(
            e.what(),
            HasSubstr("Incompatible wire encryption levels requested on client and server"));
    }
}

// Nothing listens on the port: the client's own message, and the next use tries again.
TEST(Connection, UnreachableServerGivesTheClientsMessageAndIsTriedAgain) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const auto [connections, drivers] =
        dbs.writeRegistry({.sourceDatabase = "localhost/3059:" + dbs.sourcePath()});
    engine::FormData form({connections, drivers});

    const std::string message = errorOf([&] { readSource(form); });
    EXPECT_THAT(message, StartsWith("Unable to complete network request to host \"localhost\""));
    EXPECT_THAT(message, HasSubstr("Failed to establish a connection"));
    EXPECT_FALSE(form.SQLCon_Source.connected());

    dbs.writeRegistry();
    EXPECT_EQ(readSource(form), "source");
}

// An embedded path to no database: the engine's message, connection closed.
TEST(Connection, MissingDatabaseFileGivesTheEnginesMessage) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const std::string nosuch = dbs.folder() + "/nosuch.fdb";
    const auto [connections, drivers] = dbs.writeRegistry({.sourceDatabase = nosuch});
    engine::FormData form({connections, drivers});
    const std::string message = errorOf([&] { readSource(form); });
    EXPECT_THAT(message, HasSubstr("I/O error"));
    EXPECT_THAT(message, HasSubstr(nosuch));
    EXPECT_FALSE(form.SQLCon_Source.connected());
    EXPECT_FALSE(std::filesystem::exists(nosuch));
}

// Once open, a connection stays open: a changed file does not matter until the next
// connect, and closing a dataset keeps the connection.
TEST(Connection, StaysOpenWhenItsDatasetCloses) {
    testsupport::TestDatabases dbs(kSourceSql, kTargetSql);
    const auto [connections, drivers] = dbs.writeRegistry();
    engine::FormData form({connections, drivers});
    EXPECT_EQ(readSource(form), "source");
    form.CDS_Source1.close();
    writeText(connections, "[Dravonel]\n");
    EXPECT_TRUE(form.SQLCon_Source.connected());
    EXPECT_EQ(readSource(form), "source");
    // The other connections were never needed.
    EXPECT_FALSE(form.SQLCon_Target.connected());
    EXPECT_FALSE(form.SQLConnection2.connected());
}

}  // namespace
