// The entry point and connecting: embedded, over TCP, and the server's refusals.
#include "tests/db/FirebirdDriverTestFixture.h"
#include "tests/support/StalledServer.h"

namespace fbtest {
namespace {

TEST(FirebirdDriverEntryPoint, VendorLibraryThatCannotBeLoadedGivesUnableToLoad) {
    DriverModule module;
    db::Driver* driver = reinterpret_cast<db::Driver*>(0x1);
    char message[128] = "untouched";
    const int rc = module.entry()("nosuchlib.so", "", &driver, message, sizeof message);
    EXPECT_NE(rc, 0);
    EXPECT_STREQ(message, "Unable to Load nosuchlib.so");
    EXPECT_EQ(driver, nullptr);
}

TEST(FirebirdDriverEntryPoint, LibraryWithoutTheMasterInterfaceGivesUnableToLoad) {
    DriverModule module;
    db::Driver* driver = nullptr;
    char message[128] = "";
    EXPECT_NE(module.entry()("libm.so.6", "", &driver, message, sizeof message), 0);
    EXPECT_STREQ(message, "Unable to Load libm.so.6");
}

TEST(FirebirdDriverEntryPoint, MessageIsCutToTheBufferGiven) {
    DriverModule module;
    db::Driver* driver = nullptr;
    char message[8];
    EXPECT_NE(module.entry()("nosuchlib.so", "", &driver, message, sizeof message), 0);
    EXPECT_STREQ(message, "Unable ");  // 7 characters and the terminator
}

TEST(FirebirdDriverEntryPoint, NormalVendorLibraryGivesADriver) {
    DriverModule module;
    db::Driver* driver = nullptr;
    char message[128] = "x";
    ASSERT_EQ(module.entry()("libfbclient.so.2", "", &driver, message, sizeof message), 0)
        << message;
    ASSERT_NE(driver, nullptr);
    std::unique_ptr<db::Driver> owned(driver);
    EXPECT_NE(owned->createConnection(), nullptr);
}

class FirebirdDriverConnect : public DriverTest {};

TEST_F(FirebirdDriverConnect, EmbeddedToAFilePath) {
    auto c = connectTarget();
    EXPECT_TRUE(c->isConnected());
    EXPECT_FALSE(c->inTransaction());
    EXPECT_TRUE(c->supportsMultipleTransactions());
    auto rows = fetchAll(*c, "SELECT CURRENT_USER FROM RDB$DATABASE");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].asText(), "OLVTEST");
    c->disconnect();
    EXPECT_FALSE(c->isConnected());
    c->disconnect();  // twice is harmless
}

TEST_F(FirebirdDriverConnect, WithoutCharsetOrRoleOrUser) {
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    o.charset.clear();
    o.role.clear();
    auto c = connectTarget(&o);
    auto rows = fetchAll(*c,
                         "SELECT MON$CHARACTER_SET_ID FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID "
                         "= CURRENT_CONNECTION");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].asInt64(), 0);  // NONE
}

TEST_F(FirebirdDriverConnect, ConnectionTimeoutAndOtherExtraKeysAreAccepted) {
    db::ConnectOptions o = optionsFor(databases_.targetPath());
    o.extra = {{"Connection Timeout", "5"}, {"HostName", "x"}, {"Connection Timeout", "abc"}};
    auto c = connectTarget(&o);
    EXPECT_TRUE(c->isConnected());
}

TEST_F(FirebirdDriverConnect, MissingFileGivesFirebirdsMessage) {
    try {
        auto c = connectTarget(
            &static_cast<const db::ConnectOptions&>(optionsFor(databases_.folder() + "/none.fdb")));
        FAIL() << "connected";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("I/O error during \"open\" operation for file"),
                  std::string::npos)
            << e.what();
    }
}

TEST_F(FirebirdDriverConnect, OperationsOnAClosedConnectionFail) {
    auto c = module_.driver().createConnection();
    EXPECT_FALSE(c->isConnected());
    EXPECT_THROW(c->prepare("SELECT 1 FROM RDB$DATABASE"), db::Error);
    EXPECT_THROW(c->startTransaction(db::Isolation::ReadCommitted), db::Error);
    EXPECT_NO_THROW(c->endImplicitTransaction());
    EXPECT_FALSE(c->inTransaction());
}

TEST_F(FirebirdDriverConnect, StatementOutlivingItsConnectionFailsCleanly) {
    auto c = connectTarget();
    auto statement = c->prepare("INSERT INTO T (ID) VALUES (1)");
    c->disconnect();
    EXPECT_THROW(statement->execute({}), db::Error);
    statement.reset();  // and is destroyed without trouble
}

TEST_F(FirebirdDriverConnect, UnreachableHostGivesFirebirdsMessage) {
    db::ConnectOptions o = optionsFor("nosuchhost.invalid:/x.fdb");
    auto c = module_.driver().createConnection();
    try {
        c->connect(o);
        FAIL() << "connected";
    } catch (const db::Error& e) {
        const std::string m = e.what();
        EXPECT_EQ(m,
                  "Unable to complete network request to host \"nosuchhost.invalid\".\n"
                  "-Failed to locate host machine.\n"
                  "-The specified name was not found in the hosts file or Domain Name Services.");
    }
    EXPECT_FALSE(c->isConnected());
}

// A headquarters that takes the connection and never answers: the connect gives up
// at the Connection Timeout, saying so before Firebird's own message.
TEST_F(FirebirdDriverConnect, StalledServerEndsAtTheConnectionTimeoutAndSaysSo) {
    const testsupport::StalledServer stalled;
    db::ConnectOptions o = optionsFor(stalled.databaseName("/hq.fdb"));
    o.extra = {{"Connection Timeout", "2"}};
    auto c = module_.driver().createConnection();
    try {
        c->connect(o);
        FAIL() << "connected";
    } catch (const db::Error& e) {
        const std::string m = e.what();
        const std::string said = "The server localhost/" + std::to_string(stalled.port()) +
                                 " did not answer within 2 seconds (Connection Timeout)\n";
        EXPECT_EQ(m.rfind(said, 0), 0u) << m;
        EXPECT_GT(m.size(), said.size()) << m;  // the database's own message follows
        EXPECT_EQ(e.kind(), db::ErrorKind::LinkFailed);
    }
    EXPECT_FALSE(c->isConnected());
}

class FirebirdDriverConnectTcp : public DriverTest {
  protected:
    void SetUp() override {
        if (!testsupport::loopbackServerAvailable())
            GTEST_SKIP() << "no Firebird server on 127.0.0.1:3050 (scripts/fbserver.sh start)";
    }
};

TEST_F(FirebirdDriverConnectTcp, ToTheLoopbackServer) {
    db::ConnectOptions o = optionsFor("localhost:" + databases_.targetPath());
    auto c = connectTarget(&o);
    auto insert = c->prepare("INSERT INTO T (ID, NAME) VALUES (?, ?)");
    EXPECT_EQ(insert->execute(params({db::Value::integer(7), db::Value::text("über TCP")})), 1u);
    auto rows = fetchAll(*c,
                         "SELECT NAME, MON$REMOTE_PROTOCOL FROM T CROSS JOIN MON$ATTACHMENTS "
                         "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].asText(), "über TCP");
    EXPECT_FALSE(rows[0][1].isNull());  // a remote attachment
    c->disconnect();
    databases_.attachThroughServer(true);
    EXPECT_EQ(databases_.queryTarget("SELECT ID, NAME FROM T"),
              (testsupport::Rows{{"7", "über TCP"}}));
}

TEST_F(FirebirdDriverConnectTcp, WrongPasswordGivesFirebirdsMessage) {
    db::ConnectOptions o = optionsFor("localhost:" + databases_.targetPath());
    o.password = "wrong";
    auto c = module_.driver().createConnection();
    try {
        c->connect(o);
        FAIL() << "connected";
    } catch (const db::Error& e) {
        EXPECT_STREQ(e.what(),
                     "Your user name and password are not defined. Ask your database administrator "
                     "to set up a Firebird login.");
    }
    EXPECT_FALSE(c->isConnected());
}

}  // namespace
}  // namespace fbtest
