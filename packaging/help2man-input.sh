#!/bin/sh
# Runs qorutil-cli with the given arguments and lays its --help out the way help2man reads
# it: a second usage line after "or:", the two commands indented like options.
"$@" | sed -e 's/^       qorutil-cli /  or:  qorutil-cli /' \
           -e 's/^\(de\)\{0,1\}compile  /  &/' \
           -e 's/^           (/             (/'
