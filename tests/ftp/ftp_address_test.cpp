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

TEST(ParseServerText, ReadsTheSchemeAndItsDefaultPort) {
    struct Case {
        const char* text;
        FtpScheme scheme;
        const char* host;
        int port;
    };
    for (const Case& c : {Case{"ftp://example.com", FtpScheme::Ftp, "example.com", 21},
                          Case{"FTPS://example.com:990/", FtpScheme::Ftps, "example.com", 990},
                          Case{"ftps://example.com", FtpScheme::Ftps, "example.com", 21},
                          Case{"sftp://example.com", FtpScheme::Sftp, "example.com", 22},
                          Case{"sftp://[::1]:2222", FtpScheme::Sftp, "::1", 2222},
                          Case{"sftp://[::1]", FtpScheme::Sftp, "::1", 22},
                          Case{"example.com", FtpScheme::Ftp, "example.com", 21}}) {
        const auto address = ParseServerText(c.text);
        ASSERT_TRUE(address) << c.text;
        EXPECT_EQ(address->scheme, c.scheme) << c.text;
        EXPECT_EQ(address->host, c.host) << c.text;
        EXPECT_EQ(address->port, c.port) << c.text;
    }
    for (const char* text : {"http://example.com", "ftp://", "sftp://user@host", "ftps://host/pub",
                             "ftp:/host", "ftps://host//", "scp://host"}) {
        EXPECT_FALSE(ParseServerText(text)) << text;
    }
    EXPECT_EQ(ServerUrl(*ParseServerText("sftp://h:2022")), "sftp://h:2022/");
    EXPECT_EQ(ServerUrl(*ParseServerText("ftps://h")), "ftp://h:21/");
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
