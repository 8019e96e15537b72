/* What each TLS data connection costs the client, by libcurl build and setting, run by hand from
 * run_tls_probe.sh. Sends COUNT files of 64 KB over one FTPS login (passive, TLS 1.2 unless told
 * otherwise) and prints the process's CPU time per file after the first, which carries the login,
 * and the files that failed. curl_easy_perform's waits make the wall time meaningless here.
 *     tls_cost_probe URL COUNT CA_FILE [tls13] [capath] [plain]
 * "tls13" allows TLS 1.3; "capath" keeps the CA folder that Debian's libcurl names by default;
 * "plain" sends the same over plain FTP, for comparison. */
#include <curl/curl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static char content[65536];

struct reader {
    size_t offset;
};

static size_t read_content(char* buffer, size_t size, size_t count, void* data) {
    struct reader* reader = data;
    size_t left = sizeof content - reader->offset;
    size_t chunk = size * count < left ? size * count : left;
    memcpy(buffer, content + reader->offset, chunk);
    reader->offset += chunk;
    return chunk;
}

static double cpu_seconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s URL COUNT CA_FILE [tls13] [capath]\n", argv[0]);
        return 2;
    }
    int tls13 = 0, capath = 0, plain = 0;
    for (int i = 4; i < argc; i++) {
        tls13 |= strcmp(argv[i], "tls13") == 0;
        capath |= strcmp(argv[i], "capath") == 0;
        plain |= strcmp(argv[i], "plain") == 0;
    }
    const int count = atoi(argv[2]);
    if (count < 2) {
        fprintf(stderr, "COUNT must be at least 2\n");
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_USERNAME, "anonymous");
    curl_easy_setopt(easy, CURLOPT_PASSWORD, "x");
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, read_content);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, (curl_off_t)sizeof content);
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, (long)CURLFTPMETHOD_SINGLECWD);
    curl_easy_setopt(easy, CURLOPT_USE_SSL, plain ? (long)CURLUSESSL_NONE : (long)CURLUSESSL_ALL);
    curl_easy_setopt(easy, CURLOPT_FTPSSLAUTH, (long)CURLFTPAUTH_TLS);
    curl_easy_setopt(easy, CURLOPT_SSLVERSION,
                     tls13 ? (long)CURL_SSLVERSION_TLSv1_2
                           : (long)(CURL_SSLVERSION_TLSv1_2 | CURL_SSLVERSION_MAX_TLSv1_2));
    curl_easy_setopt(easy, CURLOPT_CAINFO, argv[3]);
    if (!capath) {
        curl_easy_setopt(easy, CURLOPT_CAPATH, NULL);
    }
    int failed = 0;
    double start = cpu_seconds();
    for (int i = 0; i < count; i++) {
        if (i == 1) {
            start = cpu_seconds();  // the login and its full handshake went with the first file
        }
        char url[1024];
        snprintf(url, sizeof url, "%sprobe%04d.bin", argv[1], i);
        struct reader reader = {0};
        curl_easy_setopt(easy, CURLOPT_URL, url);
        curl_easy_setopt(easy, CURLOPT_READDATA, &reader);
        failed += curl_easy_perform(easy) != CURLE_OK;
    }
    const double spent = cpu_seconds() - start;
    curl_easy_cleanup(easy);
    const char* name = strrchr(argv[3], '/');
    printf("%-16s %-8s %-10s %-7s %6.2f ms CPU a file, %d of %d failed\n",
           curl_version_info(CURLVERSION_NOW)->ssl_version,
           plain   ? "no TLS"
           : tls13 ? "TLS 1.3"
                   : "TLS 1.2",
           plain  ? ""
           : name ? name + 1
                  : argv[3],
           capath ? "capath" : "", spent * 1000 / (count - 1), failed, count);
    return 0;
}
