#!/usr/bin/env bash
# Completes orvexhd-cli's and orvexhd-preview's words as bash does at a Tab, with a build's or a
# package's programs first on the PATH: a command, a port, a setting's key (whole or bare), an
# option's value given after "=", and the options.
# tests/completion.sh COMPLETION-FILE PROGRAM-FOLDER...
set -uo pipefail
completion="$1"
shift
for folder in "$@"; do
    PATH="$folder:$PATH"
done
export ORVEX_SDK_CONFIG=
source "$completion"
# Outside a Tab, bash has no completion to set options on.
compopt() { :; }

failed=0
# completes LINE EXPECTED...: the words offered when Tab is pressed at the end of LINE. COMP_WORDS
# is split as bash splits it, at spaces and at "=".
completes() {
    local line="$1" function
    shift
    COMP_LINE="$line"
    COMP_POINT=${#line}
    read -r -a COMP_WORDS <<<"${line//=/ = }"
    if [[ $line == *[\ =] ]]; then
        COMP_WORDS+=("")
    fi
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    function="$(complete -p "${COMP_WORDS[0]}" | sed -n 's/.*-F \([^ ]*\) .*/\1/p')"
    COMPREPLY=()
    "$function"
    # Joined by "|", so that a reply split at a space shows.
    local IFS='|'
    if [[ "${COMPREPLY[*]}" != "$*" ]]; then
        echo "completion: \"$line\" offers \"${COMPREPLY[*]}\", not \"$*\""
        failed=1
    fi
}
files="$(mktemp -d)"
trap 'rm -rf "$files"' EXIT
touch "$files/my profile.ini"

completes "orvexhd-cli prov" provision
completes "orvexhd-cli help se" set serial
completes "orvexhd-cli info -p SI" SIM1
completes "orvexhd-cli temps --port=SI" SIM1
completes "orvexhd-cli set --port SIM1 user.gam" user.gamma=
completes "orvexhd-cli set --port SIM1 zoomF" zoomFactor=
completes "orvexhd-cli apply --port SIM1 --" --port --dry-run --verify --json --help
completes "orvexhd-preview --port SI" SIM1
completes "orvexhd-preview --l" --list-devices
completes "orvexhd-cli apply --port SIM1 $files/my" "$files/my profile.ini"
completes "orvexhd-cli apply --port SIM1 $files/my\\ pr" "$files/my profile.ini"
completes "orvexhd-cli apply --port SIM1 \"$files/my p" "$files/my profile.ini"

# A port list that never comes, from the orvexhd-cli beside the preview typed by its path: no reply,
# and the Tab's wait ends.
hanging="$files/hanging"
mkdir "$hanging"
printf '#!/bin/sh\nexec sleep 60\n' >"$hanging/orvexhd-cli"
chmod +x "$hanging/orvexhd-cli"
ln -s "$(command -v orvexhd-preview)" "$hanging/orvexhd-preview"
complete -F _orvexhd_preview "$hanging/orvexhd-preview"
started=$SECONDS
completes "$hanging/orvexhd-preview --port SI"
if ((SECONDS - started >= 60)); then
    echo "completion: a port list that never comes holds the Tab until it ends"
    failed=1
fi
exit $failed
