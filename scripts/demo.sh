#!/usr/bin/env bash
# The demo: builds the program, sets up a branch in demo/ with a fresh
# headquarters database full of sample data and an empty branch database, runs
# the download for store 0001, and shows what the branch holds afterwards.
#
# With a display (DISPLAY or WAYLAND_DISPLAY set) the window opens; press OK to
# download, close the window to see the summary. Without one, the program makes
# its unattended single run ("a": every category, mode Changed) on Qt's
# offscreen platform and ends by itself.
#
# Both databases are rebuilt on every run, so running the demo twice on the
# same day gives the same branch. OLVARIN_DEMO_TODAY=yyyy/mm/dd fixes the day
# the sample's dates are counted from.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build
demo=$root/demo
store_id=0001

build_programs() {
  (cd "$root" && scripts/setup.sh &&
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build build -j2 --target olvarin olvarin-storecfg olvarin-demodata dbxfb)
  local program
  for program in olvarin olvarin-storecfg olvarin-demodata libdbxfb.so; do
    [ -e "$build/$program" ] || { echo "demo: $build/$program was not built" >&2; exit 1; }
  done
}

isql() { isql-fb -q -ch UTF8 -user SYSDBA "$@"; }

create_database() {  # path script...
  local path=$1 script
  shift
  rm -f "$path"
  echo "CREATE DATABASE '$path' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;" | isql-fb -q
  for script in "$@"; do isql "$path" -i "$script"; done
}

prepare_folder() {
  mkdir -p "$demo"
  cp "$build/olvarin" "$build/libdbxfb.so" "$build/olvarin-storecfg" "$demo/"
  # An empty settings folder, so that no per-user "Connection Registry File"
  # points the program away from the files beside it.
  rm -rf "$demo/.config"
  mkdir -p "$demo/.config"
}

prepare_databases() {
  echo "demo: creating $demo/hq.fdb and $demo/branch.fdb"
  create_database "$demo/hq.fdb" "$root/schema/tables.sql" "$root/schema/queues.sql"
  create_database "$demo/branch.fdb" "$root/schema/tables.sql"
  local today=()
  [ -n "${OLVARIN_DEMO_TODAY:-}" ] && today=(--today "$OLVARIN_DEMO_TODAY")
  "$build/olvarin-demodata" "${today[@]}" --output "$demo/hq-sample.sql"
  isql "$demo/hq.fdb" -i "$demo/hq-sample.sql"
  echo "demo: sample data loaded into headquarters"
}

write_connection_files() {
  local name database
  : >"$demo/dbxconnections.ini"
  for name in Dravonel Corvane; do
    [ "$name" = Dravonel ] && database=$demo/hq.fdb || database=$demo/branch.fdb
    cat >>"$demo/dbxconnections.ini" <<EOF
[$name]
DriverName=Interbase
Database=$database
RoleName=RoleName
User_Name=SYSDBA
Password=masterkey
ServerCharSet=UTF8
SQLDialect=3
BlobSize=-1
CommitRetain=False
WaitOnLocks=True
ErrorResourceFile=
LocaleCode=0000
Interbase TransIsolation=ReadCommited
Trim Char=False

EOF
  done
  cat >"$demo/dbxdrivers.ini" <<EOF
[Interbase]
LibraryName=libdbxfb.so
GetDriverFunc=getSQLDriverINTERBASE
VendorLib=libfbclient.so.2
EOF
  "$demo/olvarin-storecfg" --store-id "$store_id" --stock-id S0001 --output "$demo/Quelmar.dat"
}

run_program() {
  export XDG_CONFIG_HOME=$demo/.config
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: opening the window; tick categories, pick a mode and press OK; close it to finish"
    (cd "$demo" && ./olvarin)
  else
    echo "demo: no display; unattended single run of every category in mode Changed"
    mkdir -p -m 700 "$demo/.runtime"
    (cd "$demo" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$demo/.runtime} ./olvarin a)
  fi
}

branch_tables=(PROD_TOPITEM PROD_HIITEM PROD_ITEM PRODUCT PROD_SALE PROVIDER CUSTOMER
  PSALE_MASTER PSALE_SUB PTSALE_MASTER PTSALE_SUB CHGPRICE_MASTER CHGPRICE_SUB
  QUOT_MASTER QUOT_SUB INPROMOTION_MASTER INPROMOTION_SUB)
queues=(PRODUCT_WAIT PROVIDER_WAIT CUSTOMER_WAIT PSALE_WAIT PTSALE_WAIT CHGPRICE_WAIT
  QUOT_WAIT INPROMOTION_WAIT)

# One SELECT of "table count" lines, a UNION over the given tables.
count_query() {  # table...
  local sep="" table
  printf 'SET HEADING OFF;\n'
  for table in "$@"; do
    printf "%sSELECT CAST('%s' AS VARCHAR(20)), COUNT(*) FROM %s\n" "$sep" "$table" "$table"
    sep="UNION ALL "
  done
  printf ';\n'
}

report() {
  echo
  echo "Branch database $demo/branch.fdb, rows per table:"
  count_query "${branch_tables[@]}" | isql "$demo/branch.fdb" | awk 'NF == 2 { printf "  %-20s %6d\n", $1, $2 }'

  echo
  echo "Headquarters queue rows left for store $store_id (claimed and removed by the run) and for 0002 (untouched):"
  {
    printf 'SET HEADING OFF;\n'
    local sep="" q
    for q in "${queues[@]}"; do
      printf "%sSELECT CAST('%s' AS VARCHAR(20)), COALESCE(SUM(IIF(STORE_ID = '%s', 1, 0)), 0), COALESCE(SUM(IIF(STORE_ID = '0002', 1, 0)), 0) FROM %s\n" \
        "$sep" "$q" "$store_id" "$q"
      sep="UNION ALL "
    done
    printf ';\n'
  } | isql "$demo/hq.fdb" | awk 'NF == 3 { printf "  %-20s %s: %4d   0002: %4d\n", $1, "'"$store_id"'", $2, $3 }'

  echo
  echo "Price-change lines in the branch (two per change date): TRN_CODE Y = applied to PRODUCT"
  isql "$demo/branch.fdb" <<'EOF'
SET WIDTH PROD_NAME 24;
SELECT CHGPRICE_DATE, PROD_ID, PROD_NAME, O_SALE_PRICE, N_SALE_PRICE, PRODUCT_PRICE, TRN_CODE
FROM (SELECT C.CHGPRICE_DATE, C.PROD_ID, P.PROD_NAME, C.O_SALE_PRICE, C.N_SALE_PRICE,
             P.SALE_PRICE AS PRODUCT_PRICE, C.TRN_CODE,
             ROW_NUMBER() OVER (PARTITION BY C.CHGPRICE_DATE ORDER BY C.PROD_ID) AS N
      FROM CHGPRICE_SUB C LEFT JOIN PRODUCT P ON P.PROD_ID = C.PROD_ID)
WHERE N <= 2
ORDER BY CHGPRICE_DATE, PROD_ID;
EOF
}

main() {
  build_programs
  prepare_folder
  prepare_databases
  write_connection_files
  local status=0
  run_program || status=$?
  report
  [ "$status" -eq 0 ] || echo "demo: olvarin ended with status $status" >&2
  return "$status"
}

# Sourcing the script defines its steps without running them.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  main "$@"
fi
