#!/usr/bin/env bash
# Sets up a line's database on a running Firebird 3 server for several stations:
# the database with the station's tables and indexes, a station user holding
# only the rights a station needs on those tables, and the [Database] section
# to paste into each station's Setting_Prog.ini. Running it again changes
# nothing that is already there, and says so.
#
#   scripts/server-setup.sh [--host HOST] [--port PORT] [--user NAME]
#                           [--password-file FILE] DATABASE_PATH
#
#   DATABASE_PATH     the database file as the server sees it, e.g. /srv/line/VELM.FDB
#                     (its folder must be writable by the server's user "firebird")
#   --host HOST       how the stations reach the server (default: this machine's name)
#   --port PORT       the server's port (default 3050)
#   --user NAME       the station user (default TARVIK)
#   --password-file FILE   the station user's password, first line (default: asked,
#                     or TARVIK_STATION_PASSWORD)
# SYSDBA's password: ISC_PASSWORD, else /etc/firebird/3.0/SYSDBA.password, else asked.
# No password is put on a command line: isql-fb reads them from its environment
# and its standard input.
set -euo pipefail

host=$(hostname)
port=3050
user=TARVIK
password_file=""
db=""
while [ $# -gt 0 ]; do
  case $1 in
    --host) host=${2:?--host needs a name}; shift 2 ;;
    --port) port=${2:?--port needs a number}; shift 2 ;;
    --user) user=${2:?--user needs a name}; shift 2 ;;
    --password-file) password_file=${2:?--password-file needs a file}; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "server-setup: unknown option $1" >&2; exit 2 ;;
    *) [ -z "$db" ] || { echo "server-setup: one database path only" >&2; exit 2; }; db=$1; shift ;;
  esac
done
[ -n "$db" ] || { echo "usage: $0 [--host HOST] [--port PORT] [--user NAME] [--password-file FILE] DATABASE_PATH" >&2; exit 2; }
case $db in /*) ;; *) echo "server-setup: give the database path as the server sees it, from /" >&2; exit 2 ;; esac
user=$(printf '%s' "$user" | tr '[:lower:]' '[:upper:]')
case $user in *[!A-Z0-9_]*|"") echo "server-setup: a user name of letters, digits and _ only" >&2; exit 2 ;; esac
[ "$user" != SYSDBA ] || { echo "server-setup: the station user must not be SYSDBA" >&2; exit 2; }
command -v isql-fb > /dev/null || { echo "server-setup: isql-fb is missing (apt install firebird3.0-utils)" >&2; exit 1; }

if [ -z "${ISC_PASSWORD:-}" ]; then
  if [ -r /etc/firebird/3.0/SYSDBA.password ]; then
    ISC_PASSWORD=$(. /etc/firebird/3.0/SYSDBA.password && printf '%s' "${ISC_PASSWORD:-}")
  fi
  if [ -z "${ISC_PASSWORD:-}" ]; then
    read -r -s -p "SYSDBA password of the server: " ISC_PASSWORD; echo >&2
  fi
fi
export ISC_USER=SYSDBA ISC_PASSWORD

if [ -n "$password_file" ]; then
  station_password=$(head -n 1 "$password_file")
elif [ -n "${TARVIK_STATION_PASSWORD:-}" ]; then
  station_password=$TARVIK_STATION_PASSWORD
else
  read -r -s -p "Password for the station user $user: " station_password; echo >&2
  read -r -s -p "The same password again: " again; echo >&2
  [ "$station_password" = "$again" ] || { echo "server-setup: the passwords differ" >&2; exit 1; }
fi
[ -n "$station_password" ] || { echo "server-setup: the station password is empty" >&2; exit 1; }
quoted_password=${station_password//\'/\'\'}

if [ "$port" = 3050 ]; then remote=$host:$db; else remote=$host/$port:$db; fi
changed=()
say() { echo "server-setup: $*" >&2; }

# Runs SQL from standard input on the database as SYSDBA; fails with isql's own text.
run_sql() {
  local out
  if ! out=$( { echo "SET BAIL ON;"; cat; } | isql-fb -q -b "$remote" 2>&1); then
    echo "$out" >&2
    return 1
  fi
}
# The single value of a query written "... AS V".
value() {
  printf 'SET LIST ON;\n%s;\n' "$1" | isql-fb -q "$remote" 2> /dev/null | awk '$1 == "V" { print $2; exit }'
}

# --- the database -----------------------------------------------------------
if out=$(printf 'SELECT 1 FROM RDB$DATABASE;\n' | isql-fb -q -b "$remote" 2>&1); then
  say "the database $remote is there"
else
  case $out in
    *"No such file"*|*"I/O error"*) ;;
    *) echo "$out" >&2; echo "server-setup: cannot reach the database $remote" >&2; exit 1 ;;
  esac
  printf "CREATE DATABASE '%s' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n" "$remote" |
    isql-fb -q -b 2>&1 >&2 || { echo "server-setup: the server could not create $db" >&2; exit 1; }
  changed+=("created the database $db")
fi

# --- tables, the box number row, indexes --------------------------------------
# As the station makes them itself (src/data/schema.cpp); the test of this
# script checks the result with tarvik --check-database.
tables=(
  "TOBAP|CREATE TABLE TOBAP (ID_TOB INTEGER, NAME VARCHAR(50), SKLAD VARCHAR(2000), BARCOD VARCHAR(13), PRICE VARCHAR(6), SELL_DATE VARCHAR(6), TEXT1 VARCHAR(100), TEXT2 VARCHAR(100), TEXT3 VARCHAR(100), TEXT4 VARCHAR(100), TEXT5 VARCHAR(100), TEXT6 VARCHAR(100), TEXT7 VARCHAR(100), TEXT8 VARCHAR(100))"
  "DB_ZVIT|CREATE TABLE DB_ZVIT (ID INTEGER, NAME CHAR(50), DATE_IN DATE, WEIGHT CHAR(6), PRICE CHAR(10), PARTIA INTEGER, NAME_W CHAR(10))"
  "KOPOBKA|CREATE TABLE KOPOBKA (ID_num INTEGER, NUM BIGINT)"
  "MESSAGES|CREATE TABLE MESSAGES (ID INTEGER, MESSAGES CHAR(100))"
  "TARVIK_RUNS|CREATE TABLE TARVIK_RUNS (RUN_ID CHAR(36) NOT NULL PRIMARY KEY, NAME_W CHAR(10), ID INTEGER)"
  "TARVIK_BOXES|CREATE TABLE TARVIK_BOXES (RUN_ID CHAR(36) NOT NULL PRIMARY KEY, NUM BIGINT)"
  "TARVIK_SCALES|CREATE TABLE TARVIK_SCALES (NAME_W CHAR(10) NOT NULL PRIMARY KEY, LAST_ID INTEGER)"
)
for t in "${tables[@]}"; do
  name=${t%%|*}
  if [ "$(value "SELECT COUNT(*) AS V FROM RDB\$RELATIONS WHERE RDB\$RELATION_NAME = '$name'")" = 0 ]; then
    printf '%s;\nCOMMIT;\n' "${t#*|}" | run_sql
    changed+=("created the table $name")
  fi
done
if [ "$(value "SELECT COUNT(*) AS V FROM KOPOBKA")" = 0 ]; then
  # A fresh line starts with box 1, the box number a fresh settings file holds.
  printf 'INSERT INTO KOPOBKA (ID_num, NUM) VALUES (1, 1);\nCOMMIT;\n' | run_sql
  changed+=("put box number 1 into KOPOBKA")
fi

# NAME|unique form|plain form (made when old rows hold a duplicate key)
indexes=(
  "TOBAP_IDX1|CREATE UNIQUE INDEX TOBAP_IDX1 ON TOBAP (ID_TOB)|CREATE INDEX TOBAP_IDX1 ON TOBAP (ID_TOB)"
  "DB_ZVIT_NAME_W_ID|CREATE UNIQUE DESCENDING INDEX DB_ZVIT_NAME_W_ID ON DB_ZVIT (NAME_W, ID)|CREATE DESCENDING INDEX DB_ZVIT_NAME_W_ID ON DB_ZVIT (NAME_W, ID)"
  "DB_ZVIT_NAME_W_DATE|CREATE INDEX DB_ZVIT_NAME_W_DATE ON DB_ZVIT (NAME_W, DATE_IN)|"
  "DB_ZVIT_NAME_W_PARTIA|CREATE INDEX DB_ZVIT_NAME_W_PARTIA ON DB_ZVIT (NAME_W, PARTIA)|"
)
for i in "${indexes[@]}"; do
  IFS='|' read -r name unique plain <<< "$i"
  [ "$(value "SELECT COUNT(*) AS V FROM RDB\$INDICES WHERE RDB\$INDEX_NAME = '$name'")" = 0 ] || continue
  if printf '%s;\nCOMMIT;\n' "$unique" | run_sql 2> /dev/null; then
    changed+=("created the index $name")
  elif [ -n "$plain" ]; then
    printf '%s;\nCOMMIT;\n' "$plain" | run_sql
    changed+=("created the index $name without UNIQUE: old rows share a key (docs/numbering.md)")
  else
    printf '%s;\nCOMMIT;\n' "$unique" | run_sql
  fi
done

# --- the station user -----------------------------------------------------------
if [ "$(value "SELECT COUNT(*) AS V FROM SEC\$USERS WHERE SEC\$USER_NAME = '$user'")" = 0 ]; then
  printf "CREATE USER %s PASSWORD '%s';\nCOMMIT;\n" "$user" "$quoted_password" | run_sql
  changed+=("created the server user $user")
elif ! printf 'SELECT 1 FROM RDB$DATABASE;\n' |
    ISC_USER=$user ISC_PASSWORD=$station_password isql-fb -q -b "$remote" > /dev/null 2>&1; then
  echo "server-setup: the user $user exists with another password; it is left as it is." >&2
  echo "  To give it this password: echo \"ALTER USER $user PASSWORD '...';\" | isql-fb -user SYSDBA $remote" >&2
  exit 1
fi

# Rights: exactly what the station's statements need (src/data/station_connection.cpp).
rights=(TOBAP:SIUD MESSAGES:SIUD DB_ZVIT:SID KOPOBKA:SU TARVIK_RUNS:SI TARVIK_BOXES:SI TARVIK_SCALES:SIU)
declare -A word=([S]=SELECT [I]=INSERT [U]=UPDATE [D]=DELETE)
for r in "${rights[@]}"; do
  table=${r%%:*}
  letters=${r#*:}
  for ((k = 0; k < ${#letters}; k++)); do
    p=${letters:k:1}
    n=$(value "SELECT COUNT(*) AS V FROM RDB\$USER_PRIVILEGES WHERE RDB\$USER = '$user' AND RDB\$RELATION_NAME = '$table' AND RDB\$PRIVILEGE = '$p' AND RDB\$OBJECT_TYPE = 0")
    if [ "$n" = 0 ]; then
      printf 'GRANT %s ON %s TO USER %s;\nCOMMIT;\n' "${word[$p]}" "$table" "$user" | run_sql
      changed+=("granted ${word[$p]} on $table to $user")
    fi
  done
done

# Firebird 3 lets any user create objects of its own in a database; this
# trigger refuses every schema change made as the station user.
if [ "$(value "SELECT COUNT(*) AS V FROM RDB\$TRIGGERS WHERE RDB\$TRIGGER_NAME = 'TARVIK_STATION_NO_DDL'")" = 0 ]; then
  run_sql <<SQL
CREATE EXCEPTION TARVIK_STATION_NO_DDL 'The station user makes no changes to the database schema';
COMMIT;
SET TERM ^ ;
CREATE TRIGGER TARVIK_STATION_NO_DDL BEFORE ANY DDL STATEMENT AS
BEGIN
  IF (CURRENT_USER = '$user') THEN EXCEPTION TARVIK_STATION_NO_DDL;
END^
SET TERM ; ^
COMMIT;
SQL
  changed+=("refused schema changes to $user (trigger TARVIK_STATION_NO_DDL)")
fi

if [ ${#changed[@]} -eq 0 ]; then
  say "nothing to do: the database, its tables, indexes, the user $user and its rights were already set up. Nothing was changed."
else
  for c in "${changed[@]}"; do say "$c"; done
fi

cat <<EOF
; Paste into Setting_Prog.ini of each station (one section [Database]):
[Database]
Path=$remote
User=$user
PasswordFile=db-password
; and put the password, readable by the station's user alone, beside it:
;   (umask 077; printf '%s\n' 'PASSWORD' > STATION_FOLDER/db-password)
; then check the station's connection:  tarvik --station-dir STATION_FOLDER --check-database
EOF
