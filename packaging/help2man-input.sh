#!/bin/sh
# Runs qorutil-cli with the given arguments and lays its --help out the way help2man reads
# it: further usage lines after "or:", the commands indented like options, each example a
# paragraph of its own.
"$@" | sed -e 's/^       qorutil-cli /  or:  qorutil-cli /' \
           -e 's/^\(decompile\|compile\|check\|info\|render\)  /  &/' \
           -e 's/^           \([^ ]\)/             \1/' \
           -e 's/^  qorutil-cli .*/&\n/'
