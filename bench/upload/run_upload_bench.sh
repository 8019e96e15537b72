#!/usr/bin/env bash
# Upload benchmark, run by hand (not by CTest):
#     bench/upload/run_upload_bench.sh [BUILD_DIR]        (default: build)
# Makes 2,000 files of 4 KB and 20 files of 5 MB, starts the local test FTP server
# (tests/support/ftp_server.py) and times, in this one run, each client sending the whole folder:
#   - our upload: galvane-publish --upload-only when the build has it, else bench/upload's driver;
#   - the anchor, lftp's mirror over its single connection in active mode;
#   - a curl -T loop, one process and one login per file.
# Prints each time (best of REPEAT runs, default 3, the anchor's and ours taken in turns; the curl
# loop runs once) and its ratio to the anchor. The target: our upload at least as fast as lftp's mirror (ratio <= 1.00).
# Needs lftp and curl (scripts/setup --bench).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
repeat=${REPEAT:-3}
python=/usr/bin/python3  # Debian's Python, which has pyftpdlib

work=$(mktemp -d "${TMPDIR:-/tmp}/galvane-upload-bench-XXXXXX")
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

data=$work/data
home=$work/home
mkdir -p "$data" "$home"
"$python" - "$data" <<'EOF'
import os, sys
folder = sys.argv[1]
for i in range(2000):
    with open(os.path.join(folder, "small%04d.bin" % i), "wb") as f:
        f.write(os.urandom(4096))
for i in range(20):
    with open(os.path.join(folder, "large%02d.bin" % i), "wb") as f:
        f.write(os.urandom(5 << 20))
EOF
expected_files=$(find "$data" -type f | wc -l)
expected_bytes=$(du -sb --apparent-size "$data" | cut -f1)

login=bench
password="bench-$RANDOM-$RANDOM"
FTP_FIXTURE_PASSWORD=$password "$python" "$root/tests/support/ftp_server.py" \
    --home "$home" --user "$login" >"$work/port" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
    [ -s "$work/port" ] && break
    sleep 0.1
done
port=$(head -n1 "$work/port")
[ -n "$port" ] || { echo "the FTP server did not start" >&2; cat "$work/server.log" >&2; exit 1; }

publish=$build/bin/galvane-publish
if [ -x "$publish" ] && "$publish" --help 2>&1 | grep -q -- --upload-only; then
    ours_name="galvane-publish --upload-only"
    ours() {
        GALVANE_FTP_PASSWORD=$password "$publish" --upload-only "$data" \
            --ftp-server "127.0.0.1:$port" --ftp-login "$login" >/dev/null 2>&1
    }
else
    ours_name="ftp_upload_driver"
    ours() {
        GALVANE_FTP_PASSWORD=$password "$build/bin/ftp_upload_driver" "$data" "127.0.0.1:$port" "$login" 2>/dev/null
    }
fi
lftp_mirror() {
    LFTP_PASSWORD=$password lftp --norc -u "$login" --env-password -p "$port" 127.0.0.1 \
        -e "set ftp:passive-mode off; set net:max-retries 1; mirror -R $data /; quit" >/dev/null
}
printf 'machine 127.0.0.1 login %s password %s\n' "$login" "$password" >"$work/netrc"
curl_loop() {
    for file in "$data"/*; do
        curl -sS --netrc-file "$work/netrc" --ftp-port - -T "$file" "ftp://127.0.0.1:$port/"
    done
}

# Runs a client into an empty home, checks that every byte arrived, and prints the seconds taken.
time_once() {
    local client=$1 start end
    find "$home" -mindepth 1 -delete
    start=$(date +%s.%N)
    "$client" || { echo "$client failed" >&2; exit 1; }
    end=$(date +%s.%N)
    if [ "$(find "$home" -type f | wc -l)" != "$expected_files" ] ||
        [ "$(du -sb --apparent-size "$home" | cut -f1)" != "$expected_bytes" ]; then
        echo "$client did not deliver every byte" >&2
        exit 1
    fi
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

echo "upload of $expected_files files ($expected_bytes bytes) to 127.0.0.1:$port, best of $repeat"
anchor=""
ours_time=""
for _ in $(seq "$repeat"); do
    seconds=$(time_once lftp_mirror)
    anchor=$(smaller "$seconds" "$anchor")
    seconds=$(time_once ours)
    ours_time=$(smaller "$seconds" "$ours_time")
done
curl_time=$(time_once curl_loop)

report() {
    awk -v name="$1" -v t="$2" -v a="$anchor" 'BEGIN { printf "  %-50s %8.3f s   ratio %.2f\n", name, t, t / a }'
}
report "lftp mirror -R, one connection, active (anchor)" "$anchor"
report "our upload ($ours_name)" "$ours_time"
report "curl -T loop, one login per file" "$curl_time"
