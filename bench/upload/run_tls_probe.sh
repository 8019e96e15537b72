#!/usr/bin/env bash
# What one FTPS data connection costs the client, by TLS library and setting, run by hand:
#     bench/upload/run_tls_probe.sh [COUNT]        (default: 30 files)
# Builds tls_cost_probe.c against Debian's libcurl with OpenSSL and, where installed, its GnuTLS
# build (libcurl3-gnutls), and sends COUNT files of 64 KB over one FTPS login to vsftpd on
# 127.0.0.1 with each: plain FTP for comparison, TLS 1.2 trusting the server's own certificate, then a file as big as the
# system's bundle (145 certificates) kept for the run as galvane-publish keeps it, then the same
# file read again for every connection (Debian's default CA folder named too, "capath"), then
# TLS 1.3. Prints CPU milliseconds per file and the files that failed.
# Needs a C compiler, vsftpd and python3-openssl (scripts/setup).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
count=${1:-30}
# shellcheck source=bench/upload/vsftpd_fixture.sh
source "$root/bench/upload/vsftpd_fixture.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/galvane-tls-probe-XXXXXX")
vspid=""
cleanup() {
    [ -n "$vspid" ] && kill "$vspid" 2>/dev/null && wait "$vspid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

start_vsftpd "$work"
cat /etc/ssl/certs/ca-certificates.crt "$work/cert.pem" >"$work/bundle.pem"
url="ftp://127.0.0.1:$vsport/site/"
cc -O2 -o "$work/probe-openssl" "$root/bench/upload/tls_cost_probe.c" -lcurl
probes=("$work/probe-openssl")
gnutls=/usr/lib/x86_64-linux-gnu/libcurl-gnutls.so.4
if [ -e "$gnutls" ]; then
    cc -O2 -o "$work/probe-gnutls" "$root/bench/upload/tls_cost_probe.c" "$gnutls"
    probes+=("$work/probe-gnutls")
fi
echo "$count files of 64 KB over one login to vsftpd, CPU of the client"
for probe in "${probes[@]}"; do
    for variant in "cert.pem plain" "cert.pem" "bundle.pem" "bundle.pem capath" "cert.pem tls13"; do
        find "$work/vsroot/site" -mindepth 1 -delete
        # shellcheck disable=SC2086
        "$probe" "$url" "$count" $work/$variant 2>/dev/null
    done
done
