// The update check: the user agent, the request, and the redirect handling,
// against a loopback server that answers 302, 200 or nothing.
#include "loopbackserver.h"
#include "updatecheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

HostInfo sampleHost() {
    HostInfo host{};
    std::strcpy(host.sysname, "Linux");
    std::strcpy(host.release, "6.1.0-18-amd64");
    std::strcpy(host.machine, "x86_64");
    return host;
}

TEST(UpdateUserAgent, BuildDateGivesYearMonthFromZeroAndDay) {
    const HostInfo host = sampleHost();
    EXPECT_EQ(kvltUpdateUserAgent("Strovane Offline Scanner", "Feb  9 2022", host),
              "Strovane Offline Scanner/2022-1-9 (Linux 6.1.0-18-amd64 x86_64)");
    EXPECT_EQ(kvltUpdateUserAgent("Strovane Offline Scanner", "Jan 31 2023", host),
              "Strovane Offline Scanner/2023-0-31 (Linux 6.1.0-18-amd64 x86_64)");
    EXPECT_EQ(kvltUpdateUserAgent("App", "Dec 25 1999", host),
              "App/1999-11-25 (Linux 6.1.0-18-amd64 x86_64)");
}

TEST(UpdateUserAgent, UnparsedPartsStayZero) {
    const HostInfo host = sampleHost();
    // A year of 0 in the broken-down time is 1900.
    EXPECT_EQ(kvltUpdateUserAgent("App", "", host), "App/1900-0-0 (Linux 6.1.0-18-amd64 x86_64)");
    EXPECT_EQ(kvltUpdateUserAgent("App", "Feb 30", host),
              "App/1900-1-30 (Linux 6.1.0-18-amd64 x86_64)");
}

TEST(UpdateHost, OnlyPlainHostsAndPortsAreAccepted) {
    for (const char* good :
         {"update.orvalen.com", "127.0.0.1:8080", "[::1]:80", "[::1]", "a-b.example"})
        EXPECT_TRUE(kvltIsValidUpdateHost(good)) << good;
    for (const char* bad : {"", "host/path", "host?x=1", "user@host", "host:0", "host:70000",
                            "host:", ":80", "host name", "http://host", "[::1", "[::1]x"})
        EXPECT_FALSE(kvltIsValidUpdateHost(bad)) << bad;
}

class UpdateCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(proxy);
    }
    const std::string agent = "Strovane Offline Scanner/2022-1-9 (Linux 6.1.0 x86_64)";
};

TEST_F(UpdateCheckTest, RedirectStoresExactlyTheAddress) {
    LoopbackServer server(
        "HTTP/1.1 302 Found\r\nServer: test\r\nLocation: https://updates.example/kvlt/2.1\r\n"
        "Content-Length: 5\r\n\r\nmoved");
    std::string location = "before";
    EXPECT_EQ(kvltCheckForUpdate(server.hostAndPort(), agent, location), 302);
    server.finish();
    EXPECT_EQ(location, "https://updates.example/kvlt/2.1");
    EXPECT_EQ(server.connections(), 1);
    // What the server saw: one plain GET of version.cgi with our user agent.
    const std::string& request = server.request();
    EXPECT_EQ(request.rfind("GET /version.cgi HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: " + agent + "\r\n"), std::string::npos) << request;
    EXPECT_EQ(request.find("Authorization"), std::string::npos);
}

struct NoStoreCase {
    const char* name;
    const char* reply;
    long status;
};

class UpdateCheckNoStoreTest : public UpdateCheckTest,
                               public ::testing::WithParamInterface<NoStoreCase> {};

TEST_P(UpdateCheckNoStoreTest, LocationIsLeftAsItWas) {
    LoopbackServer server(GetParam().reply);
    std::string location = "unchanged";
    EXPECT_EQ(kvltCheckForUpdate(server.hostAndPort(), agent, location), GetParam().status);
    server.finish();
    EXPECT_EQ(location, "unchanged");
    EXPECT_EQ(server.connections(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, UpdateCheckNoStoreTest,
    ::testing::Values(
        NoStoreCase{
            "Ok",
            "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nLocation: http://no/\r\n\r\nhello world",
            200},
        NoStoreCase{"MovedPermanently",
                    "HTTP/1.1 301 Moved\r\nLocation: http://no/\r\nContent-Length: 0\r\n\r\n", 301},
        NoStoreCase{"LowerCaseHeader",
                    "HTTP/1.1 302 Found\r\nlocation: http://no/\r\nContent-Length: 0\r\n\r\n", 302},
        NoStoreCase{"NoLocation", "HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n", 302},
        NoStoreCase{"BareLineFeeds",
                    "HTTP/1.1 302 Found\nLocation: http://no/\nContent-Length: 0\n\n", 302},
        NoStoreCase{"Garbage", "this is not http\r\n\r\n", 0}),
    [](const ::testing::TestParamInfo<NoStoreCase>& info) { return std::string(info.param.name); });

TEST_F(UpdateCheckTest, SilentServerIsGivenUpOnByTheTimeOuts) {
    // The server accepts and never answers; it waits up to 20 s for the client
    // to give up first, which only the time-outs make it do.
    LoopbackServer server("", 20000);
    std::string location = "unchanged";
    EXPECT_EQ(kvltCheckForUpdate(server.hostAndPort(), agent, location), 0);
    server.finish();
    EXPECT_EQ(location, "unchanged");
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(server.clientHungUp()) << "the check hung up before the server gave up";
}

TEST_F(UpdateCheckTest, RefusedConnectionAndBadHostsEndQuietly) {
    std::string location = "unchanged";
    EXPECT_EQ(
        kvltCheckForUpdate("127.0.0.1:" + std::to_string(closedLoopbackPort()), agent, location),
        0);
    EXPECT_EQ(kvltCheckForUpdate("127.0.0.1/evil?", agent, location), 0);
    EXPECT_EQ(location, "unchanged");
}

} // namespace
