#!/usr/bin/env bash
# The Debian package, from the programs already built:
#   package-test.sh build    BUILD_DIR VERSION  CPack makes olvarin_VERSION_<arch>.deb in BUILD_DIR/package-test
#   package-test.sh contents BUILD_DIR VERSION  its files, links, dependencies and conffiles
#   package-test.sh install  BUILD_DIR VERSION  as root: dpkg -i, the units, one download run the way
#                                               the service runs it, a reinstall that keeps the branch's
#                                               files, dpkg -r and dpkg -P
# The install step skips (status 77) when not root, or when the machine already has olvarin
# installed or configured: it never touches a real branch's installation.
set -euo pipefail

step=$1 build=$(cd "$2" && pwd) version=$3
work=$build/package-test
deb=$work/olvarin_${version}_$(dpkg --print-architecture).deb

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }

build_package() {
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
        { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
    [ -f "$deb" ] || fail "cpack made no $deb: $(ls "$work")"
    echo "built $deb"
}

# Each line of the listing as "path" or "path -> target", without the leading "."
listing() { dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +\./, ""); print }'; }

check_contents() {
    [ -f "$deb" ] || fail "no package; the build step comes first"
    local list programs expected entry
    list=$(listing)
    programs=(olvarin olvarin-storecfg)
    [ -x "$build/olvarin-check" ] && programs+=(olvarin-check)
    [ -x "$build/olvarin-fleet" ] && programs+=(olvarin-fleet)

    expected=(/usr/lib/olvarin/libdbxfb.so /etc/olvarin/dbxdrivers.ini
        /lib/systemd/system/olvarin.service /lib/systemd/system/olvarin.timer
        /usr/share/olvarin/schema/tables.sql /usr/share/olvarin/schema/queues.sql
        /usr/share/olvarin/schema/heartbeat.sql /usr/share/olvarin/schema/capture.sql
        /usr/share/doc/olvarin/README.md /usr/share/doc/olvarin/examples/dbxconnections.ini)
    for entry in "${programs[@]}"; do
        expected+=("/usr/lib/olvarin/$entry" "/usr/bin/$entry -> ../lib/olvarin/$entry")
    done
    for entry in Quelmar.dat dbxconnections.ini dbxdrivers.ini; do
        expected+=("/usr/lib/olvarin/$entry -> /etc/olvarin/$entry")
    done
    for entry in "${expected[@]}"; do
        grep -qxF "$entry" <<<"$list" || fail "the package lacks $entry"
    done

    # Nothing else in the program's folder (no demo tool, no test or benchmark
    # program), and no configuration a branch writes itself.
    local extra
    extra=$(grep '^/usr/lib/olvarin/.' <<<"$list" | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
    [ -z "$extra" ] || fail "unexpected files in /usr/lib/olvarin: $extra"
    grep -q '^/etc/olvarin/dbxconnections.ini$\|^/etc/olvarin/Quelmar.dat$' <<<"$list" &&
        fail "the package ships a branch's own configuration"

    local depends
    depends=$(dpkg-deb --field "$deb" Depends)
    for entry in libfbclient2 firebird3.0-server-core libqt6widgets6 libqt6gui6 qt6-qpa-plugins adduser; do
        grep -qE "(^|, )$entry( |,|$)" <<<"$depends" || fail "Depends lacks $entry: $depends"
    done

    rm -rf "$work/control"
    dpkg-deb --control "$deb" "$work/control"
    [ "$(cat "$work/control/conffiles")" = /etc/olvarin/dbxdrivers.ini ] ||
        fail "conffiles: $(cat "$work/control/conffiles" 2>/dev/null)"
    echo "contents, dependencies and conffiles as expected"
}

# --- install ----------------------------------------------------------------

installed_by_us=0
hq=/var/lib/olvarin/package-test-hq.fdb
branch=/var/lib/olvarin/package-test-branch.fdb

remove_test_files() {
    rm -f /etc/olvarin/dbxconnections.ini /etc/olvarin/hq.password /etc/olvarin/Quelmar.dat "$hq" "$branch"
}

cleanup() {
    [ "$installed_by_us" = 1 ] || return 0
    remove_test_files
    dpkg --purge olvarin >/dev/null 2>&1 || true
}

systemd_running() { [ -d /run/systemd/system ]; }

# A setting of a unit file (the last one wins).
unit_value() { sed -n "s/^$2=//p" "$1" | tail -n 1; }

check_installed() {
    getent passwd olvarin >/dev/null || fail "no user olvarin"
    local uid home
    uid=$(id -u olvarin)
    [ "$uid" -lt 1000 ] || fail "olvarin is not a system user (uid $uid)"
    home=$(getent passwd olvarin | cut -d: -f6)
    [ "$home" = /var/lib/olvarin ] || fail "olvarin's home is $home"
    [ "$(stat -c %U "$home")" = olvarin ] || fail "$home does not belong to olvarin"
    olvarin-storecfg --help | grep -q usage || fail "olvarin-storecfg does not run from /usr/bin"
    [ -e /etc/systemd/system/timers.target.wants/olvarin.timer ] && fail "the timer was enabled"
    if systemd_running; then
        [ "$(systemctl is-enabled olvarin.timer || true)" = disabled ] || fail "the timer is not disabled"
    fi
    echo "installed: user olvarin, commands on the path, timer disabled"
}

verify_units() {
    if ! command -v systemd-analyze >/dev/null; then
        echo "systemd-analyze is not installed; the units are not verified"
        return 0
    fi
    local out
    out=$(systemd-analyze verify /lib/systemd/system/olvarin.service /lib/systemd/system/olvarin.timer 2>&1) ||
        fail "systemd-analyze verify: $out"
    # verify reports problems of the units without failing on all of them.
    if grep -i 'olvarin\.\(service\|timer\)' <<<"$out"; then fail "systemd-analyze verify found problems"; fi
    echo "systemd-analyze verify: the units are sound"
}

isql() { isql-fb -q -ch UTF8 -user SYSDBA "$@"; }

# Without forced writes: these databases only live for the test.
create_database() {  # path script...
    local path=$1 script
    shift
    echo "CREATE DATABASE '$path' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;" | isql-fb -q
    gfix -write async -user SYSDBA "$path"
    for script in "$@"; do isql "$path" -i "$script"; done
}

# A branch configured as the README's set-up guide does it, with both databases embedded
# (headquarters' password, which the embedded engine does not check, in its file all the same,
# so that the service must read it as its user).
configure_branch() {
    create_database "$hq" /usr/share/olvarin/schema/tables.sql /usr/share/olvarin/schema/queues.sql
    "$build/olvarin-demodata" --output "$work/hq-sample.sql"
    isql "$hq" -i "$work/hq-sample.sql"
    create_database "$branch" /usr/share/olvarin/schema/tables.sql
    chown olvarin:olvarin "$hq" "$branch"
    sed -e "/^\[Dravonel\]/,/^\[/ { s|^Database=.*|Database=$hq|; s|^User_Name=.*|User_Name=SYSDBA|; }" \
        -e "/^\[Corvane\]/,\$ s|^Database=.*|Database=$branch|" \
        /usr/share/doc/olvarin/examples/dbxconnections.ini >"$work/dbxconnections.ini"
    grep -qx 'PasswordFile=/etc/olvarin/hq.password' "$work/dbxconnections.ini" ||
        fail "the example's [Dravonel] names no PasswordFile=/etc/olvarin/hq.password"
    install -m 640 -g olvarin "$work/dbxconnections.ini" /etc/olvarin/
    install -m 600 -o olvarin -g olvarin /dev/null /etc/olvarin/hq.password
    printf '%s' masterkey >/etc/olvarin/hq.password
    olvarin-storecfg --store-id 0001 --stock-id S0001 >/dev/null
    [ -f /etc/olvarin/Quelmar.dat ] || fail "olvarin-storecfg did not write through to /etc/olvarin/Quelmar.dat"
}

# The service's download: through systemd when it runs, otherwise its ExecStart
# by hand as its user, with its environment and runtime folder.
run_service() {
    local unit=/lib/systemd/system/olvarin.service
    if systemd_running; then
        systemctl start olvarin.service || { journalctl -u olvarin.service -n 30 >&2; return 1; }
        journalctl -u olvarin.service -n 30
        return 0
    fi
    local user runtime env=()
    user=$(unit_value "$unit" User)
    runtime=$(unit_value "$unit" RuntimeDirectory)
    mapfile -t env < <(sed -n 's/^Environment=//p' "$unit")
    install -d -o "$user" -g "$user" -m 700 "/run/$runtime"
    # shellcheck disable=SC2046
    (cd / && runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME=/var/lib/olvarin "${env[@]}" \
        $(unit_value "$unit" ExecStart))
    local status=$?
    rm -rf "/run/${runtime:?}"
    return $status
}

check_download() {
    local out rows
    out=$(run_service 2>&1) || { echo "$out" >&2; fail "the service's run failed"; }
    grep -q 'Done\.\.\.' <<<"$out" || { echo "$out" >&2; fail "the run did not end with Done..."; }
    rows=$(echo 'SET HEADING OFF; SELECT COUNT(*) FROM PRODUCT;' | isql "$branch" | tr -d ' \n')
    [ "$rows" -gt 0 ] 2>/dev/null || fail "the branch has no products after the run ($rows)"
    echo "a download as the service: $rows products in the branch"
}

# A reinstall (the upgrade path) keeps the branch's files and a changed conffile.
check_reinstall_keeps_configuration() {
    echo '; changed by the branch' >>/etc/olvarin/dbxdrivers.ini
    local before after
    before=$(md5sum /etc/olvarin/*)
    dpkg -i --force-confold "$deb" >"$work/dpkg-reinstall.log" 2>&1 ||
        { cat "$work/dpkg-reinstall.log" >&2; fail "dpkg -i over the installed package"; }
    after=$(md5sum /etc/olvarin/*)
    [ "$before" = "$after" ] || fail "a reinstall changed /etc/olvarin: $before / $after"
    echo "a reinstall keeps /etc/olvarin as the branch left it"
}

check_removal() {
    remove_test_files
    dpkg -r olvarin >"$work/dpkg-remove.log" 2>&1 || { cat "$work/dpkg-remove.log" >&2; fail "dpkg -r"; }
    [ ! -e /usr/lib/olvarin ] && [ ! -e /usr/bin/olvarin ] && [ ! -e /lib/systemd/system/olvarin.service ] ||
        fail "dpkg -r left the program or its units"
    [ -f /etc/olvarin/dbxdrivers.ini ] || fail "dpkg -r removed the conffile"
    dpkg --purge olvarin >"$work/dpkg-purge.log" 2>&1 || { cat "$work/dpkg-purge.log" >&2; fail "dpkg -P"; }
    installed_by_us=0
    grep -i warning "$work/dpkg-remove.log" "$work/dpkg-purge.log" && fail "dpkg warned while removing"
    [ ! -e /etc/olvarin ] || fail "purging left /etc/olvarin: $(ls -A /etc/olvarin)"
    [ ! -e /var/lib/olvarin ] || fail "purging left /var/lib/olvarin: $(ls -A /var/lib/olvarin)"
    echo "dpkg -r and dpkg -P removed the package cleanly"
}

install_and_remove() {
    [ -f "$deb" ] || fail "no package; the build step comes first"
    [ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
    # One installing run at a time on this machine.
    exec 9>/run/lock/olvarin-package-test.lock
    flock -w 600 9 || fail "another package test holds the lock"
    local state
    state=$(dpkg-query -W -f='${db:Status-Status}' olvarin 2>/dev/null || true)
    if [ -n "$state" ] && [ "$state" != not-installed ]; then
        skip "dpkg has olvarin as $state on this machine; it is left alone"
    fi
    [ -e /etc/olvarin ] && skip "/etc/olvarin exists on this machine; it is left alone"

    trap cleanup EXIT
    installed_by_us=1
    dpkg -i "$deb" >"$work/dpkg-install.log" 2>&1 || { cat "$work/dpkg-install.log" >&2; fail "dpkg -i"; }
    check_installed
    verify_units
    configure_branch
    check_download
    check_reinstall_keeps_configuration
    check_removal
}

case "$step" in
build) build_package ;;
contents) check_contents ;;
install) install_and_remove ;;
*) echo "usage: $0 build|contents|install BUILD_DIR VERSION" >&2; exit 2 ;;
esac
