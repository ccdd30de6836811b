#!/usr/bin/env bash
# qorutil-cli end to end where the system misbehaves or the names are hostile: outputs that
# must stay under their folder, links, a full or read-only file system, a closed or full
# standard output, signals in the middle of a batch, names that are not text, and options that
# make no sense. Usage: cli_faults.sh QORUTIL-CLI EXAMPLE.reanim.compiled
# Parts that need root (mounting a small file system, running as another user) are skipped
# without it, and say so.
set -uo pipefail
cli=$(realpath "$1")
example=$(realpath "$2")
work=$(mktemp -d /tmp/qorutil-faults.XXXXXX)
mounts=()
cleanup() {
    local mount
    for mount in "${mounts[@]}"; do umount "$mount" 2>/dev/null; done
    chmod -R u+rwx "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

passed=0
failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
# expect WHAT COMMAND...: the command must succeed.
expect() { local what=$1; shift; if "$@"; then ok; else bad "$what"; fi; }
# run ARGS...: runs the program, keeping its status, stdout and stderr.
run() { "$cli" "$@" >out.txt 2>err.txt; status=$?; }
says() { grep -qF -- "$1" err.txt; }
no_temporaries() { [ -z "$(find "${1:-.}" -name '.qorutil-*' 2>/dev/null)" ]; }
text_of() { "$cli" decompile -q -o - "$1"; }
reference=$(text_of "$example")

# A compiled file whose text is about `frames` lines long.
make_large() {
    local frames=$1 target=$2
    { echo '<fps>12</fps><track><name>t</name>'; yes '<t><x>1.5</x><y>2</y><i>IMAGE_X</i></t>' | head -n "$frames"; echo '</track>'; } >"$target.reanim"
    "$cli" compile -q -o "$target" "$target.reanim" && rm "$target.reanim"
}

echo "== Outputs lie under --output-dir, and folders keep apart"
mkdir -p mod/anims/zombie mod/b deep/sub
cp "$example" mod/anims/zombie/walk.reanim.compiled
cp "$example" mod/b/walk.reanim.compiled
run decompile --output-dir text/ mod/anims/
expect "one folder mirrors what lies below it" [ "$status" = 0 -a -f text/zombie/walk.reanim -a ! -e text/mod ]
(cd deep/sub && "$cli" decompile -q --output-dir out ../../mod/anims)
expect "a relative folder from a subfolder" [ -f deep/sub/out/zombie/walk.reanim ]
expect "nothing written beside the inputs" [ ! -e mod/anims/zombie/walk.reanim ]
run decompile --output-dir several mod/anims mod/b
expect "several folders each under its own name" [ "$status" = 0 -a -f several/anims/zombie/walk.reanim -a -f several/b/walk.reanim ]
mkdir -p x/d y/d && cp "$example" x/d/ && cp "$example" y/d/
run decompile --output-dir same x/d y/d
expect "folders of one name are refused with the fix" eval '[ "$status" = 1 ] && says "would both be written to" && says "own --output-dir" && [ ! -e same/d ]'
mkdir -p in && cp "$example" in/a.reanim.compiled
"$cli" decompile -q --output-dir in/out in
run compile --output-dir in/out in
expect "an output folder inside the input is not read" [ "$status" = 0 -a ! -e in/out/out -a ! -e in/out/a.reanim.compiled ]

echo "== Files compared by identity, outputs never through links"
mkdir -p d && cp "$example" d/a.reanim.compiled && echo "my text" >d/a.reanim && ln -s d link
run decompile d/a.reanim link/a.reanim.compiled
expect "an output that is another input by another spelling" eval 'says "would replace another input" && [ "$(cat d/a.reanim)" = "my text" ]'
echo "elsewhere" >target && ln -s "$work/target" linked.reanim
run decompile -o linked.reanim "$example"
expect "a linked output is refused" eval '[ "$status" = 1 ] && says "symbolic link" && [ "$(cat target)" = elsewhere ] && [ -L linked.reanim ]'
echo "kept" >hard.txt && ln hard.txt hard.reanim
run decompile -o hard.reanim "$example"
expect "a hard-linked output leaves its other name alone" eval '[ "$status" = 0 ] && [ "$(cat hard.txt)" = kept ] && [ "$(cat hard.reanim)" = "$reference" ]'
echo old >suid.reanim && chmod 4755 suid.reanim
"$cli" decompile -q -o suid.reanim "$example"
expect "permissions are kept, setuid is not" [ "$(stat -c %a suid.reanim)" = 755 ]
long=$(printf 'n%.0s' $(seq 239)) # with ".reanim.compiled", 255 bytes
echo '<track><name>a</name></track>' >"$long.reanim"
run compile "$long.reanim"
expect "an output name of 255 bytes" [ "$status" = 0 -a -f "$long.reanim.compiled" ]

echo "== Two names of one file: one conversion per output"
mkdir -p hl && cp "$example" hl/a.reanim.compiled && ln hl/a.reanim.compiled hl/b.reanim.compiled
run decompile hl
expect "hard links in one folder: each name is converted" \
    eval '[ "$status" = 0 ] && [ "$(cat hl/a.reanim)" = "$reference" ] && [ "$(cat hl/b.reanim)" = "$reference" ] && says "Decompiled hl/b.reanim.compiled to hl/b.reanim" && says "2 converted, 0 failed"'
run decompile --output-dir hlout hl
expect "hard links into an output folder: each name is converted" eval '[ "$status" = 0 ] && [ -f hlout/a.reanim -a -f hlout/b.reanim ]'
rm hl/*.reanim
run decompile hl hl/
expect "a folder given twice: each file once" \
    eval '[ "$status" = 0 ] && [ "$(grep -c "^Decompiled" err.txt)" = 2 ] && says "2 converted, 0 failed, 0 skipped" && [ -f hl/a.reanim -a -f hl/b.reanim ]'
run decompile hl/a.reanim.compiled ./hl/../hl/a.reanim.compiled
expect "a file given twice by two spellings: converted once, no clash" \
    eval '[ "$status" = 0 ] && [ "$(wc -l <err.txt)" = 1 ] && says "Decompiled hl/a.reanim.compiled" && ! says "would both"'

echo "== Names"
cp "$example" "$work/$(printf 'new\nline').reanim.compiled"
run decompile "$(printf 'new\nline').reanim.compiled"
expect "a line feed in a name converts, shown escaped on one line" eval '[ "$status" = 0 ] && [ -f "$(printf "new\nline").reanim" ] && says "new\\x0Aline" && [ "$(wc -l <err.txt)" = 1 ]'
mkdir -p odd && cp "$example" "odd/$(printf '\xff').reanim.compiled" && cp "$example" odd/fine.reanim.compiled
run decompile odd
expect "a name that is not UTF-8 converts, named escaped" eval '[ "$status" = 0 ] && says "\\xFF.reanim.compiled" && [ -f "odd/$(printf "\\xff").reanim" ] && [ -f odd/fine.reanim ]'
run render "odd/$(printf '\xff').reanim.compiled" -o "$(printf 'picture\xfe').png"
expect "render reads and writes names that are not UTF-8" eval '[ "$status" = 0 ] && [ -s "$(printf "picture\\xfe").png" ]'
cp "$example" ./-dash.reanim.compiled
run decompile -- -dash.reanim.compiled
expect "-- ends the options" [ "$status" = 0 -a -f ./-dash.reanim ]
run decompile -o stdin.reanim - <"$example"
expect "- reads standard input" eval '[ "$status" = 0 ] && [ "$(cat stdin.reanim)" = "$reference" ]'
deep=$work/deep-names
mkdir -p "$deep" && (cd "$deep" && for _ in $(seq 18); do mkdir "$long" && cd "$long" || exit; done && cp "$example" x.reanim.compiled)
run decompile "$deep"
expect "a path longer than the system allows fails, not skipped" eval '[ "$status" = 1 ] && says "File name too long"'

echo "== Options"
while IFS='|' read -r arguments message; do
    read -ra words <<<"$arguments"
    run "${words[@]}"
    expect "usage error: $arguments" eval '[ "$status" = 2 ] && says "$message"'
done <<'TABLE'
decompile -j 0 x|needs a whole number of at least 1
decompile -j -3 x|needs a whole number of at least 1
decompile --jobs=abc x|needs a whole number of at least 1
decompile -j0 x|-j needs a whole number of at least 1, not '0'
decompile -qv x|unknown option '-qv'
check --json x|--json does not apply to check
info -o y x|-o does not apply to info
compile -o y a b|-o goes with exactly one input file
decompile -|standard input (-) needs -o
decompile --fast x|unknown option
TABLE
run decompile -o -h "$example"
expect "-o takes -h as its file" [ "$status" = 0 -a -f ./-h ]
cp "$example" jobs.reanim.compiled
run decompile -j 100000 jobs.reanim.compiled
expect "a huge -j is capped, not fatal" [ "$status" = 0 ]
run decompile -j1 -oattached.reanim jobs.reanim.compiled
expect "a short option's value may be attached: -j1 -oFILE" [ "$status" = 0 -a -f attached.reanim ]

echo "== One line a file, the converters' lines with -v, compile warns as check does"
run decompile -o quiet.reanim "$example"
expect "one line by default" eval '[ "$(wc -l <err.txt)" = 1 ] && says "Decompiled "'
run decompile -v -o loud.reanim "$example"
expect "-v adds the converters' lines" eval 'says "Read 474 44" && says "Decompile finish ["'
printf '<track><name>a</name><t/><!-- note -->\n<t><x>1</x></t></track>' >warned.reanim
run compile warned.reanim
expect "compile warns and writes" eval '[ "$status" = 0 ] && says "warned.reanim:2: warning:" && [ -f warned.reanim.compiled ]'
printf '<foo>bar</foo>' >nothing.reanim
run compile nothing.reanim
expect "compile warns of a text with no <fps> and no <track>" eval '[ "$status" = 0 ] && says "nothing.reanim:1: warning: the text has no <fps> and no <track>"'
rm warned.reanim.compiled
run compile --strict warned.reanim
expect "compile --strict fails on a warning" [ "$status" = 1 -a ! -e warned.reanim.compiled ]

echo "== Render says only its own lines"
env -u XDG_RUNTIME_DIR "$cli" render -q "$example" -o rendered.png >out.txt 2>err.txt; status=$?
expect "render -q without XDG_RUNTIME_DIR prints nothing" eval '[ "$status" = 0 ] && [ ! -s err.txt ] && [ -s rendered.png ]'
env -u XDG_RUNTIME_DIR "$cli" render "$example" -o rendered.png >out.txt 2>err.txt; status=$?
expect "render without XDG_RUNTIME_DIR prints its one line" eval '[ "$status" = 0 ] && [ "$(wc -l <err.txt)" = 1 ] && says "Rendered "'

echo "== Standard output"
"$cli" decompile -o - "$example" >/dev/full 2>err.txt; status=$?
expect "a full standard output fails" eval '[ "$status" = 1 ] && says "No space left on device"'
"$cli" decompile -o - "$example" >&- 2>err.txt; status=$?
expect "a closed standard output fails" eval '[ "$status" = 1 ] && says "cannot write to standard output"'
if command -v script >/dev/null; then
    script -qec "'$cli' compile -o - '$work/warned.reanim'" /dev/null >tty.txt </dev/null; status=$?
    expect "a compiled file is never written to a terminal" eval '[ "$status" = 2 ] && grep -q "to a terminal" tty.txt'
fi
make_large 200000 large.reanim.compiled
"$cli" decompile -o - large.reanim.compiled 2>/dev/null | head -c 10 >/dev/null
expect "a broken pipe is no success" [ "${PIPESTATUS[0]}" != 0 ]

echo "== Signals in the middle of a batch"
# Many files, so the signal comes while the batch is well under way, however fast the machine.
mkdir -p batch
make_large 2000 batch/0.reanim.compiled
for n in $(seq 1 1500); do cp batch/0.reanim.compiled "batch/$n.reanim.compiled"; done
whole=$(text_of batch/0.reanim.compiled)
for signal in TERM INT; do
    rm -rf batchout
    "$cli" decompile -j 1 --output-dir batchout batch 2>err.txt & pid=$!
    for _ in $(seq 1000); do [ -n "$(ls batchout 2>/dev/null)" ] && break; sleep 0.01; done
    kill -s "$signal" "$pid"
    wait "$pid"; status=$?
    code=$([ "$signal" = TERM ] && echo 143 || echo 130)
    complete=true
    for output in batchout/*.reanim; do [ "$(cat "$output")" = "$whole" ] || complete=false; done
    expect "SIG$signal stops the batch with $code, a summary, no temporary, whole outputs" \
        eval '[ "$status" = "$code" ] && says "interrupted" && no_temporaries batchout && $complete && [ "$(ls batchout | wc -l)" -lt 1501 ]'
done
touch batchout/.qorutil-999999999-abcdef "batchout/.qorutil-$$-abcdef"
"$cli" decompile -q --output-dir batchout batch/1.reanim.compiled
expect "stale temporaries of dead runs are cleaned, live ones kept" [ ! -e batchout/.qorutil-999999999-abcdef -a -e "batchout/.qorutil-$$-abcdef" ]

echo "== A full and a read-only file system"
if [ "$(id -u)" = 0 ] && mkdir -p small readonly && mount -t tmpfs -o size=256k tmpfs small 2>/dev/null; then
    mounts+=("$work/small")
    echo "old bytes" >small/large.reanim
    run decompile -o small/large.reanim large.reanim.compiled
    expect "a full disk: one reason, old output kept, no temporary" \
        eval '[ "$status" = 1 ] && says "No space left on device" && [ "$(cat small/large.reanim)" = "old bytes" ] && no_temporaries small'
    rm -f small/large.reanim
    mkdir -p mixed && cp "$example" mixed/a.reanim.compiled && cp large.reanim.compiled mixed/b.reanim.compiled && cp "$example" mixed/c.reanim.compiled
    run decompile --output-dir small/out mixed
    expect "a full disk in a batch: the others sound" \
        eval '[ "$status" = 1 ] && [ "$(cat small/out/a.reanim)" = "$reference" ] && [ "$(cat small/out/c.reanim)" = "$reference" ] && [ ! -e small/out/b.reanim ] && no_temporaries small && says "1 failed"'
    mount -t tmpfs -o ro,size=64k tmpfs readonly && mounts+=("$work/readonly")
    run decompile --output-dir readonly/out mod/b
    expect "a read-only file system says so" eval '[ "$status" = 1 ] && says "Read-only file system"'
else
    echo "skipped: mounting a small file system needs root"
fi

echo "== A file that can't be read"
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
    mkdir -p open && chmod 777 open && cp "$example" open/secret.reanim.compiled && chmod 000 open/secret.reanim.compiled
    chmod o+x "$work"
    (cd open && setpriv --reuid=65534 --regid=65534 --clear-groups "$cli" decompile secret.reanim.compiled) 2>err.txt
    expect "unreadable says Permission denied" says "Permission denied"
else
    echo "skipped: running as another user needs root and setpriv"
fi
truncate -s $(((1 << 30) + 1)) huge.reanim
run compile huge.reanim
expect "a text over the limit is refused by its size, unread" eval '[ "$status" = 1 ] && says "huge.reanim is 1073741825 bytes long, more than the 1024 MiB such a file can have"'
rm -f huge.reanim

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
