#!/usr/bin/env bash
# The Debian package, from the programs already built:
#   package-test.sh build    BUILD_DIR VERSION  CPack makes olvarin_VERSION_<arch>.deb in BUILD_DIR/package-test,
#                                               and a newer one (VERSION+1) for the upgrade
#   package-test.sh contents BUILD_DIR VERSION  its files, links, manual pages, dependencies, no conffile
#   package-test.sh lint     BUILD_DIR VERSION  lintian finds no error and no warning
#   package-test.sh unit     BUILD_DIR VERSION  systemd-analyze security rates the service's sandbox OK
#   package-test.sh install  BUILD_DIR VERSION  as root: apt installs it from a signed repository made with
#                                               reprepro, the units, one download run the way the service
#                                               runs it (in its sandbox as far as it goes without systemd),
#                                               its status file through node_exporter's folder, a reinstall
#                                               and an unattended upgrade that keep the branch's files,
#                                               dpkg -r and dpkg -P, dpkg --audit
# The install step skips (status 77) when not root, or when the machine already has olvarin
# installed or configured: it never touches a real branch's installation.
set -euo pipefail

step=$1 build=$(cd "$2" && pwd) version=$3
work=$build/package-test
arch=$(dpkg --print-architecture)
deb=$work/olvarin_${version}_$arch.deb
newer_version=$version+1
newer_deb=$work/newer/olvarin_${newer_version}_$arch.deb

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }

build_package() {
    rm -rf "$work"
    mkdir -p "$work"
    (cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) ||
        { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
    [ -f "$deb" ] || fail "cpack made no $deb: $(ls "$work")"
    (cd "$build" && cpack -G DEB -B "$work/newer" -D CPACK_PACKAGE_VERSION="$newer_version" >"$work/cpack-newer.log" 2>&1) ||
        { cat "$work/cpack-newer.log" >&2; fail "cpack did not build the newer package"; }
    [ -f "$newer_deb" ] || fail "cpack made no $newer_deb: $(ls "$work/newer")"
    echo "built $deb and $newer_deb"
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

    expected=(/usr/lib/olvarin/libdbxfb.so /usr/share/olvarin/dbxdrivers.ini
        /lib/systemd/system/olvarin.service /lib/systemd/system/olvarin.timer
        /usr/share/olvarin/schema/tables.sql /usr/share/olvarin/schema/queues.sql
        /usr/share/olvarin/schema/heartbeat.sql /usr/share/olvarin/schema/capture.sql
        /usr/share/doc/olvarin/README.md /usr/share/doc/olvarin/examples/dbxconnections.ini
        /usr/share/doc/olvarin/copyright /usr/share/doc/olvarin/changelog.gz)
    for entry in "${programs[@]}"; do
        expected+=("/usr/lib/olvarin/$entry" "/usr/bin/$entry -> ../lib/olvarin/$entry"
            "/usr/share/man/man1/$entry.1.gz")
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
    # Nothing in /etc: a file there that a branch changes would stop an unattended upgrade.
    grep '^/etc/.' <<<"$list" && fail "the package ships files in /etc"
    check_manual_pages "${programs[@]}"

    local depends
    depends=$(dpkg-deb --field "$deb" Depends)
    for entry in libfbclient2 firebird3.0-server-core libqt6widgets6 libqt6gui6 qt6-qpa-plugins adduser \
        init-system-helpers; do
        grep -qE "(^|, )$entry( |,|$)" <<<"$depends" || fail "Depends lacks $entry: $depends"
    done

    rm -rf "$work/control"
    dpkg-deb --control "$deb" "$work/control"
    [ ! -e "$work/control/conffiles" ] || fail "conffiles: $(cat "$work/control/conffiles")"
    echo "contents, manual pages and dependencies as expected, no conffile"
}

# Each command's page compressed as Debian wants it (gzip -9n: no name, no time)
# and rendered by man without a warning.
check_manual_pages() {
    local pages=$work/man command page warnings
    rm -rf "$pages"
    mkdir -p "$pages"
    dpkg-deb --extract "$deb" "$pages"
    for command in "$@"; do
        page=$pages/usr/share/man/man1/$command.1.gz
        gzip -t "$page" || fail "$page is no gzip file"
        [ "$(od -An -tu4 -j4 -N4 "$page" | tr -d ' ')" = 0 ] || fail "$page carries a time stamp (not gzip -n)"
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot show $page"
        [ -z "$warnings" ] || fail "man warns on $page: $warnings"
    done
}

# --- lint and unit ----------------------------------------------------------

check_lintian() {
    [ -f "$deb" ] || fail "no package; the build step comes first"
    command -v lintian >/dev/null || skip "lintian is not installed"
    local out
    # lintian's own note that it runs as root is no finding.
    out=$(lintian -I -E --pedantic "$deb" 2>&1 | grep -v 'running with root privileges' || true)
    echo "$out"
    ! grep -q '^[EW]: ' <<<"$out" || fail "lintian reports errors or warnings"
    echo "lintian: no error, no warning"
}

# The score systemd-analyze gives the service's sandbox: 0 (best) to 10, OK up to 4.0.
check_unit_security() {
    [ -f "$deb" ] || fail "no package; the build step comes first"
    command -v systemd-analyze >/dev/null || skip "systemd-analyze is not installed"
    systemd-analyze security --help 2>/dev/null | grep -q -- --offline || skip "systemd-analyze has no --offline"
    local units=$work/units out score
    rm -rf "$units"
    mkdir -p "$units"
    dpkg-deb --extract "$deb" "$units"
    out=$(systemd-analyze security --offline=true "$units/lib/systemd/system/olvarin.service" 2>&1) ||
        { echo "$out" >&2; fail "systemd-analyze security"; }
    score=$(sed -n 's/.*Overall exposure level for olvarin.service: \([0-9.]*\).*/\1/p' <<<"$out")
    [ -n "$score" ] || { echo "$out" >&2; fail "no score from systemd-analyze security"; }
    echo "systemd-analyze security: olvarin.service $score"
    awk -v s="$score" 'BEGIN { exit !(s <= 4.0) }' || { echo "$out" >&2; fail "exposure $score is above 4.0"; }
}

# --- install ----------------------------------------------------------------

installed_by_us=0
made_textfile_folder=0
hq=/var/lib/olvarin/package-test-hq.fdb
branch=/var/lib/olvarin/package-test-branch.fdb
# The service user's own settings, as the guide makes them: a system-wide file in
# /etc/xdg would reach every olvarin on the machine, other tests' included.
settings=/var/lib/olvarin/.config/olvarin/olvarin.conf
status_file=/var/lib/olvarin/metrics/olvarin.prom
textfile_folder=/var/lib/prometheus/node-exporter
repo=$work/repository
apt_dir=$work/apt

remove_test_files() {
    rm -f /etc/olvarin/dbxconnections.ini /etc/olvarin/hq.password /etc/olvarin/Quelmar.dat "$hq" "$branch"
    rm -rf /var/lib/olvarin/.config /var/lib/olvarin/.cache
}

cleanup() {
    [ -d "$work/gnupg" ] && GNUPGHOME=$work/gnupg gpgconf --kill gpg-agent
    [ "$made_textfile_folder" = 1 ] && rm -rf /var/lib/prometheus
    [ "$installed_by_us" = 1 ] || return 0
    remove_test_files
    dpkg --purge olvarin >/dev/null 2>&1 || true
}

# --- a chain's signed apt repository ----------------------------------------

# A repository as a chain serves its stores, made by reprepro and signed with a
# throwaway key; apt on this machine sees it alone, with lists, cache and sources
# of its own, so the machine's own apt set-up is not touched.
make_repository() {
    export GNUPGHOME=$work/gnupg
    rm -rf "$GNUPGHOME" "$repo" "$apt_dir"
    mkdir -m 700 "$GNUPGHOME"
    gpg --batch --quiet --pinentry-mode loopback --passphrase '' \
        --quick-gen-key 'olvarin package test <package-test@olvarin.invalid>' ed25519 sign 1d 2>/dev/null
    local key
    key=$(gpg --batch --with-colons --list-keys | awk -F: '/^fpr/ { print $10; exit }')
    mkdir -p "$repo/conf" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    printf 'Codename: bookworm\nComponents: main\nArchitectures: %s\nSignWith: %s\n' "$arch" "$key" \
        >"$repo/conf/distributions"
    gpg --batch --export "$key" >"$apt_dir/olvarin-archive.gpg"
    echo "deb [signed-by=$apt_dir/olvarin-archive.gpg] file:$repo bookworm main" >"$apt_dir/sources.list"
    # apt's download user reads the repository.
    chmod -R a+rX "$work"
    publish "$deb"
}

publish() {
    reprepro -b "$repo" --silent includedeb bookworm "$1" || fail "reprepro includedeb $1"
    [ -f "$repo/dists/bookworm/InRelease" ] || fail "reprepro signed no InRelease"
    chmod -R a+rX "$repo"
}

repo_apt() {
    DEBIAN_FRONTEND=noninteractive apt-get -q -o Dir::Etc::SourceList="$apt_dir/sources.list" \
        -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$apt_dir/lists" \
        -o Dir::Cache="$apt_dir/cache" -o APT::Get::List-Cleanup=false "$@" </dev/null
}

install_from_repository() {
    make_repository
    repo_apt update >"$work/apt-update.log" 2>&1 || { cat "$work/apt-update.log" >&2; fail "apt-get update"; }
    # A signature apt does not trust would be refused here.
    repo_apt install -y --no-install-recommends olvarin >"$work/apt-install.log" 2>&1 ||
        { cat "$work/apt-install.log" >&2; fail "apt-get install olvarin from the signed repository"; }
    [ "$(dpkg-query -W -f='${Version}' olvarin)" = "$version" ] || fail "apt installed another version"
    echo "apt installed olvarin $version from a signed reprepro repository"
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
    [ "$(stat -c '%U %a' "$home")" = "olvarin 711" ] || fail "$home: $(stat -c '%U %a' "$home"), not olvarin 711"
    [ "$(stat -c '%U %a' "$home/metrics")" = "olvarin 755" ] || fail "no folder $home/metrics of olvarin's"
    cmp -s /etc/olvarin/dbxdrivers.ini /usr/share/olvarin/dbxdrivers.ini ||
        fail "the postinst did not put dbxdrivers.ini into /etc/olvarin"
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
    install -d -o olvarin -g olvarin -m 750 /var/lib/olvarin/.config /var/lib/olvarin/.config/olvarin
    printf '[General]\nStatus File=%s\n' "$status_file" |
        install -o olvarin -g olvarin -m 640 /dev/stdin "$settings"
}

# The service's download: through systemd when it runs, otherwise its ExecStart
# by hand as its user, with its environment, umask and runtime folder, in the part
# of its sandbox that works without systemd (bubblewrap and setpriv): the file
# system read-only but for its ReadWritePaths and runtime folder, a /tmp of its
# own, no homes, a minimal /dev, its own IPC and process namespaces, no
# capabilities, no new privileges. Not tried: the system call filter, the address
# families, MemoryDenyWriteExecute and the kernel protections.
run_service() {
    local unit=/lib/systemd/system/olvarin.service
    if systemd_running; then
        systemctl start olvarin.service || { journalctl -u olvarin.service -n 30 >&2; return 1; }
        journalctl -u olvarin.service -n 30
        return 0
    fi
    local user runtime umask env=() sandbox=() path
    user=$(unit_value "$unit" User)
    runtime=$(unit_value "$unit" RuntimeDirectory)
    umask=$(unit_value "$unit" UMask)
    mapfile -t env < <(sed -n 's/^Environment=//p' "$unit")
    install -d -o "$user" -g "$user" -m 700 "/run/$runtime"
    [ "$(unit_value "$unit" ProtectSystem)" = strict ] || fail "the unit's ProtectSystem is not strict"
    sandbox=(--ro-bind / / --bind "/run/$runtime" "/run/$runtime")
    for path in $(unit_value "$unit" ReadWritePaths); do sandbox+=(--bind "$path" "$path"); done
    [ "$(unit_value "$unit" PrivateTmp)" = yes ] && sandbox+=(--tmpfs /tmp --tmpfs /var/tmp)
    [ "$(unit_value "$unit" ProtectHome)" = yes ] && sandbox+=(--tmpfs /home --tmpfs /root)
    [ "$(unit_value "$unit" PrivateDevices)" = yes ] && sandbox+=(--dev /dev)
    local status=0
    # shellcheck disable=SC2046
    (cd / && bwrap "${sandbox[@]}" --proc /proc --unshare-ipc --unshare-pid --die-with-parent \
        setpriv --reuid="$user" --regid="$user" --init-groups --inh-caps=-all --bounding-set=-all \
        --no-new-privs env -i PATH=/usr/bin:/bin HOME=/var/lib/olvarin "${env[@]}" \
        sh -c "umask $umask && exec \"\$@\"" sh $(unit_value "$unit" ExecStart)) || status=$?
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

# Step 8 of the guide: the status file in the service's own folder, linked into
# node_exporter's textfile folder, read there by another user the way the
# exporter reads it. Nothing changes the folder's owner or mode.
check_monitoring() {
    [ -f "$status_file" ] || fail "the run wrote no $status_file"
    [ "$(stat -c '%U %a' "$status_file")" = "olvarin 644" ] ||
        fail "$status_file: $(stat -c '%U %a' "$status_file"), not olvarin 644"
    grep -qx 'olvarin_last_run_success{store="0001"} 1' "$status_file" || fail "no success in $status_file"
    grep -qx "olvarin_build_info{version=\"$version\"} 1" "$status_file" || fail "no build info in $status_file"
    if command -v promtool >/dev/null; then
        promtool check metrics <"$status_file" || fail "promtool check metrics"
    fi
    if [ ! -e /var/lib/prometheus ]; then
        mkdir -p "$textfile_folder"
        made_textfile_folder=1
    fi
    local mode_before
    mode_before=$(stat -c '%U %G %a' "$textfile_folder")
    ln -sf "$status_file" "$textfile_folder/olvarin.prom"
    runuser -u nobody -- cat "$textfile_folder/olvarin.prom" >/dev/null ||
        fail "another user cannot read the status file through $textfile_folder"
    [ "$(stat -c '%U %G %a' "$textfile_folder")" = "$mode_before" ] || fail "$textfile_folder changed"
    echo "the status file reaches $textfile_folder through a link, readable by others"
}

# A reinstall, and an upgrade by apt from the repository with nobody to answer a
# question, keep the branch's files and its changed drivers file.
check_reinstall_keeps_configuration() {
    echo '; changed by the branch' >>/etc/olvarin/dbxdrivers.ini
    local before after
    before=$(md5sum /etc/olvarin/*)
    dpkg -i "$deb" </dev/null >"$work/dpkg-reinstall.log" 2>&1 ||
        { cat "$work/dpkg-reinstall.log" >&2; fail "dpkg -i over the installed package"; }
    after=$(md5sum /etc/olvarin/*)
    [ "$before" = "$after" ] || fail "a reinstall changed /etc/olvarin: $before / $after"

    publish "$newer_deb"
    repo_apt update >"$work/apt-update.log" 2>&1 || { cat "$work/apt-update.log" >&2; fail "apt-get update"; }
    repo_apt install -y olvarin >"$work/apt-upgrade.log" 2>&1 ||
        { cat "$work/apt-upgrade.log" >&2; fail "the unattended upgrade"; }
    [ "$(dpkg-query -W -f='${Version}' olvarin)" = "$newer_version" ] || fail "apt did not upgrade to $newer_version"
    after=$(md5sum /etc/olvarin/*)
    [ "$before" = "$after" ] || fail "the upgrade changed /etc/olvarin: $before / $after"
    check_audit
    echo "a reinstall and an unattended upgrade to $newer_version keep /etc/olvarin as the branch left it"
}

check_audit() {
    local audit
    audit=$(dpkg --audit 2>&1)
    [ -z "$audit" ] || fail "dpkg --audit: $audit"
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
    [ ! -e /var/lib/olvarin ] || fail "purging left /var/lib/olvarin: $(ls -AR /var/lib/olvarin)"
    [ ! -L "$textfile_folder/olvarin.prom" ] || fail "purging left the link in $textfile_folder"
    ! dpkg-statoverride --list | grep -q olvarin || fail "a statoverride names olvarin: $(dpkg-statoverride --list)"
    check_audit
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
    [ -e "$textfile_folder/olvarin.prom" ] && skip "$textfile_folder/olvarin.prom exists on this machine"
    [ -f "$newer_deb" ] || fail "no newer package; the build step comes first"

    trap cleanup EXIT
    installed_by_us=1
    install_from_repository
    check_installed
    verify_units
    configure_branch
    check_download
    check_monitoring
    check_reinstall_keeps_configuration
    check_removal
}

case "$step" in
build) build_package ;;
contents) check_contents ;;
lint) check_lintian ;;
unit) check_unit_security ;;
install) install_and_remove ;;
*) echo "usage: $0 build|contents|lint|unit|install BUILD_DIR VERSION" >&2; exit 2 ;;
esac
