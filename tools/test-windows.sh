#!/usr/bin/env bash
# The Windows leg: installs what is missing, cross-builds build-win64/ (everything, tested) and
# build-win32/ (the program, compiled only: these machines run no 32-bit code), and runs the
# Windows unit and integration suites under Wine in a throw-away prefix and home, with step
# services running natively on loopback for the web request. The code-page-sensitive suites run
# once more with an English locale. Needs build/bin/step-service (built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
leg_start=$SECONDS

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
while read -r package; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done < <(grep -v -e '^\s*#' -e '^\s*$' tools/packages-windows.txt)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

[ -x build/bin/step-service ] || {
  [ -f build/build.ninja ] || cmake -S . -B build -G Ninja
  cmake --build build --target step-service
}

# Release builds: no debug information, which costs the cross linker most of its time.
for arch in x86_64:win64 i686:win32; do
  dir=build-${arch#*:}
  [ -f "$dir/build.ninja" ] ||
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-${arch%:*}.cmake" \
      -DCMAKE_BUILD_TYPE=Release
done
cmake --build build-win64
cmake --build build-win32 --target update-steps
file build-win64/bin/update-steps.exe build-win32/bin/update-steps.exe

# Everything Wine and the services leave lives here and goes at the end.
scratch=$(mktemp -d /tmp/test-windows.XXXXXX)
service_pids=()
cleanup() {
  for pid in "${service_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -d "$scratch/prefix" ]; then WINEPREFIX="$scratch/prefix" wineserver -k 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# Private locales: code page 936 is Wine's ANSI code page under zh_CN only.
export LOCPATH="$scratch/locales"
mkdir -p "$LOCPATH"
localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || true
localedef -i en_US -f UTF-8 "$LOCPATH/en_US.UTF-8" 2>/dev/null || true

# Step services on ephemeral loopback ports: one presenting a certificate from the authority
# the Windows build carries, one from another authority, one from a test authority (trusted by
# the test) for a name that is not the host's.
openssl_quiet() { openssl "$@" 2>/dev/null; }
make_wrong_name_certs() {
  local dir=$1
  mkdir -p "$dir"
  openssl_quiet req -x509 -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:P-256 \
    -keyout "$dir/ca.key" -out "$dir/ca.pem" -days 2 -subj "/CN=test authority" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign"
  openssl_quiet req -new -nodes -newkey ec -pkeyopt ec_paramgen_curve:P-256 \
    -keyout "$dir/server.key" -out "$dir/server.csr" -subj "/CN=wrong.invalid"
  printf 'extendedKeyUsage=serverAuth\nsubjectAltName=DNS:wrong.invalid\n' >"$dir/server.ext"
  openssl_quiet x509 -req -in "$dir/server.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
    -CAcreateserial -out "$dir/server.pem" -days 2 -extfile "$dir/server.ext"
}
tools/make_certs.sh "$scratch/foreign"
make_wrong_name_certs "$scratch/wrong_name"

port_ours="" port_foreign="" port_wrong_name=""
start_service() {  # NAME CERT_DIR; sets port_NAME
  local name=$1 certs=$2 db="$scratch/$1.db" port_file="$scratch/$1.port"
  printf 'windows-test-password\n' | build/bin/step-service account add windows-test --db "$db" >/dev/null
  build/bin/step-service serve --listen 127.0.0.1:0 --cert "$certs/server.pem" \
    --key "$certs/server.key" --db "$db" --port-file "$port_file" >"$scratch/$name.log" 2>&1 &
  service_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$port_file" ] && break
    sleep 0.1
  done
  [ -s "$port_file" ] || { echo "step-service ($name) did not start:"; cat "$scratch/$name.log"; exit 1; }
  printf -v "port_$name" '%s' "$(cat "$port_file")"
}
start_service ours build-win64/tls
start_service foreign "$scratch/foreign"
start_service wrong_name "$scratch/wrong_name"
export STEP_SERVICE_TEST_ACCOUNT=windows-test STEP_SERVICE_TEST_PASSWORD=windows-test-password
export STEP_SERVICE_TEST_PORT="$port_ours" STEP_SERVICE_FOREIGN_PORT="$port_foreign"
export STEP_SERVICE_WRONG_NAME_PORT="$port_wrong_name"
export STEP_SERVICE_WRONG_NAME_CA="Z:$scratch/wrong_name/ca.pem"

# A fresh prefix and home; the persistent server first, so that Wine's background processes do
# not hold the tests' output pipes open.
export WINEPREFIX="$scratch/prefix" HOME="$scratch/home" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME/Documents" "$WINEPREFIX"
export LC_ALL=zh_CN.UTF-8
wineserver -p
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1

# The suites whose results hang on the code page run once more with an English locale
# (their NAME.english_locale tests).
ctest --test-dir build-win64 -L 'unit|integration' --output-on-failure --parallel 2 --timeout 300 \
  --no-tests=error
echo "Windows leg (builds and tests): $((SECONDS - leg_start)) s"
