// The reasons shown for a failure are the user's words, never curl's internals.
#include "ftp/failure_reason.h"

#include <gtest/gtest.h>

namespace {

TEST(FailureReason, ABrokenConnectionIsNamedPlainlyWhateverCurlAdds) {
    const std::string internal = "sa_addr inet_ntop() failed with errno 97: Address family not supported";
    for (const CURLcode code : {CURLE_SEND_ERROR, CURLE_RECV_ERROR, CURLE_GOT_NOTHING, CURLE_PARTIAL_FILE}) {
        EXPECT_EQ(DescribeFailure({code, internal, "", "", false}, ""), "the server closed the connection")
            << code;
    }
    // A reply the server gave still says more than any guess.
    EXPECT_EQ(DescribeFailure({CURLE_RECV_ERROR, internal, "426 Transfer aborted.", "", false}, ""),
              "426 Transfer aborted.");
    // Any other failure falls back to the code's general text, never to curl's message of the moment.
    const std::string other = DescribeFailure({CURLE_FTP_WEIRD_PASV_REPLY, internal, "", "", false}, "");
    EXPECT_EQ(other.find("errno"), std::string::npos) << other;
    EXPECT_EQ(other, curl_easy_strerror(CURLE_FTP_WEIRD_PASV_REPLY));
    EXPECT_EQ(DescribeFailure({CURLE_OPERATION_TIMEDOUT, internal, "", "", true}, ""), "timed out");
}

}  // namespace
