# shellcheck shell=bash
# Sourced by the upload benchmarks: start_vsftpd WORK starts vsftpd in the foreground on 127.0.0.1
# with TLS offered (a certificate for 127.0.0.1 made here, WORK/cert.pem) and anonymous uploads
# into WORK/vsroot/site; sets vsport and vspid. Needs vsftpd and python3-openssl (scripts/setup).
start_vsftpd() {
    local work=$1 root=$1/vsroot
    mkdir -p "$root/site" "$work/empty"
    chmod 777 "$root/site"
    /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../../tests/support/make_certificate.py" "$work/cert.pem" --name 127.0.0.1
    vsport=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$work/vsftpd.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$vsport
background=NO
run_as_launching_user=YES
seccomp_sandbox=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root=$root
secure_chroot_dir=$work/empty
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
vsftpd_log_file=/dev/null
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=NO
force_anon_data_ssl=NO
rsa_cert_file=$work/cert.pem
rsa_private_key_file=$work/cert.pem
CONF
    /usr/sbin/vsftpd "$work/vsftpd.conf" >/dev/null 2>&1 &
    # shellcheck disable=SC2034  # read by the sourcing script
    vspid=$!
    sleep 0.5
}
