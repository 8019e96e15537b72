#!/usr/bin/env bash
# Benchmark of sending only what changed, and of FTPS, run by hand (not by CTest):
#     bench/upload/run_resend_bench.sh [BUILD_DIR]        (default: build)
# In one run, on 127.0.0.1:
#   1. 1,000 files of 4 KB, uploaded once; then the second upload of the unchanged folder by
#      galvane-publish, beside lftp's "mirror -R --only-newer" (the anchor), on the test FTP server
#      (tests/support/ftp_server.py, which has MLSD and MFMT).
#   2. A first upload of 200 files of 64 KB over FTPS to vsftpd (TLS required, certificate made
#      here), beside lftp over FTPS (the anchor), and beside our plain FTP upload to the same vsftpd.
# Prints the best of REPEAT runs (default 3) and the ratios. Targets: the unchanged re-upload at
# most as long as lftp's and under 1 s; FTPS within 1.5x of plain FTP.
# Needs lftp (scripts/setup --bench) and vsftpd, python3-openssl (scripts/setup).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
repeat=${REPEAT:-3}
python=/usr/bin/python3
publish=$build/bin/galvane-publish
# shellcheck source=bench/upload/vsftpd_fixture.sh
source "$root/bench/upload/vsftpd_fixture.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/galvane-resend-bench-XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

seconds_of() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "$* failed" >&2; exit 1; }
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

make_files() {  # FOLDER COUNT SIZE
    "$python" - "$@" <<'PY'
import os, sys
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
os.makedirs(folder, exist_ok=True)
for i in range(count):
    with open(os.path.join(folder, "file%04d.bin" % i), "wb") as f:
        f.write(os.urandom(size))
PY
}

# 1. The unchanged re-upload.
make_files "$work/gallery" 1000 4096
mkdir -p "$work/home"
login=bench
password="bench-$RANDOM-$RANDOM"
FTP_FIXTURE_PASSWORD=$password "$python" "$root/tests/support/ftp_server.py" \
    --home "$work/home" --user "$login" >"$work/port" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -n1 "$work/port")

ours_again() {
    GALVANE_FTP_PASSWORD=$password "$publish" --upload-only "$work/gallery" \
        --ftp-server "127.0.0.1:$port" --ftp-login "$login"
}
lftp_again() {
    LFTP_PASSWORD=$password lftp --norc -u "$login" --env-password -p "$port" 127.0.0.1 \
        -e "set ftp:passive-mode off; set net:max-retries 1; mirror -R --only-newer $work/gallery /; quit"
}
ours_again >/dev/null 2>&1  # the first upload; every later one finds the files unchanged
[ "$(find "$work/home" -type f | wc -l)" = 1000 ] || { echo "the first upload did not arrive" >&2; exit 1; }
GALVANE_FTP_PASSWORD=$password "$publish" --upload-only "$work/gallery" --ftp-server "127.0.0.1:$port" \
    --ftp-login "$login" | grep -q "0 sent, 1000 unchanged" || { echo "files were sent again" >&2; exit 1; }
anchor=""
ours=""
for _ in $(seq "$repeat"); do
    anchor=$(smaller "$(seconds_of lftp_again)" "$anchor")
    ours=$(smaller "$(seconds_of ours_again)" "$ours")
done
echo "second upload of an unchanged folder of 1000 files, best of $repeat"
echo "  lftp mirror -R --only-newer (anchor)   $anchor s"
echo "  galvane-publish --upload-only          $ours s   ratio $(ratio "$ours" "$anchor")"

# 2. FTPS first upload, to vsftpd.
make_files "$work/pictures" 200 65536
root_dir=$work/vsroot
start_vsftpd "$work"
pids+=("$vspid")

clear_site() { find "$root_dir/site" -mindepth 1 -delete; }
ours_ftps() {
    clear_site
    GALVANE_FTP_PASSWORD=x "$publish" --upload-only "$work/pictures" --ftp-server "ftps://127.0.0.1:$vsport" \
        --ftp-login anonymous --ftp-subfolder site --ftp-ca-file "$work/cert.pem" --full
}
ours_plain() {
    clear_site
    GALVANE_FTP_PASSWORD=x "$publish" --upload-only "$work/pictures" --ftp-server "127.0.0.1:$vsport" \
        --ftp-login anonymous --ftp-subfolder site --full
}
lftp_ftps() {
    clear_site
    lftp --norc -u anonymous,x -p "$vsport" 127.0.0.1 \
        -e "set ftp:ssl-force true; set ftp:ssl-protect-data true; set ssl:ca-file $work/cert.pem; set net:max-retries 1; mirror -R $work/pictures site; quit"
}
check_site() {
    [ "$(find "$root_dir/site" -type f | wc -l)" = 200 ] || { echo "$1 did not deliver every file" >&2; exit 1; }
}
ours_ftps >/dev/null 2>&1; check_site "our FTPS upload"
lftp_ftps >/dev/null 2>&1; check_site "lftp over FTPS"
lftp_time=""
ftps_time=""
plain_time=""
for _ in $(seq "$repeat"); do
    lftp_time=$(smaller "$(seconds_of lftp_ftps)" "$lftp_time")
    ftps_time=$(smaller "$(seconds_of ours_ftps)" "$ftps_time")
    plain_time=$(smaller "$(seconds_of ours_plain)" "$plain_time")
done
echo "first upload of 200 files of 64 KB to vsftpd, best of $repeat"
echo "  lftp over FTPS (anchor)                $lftp_time s"
echo "  galvane-publish over FTPS              $ftps_time s   ratio $(ratio "$ftps_time" "$lftp_time")"
echo "  galvane-publish over plain FTP         $plain_time s   FTPS / plain FTP $(ratio "$ftps_time" "$plain_time")"
