#!/bin/sh
# Map layers into a real database: starts a throwaway PostgreSQL 15 + PostGIS 3
# server (its data and socket in a temporary folder, run as a user that is not
# root), loads a folder of two logs with quillon-convert and checks counts and
# values with SQL against the GeoPackage of the same log and the record of each
# load; then a log loaded again (refused, or replaced with --replace), another
# table, bins, failures inside a load (which leave nothing of it), a log
# interrupted halfway, a database without PostGIS and one that cannot be reached.
#   postgis_test.sh QUILLON_CONVERT SAMPLE_LOG KLF_SYNTH
set -eu
cli=$1
sample=$2
synth=$3
pgbin=/usr/lib/postgresql/15/bin
[ -x "$pgbin/initdb" ] || { echo "PostgreSQL 15 is not installed (postgresql-15-postgis-3)"; exit 1; }

work=$(mktemp -d /tmp/quillon-pg-XXXXXX)
chmod 755 "$work"
as_db=""
if [ "$(id -u)" -eq 0 ]; then
  id postgres >/dev/null 2>&1 || useradd --system --no-create-home postgres
  chown postgres "$work"
  as_db="runuser -u postgres --"
fi
stop() {
  $as_db "$pgbin/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap stop EXIT
$as_db "$pgbin/initdb" -D "$work/data" -A trust -U quillon >/dev/null
$as_db "$pgbin/pg_ctl" -D "$work/data" -l "$work/server.log" -w \
  -o "-k $work -c listen_addresses='' -c fsync=off" start >/dev/null
sql() { psql -X -q -t -A -h "$work" -U quillon -d "$1" -c "$2"; }
sql postgres "CREATE DATABASE drives"
sql drives "CREATE EXTENSION postgis"
db="PG:dbname=drives host=$work user=quillon"

fail() {
  echo "FAILED: $*"
  exit 1
}
check() {  # name expected actual
  [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

# A folder run: every log of it a load of its own, a later and longer name whole.
mkdir "$work/in"
long=campaign-2026-11-24-north-route.klf
cp "$sample" "$work/in/a.klf"
"$synth" "$work/in/$long" --seed 3 --megabytes 1 >/dev/null
"$cli" --quiet --folder "$work/in" --into "$db" || fail "the folder run into the database"
"$cli" --quiet "$sample" -o "$work/one.gpkg" || fail "the GeoPackage"
gpkg() { ogrinfo -q -ro -sql "$1" "$work/one.gpkg" | sed -n 's/^  [a-z_]* ([A-Za-z0-9]*) = //p' | head -n 1; }

count=$(gpkg "SELECT count(*) AS n FROM measurements")
[ "$count" -gt 1000 ] || fail "the GeoPackage holds $count features"
"$cli" --quiet "$work/in/$long" -o "$work/two.gpkg" || fail "the second GeoPackage"
other=$(ogrinfo -q -ro -sql "SELECT count(*) AS n FROM measurements" "$work/two.gpkg" | sed -n 's/^  n (Integer[0-9]*) = //p')
check "features per log" "a.klf|$count
$long|$other" "$(sql drives "SELECT log, count(*) FROM measurements GROUP BY log ORDER BY log")"
check "sum of RSSI" "$(gpkg "SELECT sum(rssi_dbm) AS s FROM measurements")" \
  "$(sql drives "SELECT sum(rssi_dbm) FROM measurements WHERE log = 'a.klf'")"
check "frequencies" "$(gpkg "SELECT printf('%.5f', sum(freq_mhz)) AS s FROM measurements")" \
  "$(sql drives "SELECT to_char(sum(freq_mhz), 'FM999999999990.00000') FROM measurements WHERE log = 'a.klf'")"
check "rows" "$(gpkg "SELECT max(\"row\") AS m FROM measurements")" \
  "$(sql drives "SELECT max(\"row\") FROM measurements WHERE log = 'a.klf'")"
check "first time" "2026-11-24 08:00:01+00" \
  "$(sql drives "SET TIME ZONE 'UTC'; SELECT min(time) FROM measurements WHERE log = 'a.klf'")"
check "points in WGS 84" "4326|$count" \
  "$(sql drives "SELECT ST_SRID(geom), count(*) FROM measurements WHERE log = 'a.klf' AND geom IS NOT NULL GROUP BY 1")"
check "a position" "$(gpkg "SELECT printf('%.6f %.6f', lon_dd, lat_dd) AS p FROM measurements WHERE \"row\" = 100 AND entry = 0")" \
  "$(sql drives "SELECT to_char(ST_X(geom), 'FM990.000000') || ' ' || to_char(ST_Y(geom), 'FM990.000000') FROM measurements WHERE log = 'a.klf' AND \"row\" = 100 AND entry = 0")"

# Each load recorded: file, size, SHA-256, rows; the rows carry its id.
check "loads" "measurements|a.klf|$work/in/a.klf|$(wc -c < "$sample")|$(sha256sum < "$sample" | cut -c1-64)|$count
measurements|$long|$work/in/$long|$(wc -c < "$work/in/$long")|$(sha256sum < "$work/in/$long" | cut -c1-64)|$other" \
  "$(sql drives "SELECT layer, file_name, file_path, file_size, sha256, rows FROM quillon_loads ORDER BY id")"
check "rows of each load" "0" "$(sql drives "SELECT count(*) FROM measurements m JOIN quillon_loads l ON l.id = m.load_id WHERE l.file_name <> m.log")"
grep_settings=$(sql drives "SELECT settings FROM quillon_loads WHERE file_name = 'a.klf'")
case "$grep_settings" in "receiver 1; Convert All Data; fields: "*) ;; *) fail "settings: $grep_settings" ;; esac

# The same log again, under another name: refused with the date of its load; a
# folder run leaves both out (exit 3); nothing is added.
cp "$sample" "$work/again.klf"
status=0
"$cli" --quiet "$work/again.klf" -o "$db" 2>"$work/err" || status=$?
check "exit status of a second load" 1 "$status"
grep -q "is in the layer measurements already: it was loaded on 20[0-9-]* [0-9:]* UTC (load 1, as a.klf)" "$work/err" ||
  fail "message: $(cat "$work/err")"
grep -q -- "--replace" "$work/err" || fail "the remedy: $(cat "$work/err")"
status=0
"$cli" --quiet --folder "$work/in" --into "$db" 2>"$work/err" || status=$?
check "exit status of a folder loaded before" 3 "$status"
check "left out" 2 "$(grep -c "It was not loaded again." "$work/err")"
check "nothing added" "$((count + other))|2" "$(sql drives "SELECT (SELECT count(*) FROM measurements), (SELECT count(*) FROM quillon_loads)")"

# --replace: the single load's rows, under a new load.
"$cli" --quiet "$work/again.klf" -o "$db" --replace || fail "replacing"
check "replaced" "$((count + other))|again.klf|$count" \
  "$(sql drives "SELECT (SELECT count(*) FROM measurements), file_name, (SELECT count(*) FROM measurements WHERE load_id = l.id) FROM quillon_loads l WHERE sha256 = '$(sha256sum < "$sample" | cut -c1-64)'")"
"$cli" --quiet "$sample" -o "$db" --layer other --best-server || fail "another table"
[ "$(sql drives "SELECT count(*) FROM other")" -gt 0 ] || fail "the table of --layer"

# Coverage bins into a table of their own, as in the delimited bins of the same log,
# with the load's id.
"$cli" --quiet "$sample" -o "$db" --layer binned --bins 50 || fail "the bins"
"$cli" --quiet "$sample" -o "$work/one.out" --bins 50 || fail "the delimited bins"
bins="$(($(wc -l < "$work/one-bins.out") - 1))|$(awk -F, 'NR > 1 { n += $7 } END { print n }' "$work/one-bins.out")"
check "bins" "$bins" "$(sql drives "SELECT count(*), sum(count) FROM binned_bins")"
check "bins are squares in WGS 84" "4326|ST_Polygon|5" \
  "$(sql drives "SELECT DISTINCT ST_SRID(geom), ST_GeometryType(geom), ST_NPoints(geom) FROM binned_bins")"
check "bins of the load" "${bins%%|*}|${bins%%|*}" \
  "$(sql drives "SELECT count(*), (SELECT bins FROM quillon_loads WHERE layer = 'binned') FROM binned_bins b JOIN quillon_loads l ON l.id = b.load_id AND l.layer = 'binned'")"

# A failure between the measurements and the bins (the database refuses the bins)
# leaves the earlier load as it was: the replacement is one transaction.
before=$(sql drives "SELECT (SELECT count(*) FROM binned), (SELECT count(*) FROM binned_bins), (SELECT string_agg(id::text, ',') FROM quillon_loads WHERE layer = 'binned')")
sql drives "CREATE FUNCTION refuse() RETURNS trigger AS \$\$ BEGIN RAISE EXCEPTION 'bins refused'; END \$\$ LANGUAGE plpgsql"
sql drives "CREATE TRIGGER refuse BEFORE INSERT ON binned_bins FOR EACH ROW EXECUTE FUNCTION refuse()"
status=0
"$cli" --quiet "$sample" -o "$db" --layer binned --bins 50 --replace 2>"$work/err" || status=$?
check "exit status of a failed load" 1 "$status"
grep -q "bins refused" "$work/err" || fail "the server's reason: $(cat "$work/err")"
check "the earlier load kept" "$before" "$(sql drives "SELECT (SELECT count(*) FROM binned), (SELECT count(*) FROM binned_bins), (SELECT string_agg(id::text, ',') FROM quillon_loads WHERE layer = 'binned')")"
sql drives "DROP TRIGGER refuse ON binned_bins"

# A failure in a database's first load leaves no table behind.
sql postgres "CREATE DATABASE first"
sql first "CREATE EXTENSION postgis"
sql first "CREATE FUNCTION refuse() RETURNS event_trigger AS \$\$ BEGIN IF EXISTS (SELECT 1 FROM pg_event_trigger_ddl_commands() WHERE object_identity LIKE '%_bins') THEN RAISE EXCEPTION 'no bins table'; END IF; END \$\$ LANGUAGE plpgsql"
sql first "CREATE EVENT TRIGGER refuse ON ddl_command_end EXECUTE FUNCTION refuse()"
status=0
"$cli" --quiet "$sample" -o "PG:dbname=first host=$work user=quillon" --bins 50 2>"$work/err" || status=$?
check "exit status of a failed first load" 1 "$status"
check "no table after a failed first load" "0" "$(sql first "SELECT count(*) FROM pg_tables WHERE schemaname = 'public' AND tablename <> 'spatial_ref_sys'")"

# A log stopped halfway leaves nothing of itself behind.
"$synth" "$work/big.klf" --seed 9 --megabytes 60 >/dev/null
"$cli" --quiet "$work/big.klf" -o "$db" &
pid=$!
sleep 2
kill -INT "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
[ "$status" -ne 0 ] || echo "note: the log was written before it could be stopped"
[ "$status" -eq 0 ] || check "nothing of a stopped log" "0" "$(sql drives "SELECT count(*) FROM measurements WHERE log = 'big.klf'")"

# Column types: texts without a limit, reals in double precision, a 64-bit id.
check "types" "freq_mhz|double precision
log|character varying|
ogc_fid|bigint" "$(sql drives "SELECT column_name, data_type || CASE WHEN data_type LIKE 'char%' THEN '|' || coalesce(character_maximum_length::text, '') ELSE '' END FROM information_schema.columns WHERE table_name = 'measurements' AND column_name IN ('ogc_fid', 'log', 'freq_mhz') ORDER BY 1")"

# A database without PostGIS is refused, with the remedy, and nothing is created in it.
sql postgres "CREATE DATABASE plain"
status=0
"$cli" --quiet "$sample" -o "PG:dbname=plain host=$work user=quillon" 2>"$work/err" || status=$?
check "exit status without PostGIS" 1 "$status"
grep -q "CREATE EXTENSION postgis" "$work/err" || fail "message: $(cat "$work/err")"
check "nothing created" "0" "$(sql plain "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")"

# A database that cannot be reached ends the run with exit 1 and the server's message.
status=0
"$cli" --quiet "$sample" -o "PG:dbname=missing host=$work user=quillon" 2>"$work/err" || status=$?
check "exit status" 1 "$status"
grep -q "Database Cannot Be Accessed!" "$work/err" || fail "message: $(cat "$work/err")"
grep -q "missing" "$work/err" || fail "the server's reason: $(cat "$work/err")"
echo "PostGIS: loads recorded, refused and replaced, bins, failed loads, a stopped log, no PostGIS, an unreachable database"
