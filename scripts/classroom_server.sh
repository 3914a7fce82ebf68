#!/usr/bin/env bash
# Sets up one kindergarten's record on the school's own PostgreSQL server (Debian, run as root):
# the database and its tables, the game's and the teacher's roles, TLS with a certificate made
# here, the pg_hba.conf rules, and at the end the connection code that the adult types on each game
# machine (kept, with the passwords, in /etc/kazoemashou for root, to be found again).
#
#   classroom_server.sh [--database NAME] [--address HOST]   set up (again: keeps the passwords)
#   classroom_server.sh certificate FOLDER HOST               only make a certificate and its key
#   classroom_server.sh schema DATABASE GAME_PASSWORD TEACHER_PASSWORD
#                                   only bring an existing server's database to the latest version
#                                   and give the roles their rights (PGHOST, PGPORT, PGUSER say
#                                   where; the tests use this on their own server)
#
# The roles are DATABASE_game and DATABASE_teacher, so that one server holds many kindergartens,
# each reachable only by its own roles. What the roles may do: dist/classroom/roles.sql.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
migrations="${KAZOE_CLASSROOM_SQL:-$here/dist/classroom}"
[ -d "$migrations" ] || migrations=/usr/share/kazoemashou/classroom

say() { printf 'kazoemashou: %s\n' "$*" >&2; }

# A self-signed certificate (its own authority: the game pins it) and its key, readable only by
# the owner of FOLDER.
make_certificate() {
    local folder="$1" host="$2" san
    case "$host" in
        *[!0-9.]*) san="DNS:$host" ;;
        *) san="IP:$host" ;;
    esac
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
        -subj "/CN=kazoemashou class $host" -addext "subjectAltName=$san" \
        -addext "basicConstraints=critical,CA:TRUE" \
        -keyout "$folder/classroom.key" -out "$folder/classroom.crt" 2>/dev/null
    chmod 600 "$folder/classroom.key"
}

# The certificate's fingerprint as the connection code carries it: the first 16 hex digits of
# its SHA-256, in groups of four.
fingerprint() {
    openssl x509 -in "$1" -outform DER | sha256sum | cut -c1-16 | sed 's/..../&-/g; s/-$//'
}

# Each migration not yet applied, in one transaction with its version, then the roles' rights.
apply_schema() {
    local db="$1" game_password="$2" teacher_password="$3" version file number
    local psql=(psql -X -q -v ON_ERROR_STOP=1)
    if [ -z "$("${psql[@]}" -d postgres -tAc "SELECT 1 FROM pg_database WHERE datname = '$db'")" ]; then
        "${psql[@]}" -d postgres -c "CREATE DATABASE \"$db\" ENCODING 'UTF8' TEMPLATE template0"
    fi
    local role password
    for role in game teacher; do
        password="$game_password"
        [ "$role" = teacher ] && password="$teacher_password"
        "${psql[@]}" -d postgres -v role="${db}_$role" -v password="$password" <<'EOF'
SELECT format('CREATE ROLE %I LOGIN', :'role')
    WHERE NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = :'role') \gexec
SELECT format('ALTER ROLE %I PASSWORD %L', :'role', :'password') \gexec
EOF
    done
    version=0
    [ "$("${psql[@]}" -d "$db" -tAc "SELECT to_regclass('schema_version') IS NOT NULL")" = t ] &&
        version="$("${psql[@]}" -d "$db" -tAc "SELECT version FROM schema_version")"
    for file in "$migrations"/[0-9][0-9][0-9]_*.sql; do
        number="$(basename "$file" | cut -c1-3)"
        number=$((10#$number))
        [ "$number" -le "$version" ] && continue
        say "bringing $db to version $number ($(basename "$file"))"
        "${psql[@]}" -d "$db" --single-transaction -f "$file"
    done
    "${psql[@]}" -d "$db" -v db="$db" -v game="${db}_game" -v teacher="${db}_teacher" \
        -f "$migrations/roles.sql"
}

# A password easy to type: 12 letters and digits that cannot be mistaken for one another.
new_password() {
    head -c 600 /dev/urandom | tr -dc 'abcdefghjkmnpqrstuvwxyz23456789' | cut -c1-12 |
        sed 's/..../&-/g; s/-$//'
}

case "${1:-}" in
    certificate)
        make_certificate "$2" "$3"
        exit 0
        ;;
    schema)
        apply_schema "$2" "$3" "$4"
        exit 0
        ;;
esac

db=kazoemashou
address="$(hostname -I 2>/dev/null | awk '{print $1}')"
while [ $# -gt 0 ]; do
    case "$1" in
        --database) db="$2"; shift 2 ;;
        --address) address="$2"; shift 2 ;;
        *) say "unknown argument: $1"; exit 2 ;;
    esac
done
case "$db" in
    *[!a-z0-9_]* | "") say "a database name is small letters, digits and _"; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { say "run as root"; exit 2; }
command -v pg_lsclusters >/dev/null || { say "install postgresql first (apt-get install postgresql)"; exit 2; }
address="${address:-127.0.0.1}"

# The first cluster of the newest PostgreSQL installed.
read -r pg_version cluster port status _ < <(pg_lsclusters -h | sort -k1,1nr | head -n 1)
[ -n "${pg_version:-}" ] || { say "no PostgreSQL cluster (pg_createcluster 15 main --start)"; exit 2; }
[ "$status" = online ] || pg_ctlcluster "$pg_version" "$cluster" start
conf="/etc/postgresql/$pg_version/$cluster"
secrets=/etc/kazoemashou
mkdir -p "$secrets"
chmod 700 "$secrets"
code_file="$secrets/$db.classroom"      # the code and the game's password, for the next run
teacher_file="$secrets/$db.teacher"      # the teacher's password

# Passwords: kept from a run before (the machines stay joined), else made now.
game_password="" teacher_password=""
[ -f "$code_file" ] && game_password="$(sed -n 's/^password=//p' "$code_file")"
[ -f "$teacher_file" ] && teacher_password="$(sed -n 's/^password=//p' "$teacher_file")"
game_password="${game_password:-$(new_password)}"
teacher_password="${teacher_password:-$(new_password)}"

# TLS with a certificate of this server's own, made once.
if [ ! -f "$conf/classroom.crt" ]; then
    make_certificate "$conf" "$address"
    chown postgres:postgres "$conf/classroom.crt" "$conf/classroom.key"
fi
runuser -u postgres -- psql -X -q -v ON_ERROR_STOP=1 -p "$port" <<EOF
ALTER SYSTEM SET ssl = on;
ALTER SYSTEM SET ssl_cert_file = '$conf/classroom.crt';
ALTER SYSTEM SET ssl_key_file = '$conf/classroom.key';
ALTER SYSTEM SET listen_addresses = '*';
ALTER SYSTEM SET password_encryption = 'scram-sha-256';
EOF

# The schema and the roles.
export PGPORT="$port"
# (In a shell of the server's user that stops at the first failure, as this one does: a migration
# that fails must stop the set-up, not be passed over.)
runuser -u postgres --preserve-environment -- bash -c "set -euo pipefail; \
    $(declare -f say apply_schema); \
    migrations='$migrations' apply_schema '$db' '$game_password' '$teacher_password'"

# pg_hba.conf: this kindergarten's roles reach only its database; from another machine only over
# TLS. The rules go first (the first rule that matches decides); a run before's are replaced.
hba="$conf/pg_hba.conf"
sed -i "/^# kazoemashou $db begin/,/^# kazoemashou $db end/d" "$hba"
roles="${db}_game,${db}_teacher"
{
    echo "# kazoemashou $db begin"
    echo "local   $db  $roles                  scram-sha-256"
    echo "host    $db  $roles  127.0.0.1/32    scram-sha-256"
    echo "host    $db  $roles  ::1/128         scram-sha-256"
    echo "hostssl $db  $roles  all             scram-sha-256"
    echo "host    all  $roles  all             reject"
    echo "local   all  $roles                  reject"
    echo "# kazoemashou $db end"
    cat "$hba"
} >"$hba.new"
mv "$hba.new" "$hba"
chown postgres:postgres "$hba"
pg_ctlcluster "$pg_version" "$cluster" restart

# The connection code, kept with what the next run of this script needs.
fp="$(fingerprint "$conf/classroom.crt")"
code="$address:$port/$db/$game_password/$fp"
{
    echo "# kazoemashou class: the game machines join with this code (the children screen's 「クラス」)"
    echo "code=$code"
    echo "user=${db}_game"
    echo "password=$game_password"
} >"$code_file"
printf 'user=%s\npassword=%s\n' "${db}_teacher" "$teacher_password" >"$teacher_file"
chmod 600 "$code_file" "$teacher_file"
echo
echo "The class's record is ready. On each game machine, in the children screen's 「クラス」, type:"
echo
echo "    $code"
echo
echo "The teacher's role: ${db}_teacher, password $teacher_password (psql -h $address -U ${db}_teacher $db)."
echo "Kept, readable by root only: $code_file (the code), $teacher_file (the teacher's)."
