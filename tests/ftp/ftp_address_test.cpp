#include "ftp/ftp_address.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseServerText, ReadsHostAndOptionalPort) {
    const auto plain = ParseServerText("ftp.example.com");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "ftp.example.com");
    EXPECT_EQ(plain->port, 21);

    const auto withPort = ParseServerText("127.0.0.1:2121");
    ASSERT_TRUE(withPort);
    EXPECT_EQ(withPort->host, "127.0.0.1");
    EXPECT_EQ(withPort->port, 2121);

    const auto bracketed = ParseServerText("[::1]:65535");
    ASSERT_TRUE(bracketed);
    EXPECT_EQ(bracketed->host, "::1");
    EXPECT_EQ(bracketed->port, 65535);

    const auto bareV6 = ParseServerText("fe80::1");
    ASSERT_TRUE(bareV6);
    EXPECT_EQ(bareV6->port, 21);

    EXPECT_TRUE(
        ParseServerText("b\xC3\xBC"
                        "cher.example"));  // an international name
}

TEST(ParseServerText, RefusesTextsThatCannotNameAServer) {
    for (const char* text :
         {"", "host:", "host:0", "host:65536", "host:21x", "host:-1", "a b", "user@host", "host/path",
          "host?x", "host#x", "host\r\n", "[::1", "[::1]x", "[host]:21", "::g"}) {
        EXPECT_FALSE(ParseServerText(text)) << text;
    }
}

TEST(ServerUrl, PutsIpv6HostsInBrackets) {
    EXPECT_EQ(ServerUrl({"ftp.example.com", 21}), "ftp://ftp.example.com:21/");
    EXPECT_EQ(ServerUrl({"::1", 2121}), "ftp://[::1]:2121/");
}

TEST(EncodeUrlPath, KeepsSlashesAndUnreservedCharactersAndEncodesEveryOtherByte) {
    EXPECT_EQ(EncodeUrlPath("a/B-1._~"), "a/B-1._~");
    EXPECT_EQ(EncodeUrlPath("my photo.jpg"), "my%20photo.jpg");
    EXPECT_EQ(EncodeUrlPath("#50% off;type=a?"), "%2350%25%20off%3Btype%3Da%3F");
    EXPECT_EQ(EncodeUrlPath("\xC3\xA9t\xC3\xA9"), "%C3%A9t%C3%A9");
    EXPECT_EQ(EncodeUrlPath(std::string("\0\xFF", 2)), "%00%FF");
}

TEST(HasControlCharacters, FindsLineBreaksAndOtherControls) {
    EXPECT_FALSE(HasControlCharacters("plain name \xC3\xA9.jpg"));
    EXPECT_TRUE(HasControlCharacters("a\r\nb"));
    EXPECT_TRUE(HasControlCharacters("tab\there"));
    EXPECT_TRUE(HasControlCharacters(std::string("nul\0", 4)));
    EXPECT_TRUE(HasControlCharacters("del\x7F"));
}

}  // namespace
