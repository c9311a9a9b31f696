#!/usr/bin/env bash
# Checks the end-to-end tests themselves: with a corvana that works but always exits 3, every one
# of them must fail. Not part of ./test (it runs the whole end-to-end suite once more):
#   tests/e2e/exit3_check.sh build/debug
set -u
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$source_dir/build/debug}" && pwd)
wrapper_dir=$(mktemp -d "${TMPDIR:-/tmp}/corvana-exit3.XXXXXX")
trap 'rm -rf "$wrapper_dir"' EXIT
cat >"$wrapper_dir/corvana" <<WRAPPER
#!/usr/bin/env bash
"$build/project/corvana" "\$@" &
child=\$!
for s in TERM INT HUP; do trap "kill -s \$s \$child" \$s; done
while true; do wait \$child; kill -0 \$child 2>/dev/null || break; done
exit 3
WRAPPER
chmod +x "$wrapper_dir/corvana"
passed=0 failed=0
for script in "$source_dir"/tests/e2e/e2e_*.sh; do
    name=$(basename "$script" .sh)
    [ "${name%_lib}" = "$name" ] || continue
    if CORVANA_BIN="$wrapper_dir/corvana" E2E_PEER="$build/tests/e2e/e2e_peer" \
        E2E_PIXELS="$build/tests/e2e/e2e_pixels" CORVANA_SOURCE="$source_dir" \
        CORVANA_SHOTS="$wrapper_dir/shots" \
        "$source_dir/tests/support/run-isolated.sh" bash "$script" >"$wrapper_dir/$name.log" 2>&1; then
        echo "NOT CAUGHT: $name passed with a corvana that exits 3"
        failed=$((failed + 1))
    else
        echo "caught: $name: $(grep -m 1 '^FAIL' "$wrapper_dir/$name.log")"
        passed=$((passed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
