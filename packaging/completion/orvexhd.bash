# shellcheck shell=bash
# Bash completion for orvexhd-cli and orvexhd-preview, installed under each program's name. Every
# word offered comes from the program being completed: its commands and options from its help,
# the ports from `orvexhd-cli ports`, the settings from `orvexhd-cli set --help`. So it offers
# what that very build takes, and a new command, option or setting needs nothing here.

# Sets _orvexhd_options to the long options that a help text lists, and _orvexhd_valued to those
# of them that take a value: the help's option lines, "  -p, --port P   the camera's port" as
# orvexhd-cli writes them and "  --port <PORT>   The simulated..." as Qt does.
_orvexhd_read_options() {
    local line names name
    local pattern='^  ((-[^ ,]+)(, -[^ ,]+)*)( [^ ]+)?  '
    _orvexhd_options=()
    _orvexhd_valued=()
    while IFS= read -r line; do
        [[ $line =~ $pattern ]] || continue
        read -r -a names <<<"${BASH_REMATCH[1]//,/}"
        for name in "${names[@]}"; do
            if [[ $name == --* ]]; then
                _orvexhd_options+=("$name")
            fi
            if [[ -n ${BASH_REMATCH[4]} ]]; then
                _orvexhd_valued+=("$name")
            fi
        done
    done <<<"$1"
}

# Replies with the words that begin WORD: _orvexhd_reply WORD CANDIDATE...
_orvexhd_reply() {
    local word=$1 candidate
    shift
    COMPREPLY=()
    for candidate in "$@"; do
        if [[ $candidate == "$word"* ]]; then
            COMPREPLY+=("$candidate")
        fi
    done
    # A setting's key is followed by its value, not by a space.
    if [[ ${COMPREPLY[0]:-} == *= ]]; then
        compopt -o nospace
    fi
}

_orvexhd_reply_files() {
    compopt -o filenames
    mapfile -t COMPREPLY < <(compgen -f -- "$1")
}

# The word being completed, whole and as the shell will read it: COMP_WORDS splits it at "=" and
# ":" (and bash replaces only what follows the last of them, so a reply never holds the part
# before), and keeps its quotes and backslashes, so that "my\ pro" or '"my pro' would match no file.
_orvexhd_word() {
    local typed=${COMP_LINE:0:COMP_POINT} character quote="" escaped="" index
    _orvexhd_current=
    for ((index = 0; index < ${#typed}; index++)); do
        character=${typed:index:1}
        if [[ -n $escaped ]]; then
            _orvexhd_current+=$character
            escaped=""
        elif [[ $character == \\ && ($quote == "" || ($quote == '"' &&
            ${typed:index+1:1} == [\$\`\"\\])) ]]; then
            escaped=1
        elif [[ $character == "$quote" ]]; then
            quote=""
        elif [[ -n $quote ]]; then
            _orvexhd_current+=$character
        elif [[ $character == [\"\'] ]]; then
            quote=$character
        elif [[ $character == [[:space:]] ]]; then
            _orvexhd_current=
        else
            _orvexhd_current+=$character
        fi
    done
}

# The option whose value is being typed (--port SI, or --port=SI), if one is.
_orvexhd_value_of() {
    local previous=${COMP_WORDS[COMP_CWORD - 1]} option
    _orvexhd_option=
    _orvexhd_value=$_orvexhd_current
    if [[ $_orvexhd_current == --*=* ]]; then
        _orvexhd_option=${_orvexhd_current%%=*}
        _orvexhd_value=${_orvexhd_current#*=}
    elif [[ $_orvexhd_current != *=* ]]; then
        for option in "${_orvexhd_valued[@]}"; do
            if [[ $option == "$previous" ]]; then
                _orvexhd_option=$previous
            fi
        done
    fi
    [[ -n $_orvexhd_option ]]
}

# The program as typed, so that a build's own program answers for itself.
_orvexhd_program() {
    local program=${COMP_WORDS[0]}
    printf '%s' "${program/#\~/$HOME}"
}

# The ports for --port, from the orvexhd-cli beside the program, or else the one on the PATH. A
# port list that does not come (a vendor's SDK library that hangs enumerating) costs the Tab a few
# seconds, never the shell.
_orvexhd_reply_ports() {
    local program cli=orvexhd-cli ports
    program=$(_orvexhd_program)
    if [[ $program == */* && -x ${program%/*}/orvexhd-cli ]]; then
        cli=${program%/*}/orvexhd-cli
    fi
    mapfile -t ports < <(timeout 5 "$cli" ports 2>/dev/null)
    _orvexhd_reply "$1" "${ports[@]}"
}

# The settings of `set`, as "user.gamma=", from the table that `set --help` shows; by their bare
# key ("gamma=") once the word can begin no section.
_orvexhd_reply_settings() {
    local help=$1 word=$2 line keys=()
    local pattern='^  ([a-z]+)\.([A-Za-z0-9]+) '
    while IFS= read -r line; do
        if [[ $line =~ $pattern ]]; then
            keys+=("${BASH_REMATCH[1]}.${BASH_REMATCH[2]}=")
        fi
    done <<<"$help"
    _orvexhd_reply "$word" "${keys[@]}"
    if [[ ${#COMPREPLY[@]} -eq 0 ]]; then
        _orvexhd_reply "$word" "${keys[@]#*.}"
    fi
}

# The commands, from the lines of the program's help that name one: "  ports   list the ports".
_orvexhd_commands() {
    "$1" --help 2>/dev/null | sed -n 's/^  \([a-z][a-z-]*\)  .*/\1/p'
}

# The helpers above set these, the callers' own through bash's dynamic scope, so that nothing is
# left behind in the shell.
_orvexhd_cli() {
    local _orvexhd_current _orvexhd_option _orvexhd_value _orvexhd_options _orvexhd_valued
    local program help commands command=${COMP_WORDS[1]}
    program=$(_orvexhd_program)
    _orvexhd_word
    if [[ $COMP_CWORD -eq 1 || ($command == help && $COMP_CWORD -eq 2) ]]; then
        mapfile -t commands < <(_orvexhd_commands "$program")
        if [[ $COMP_CWORD -eq 1 ]]; then
            commands+=(help --help --version)
        fi
        _orvexhd_reply "$_orvexhd_current" "${commands[@]}"
        return
    fi
    help=$("$program" help "$command" 2>/dev/null) || return
    _orvexhd_read_options "$help"
    if _orvexhd_value_of; then
        case $_orvexhd_option in
        -p | --port) _orvexhd_reply_ports "$_orvexhd_value" ;;
        -o | --output) _orvexhd_reply_files "$_orvexhd_value" ;;
        esac
    elif [[ $_orvexhd_current == -* ]]; then
        _orvexhd_reply "$_orvexhd_current" "${_orvexhd_options[@]}"
    elif [[ $command == set && $_orvexhd_current != *=* ]]; then
        _orvexhd_reply_settings "$help" "$_orvexhd_current"
    elif [[ $command == apply || $command == provision ]]; then
        _orvexhd_reply_files "$_orvexhd_current"
    fi
}

_orvexhd_preview() {
    local _orvexhd_current _orvexhd_option _orvexhd_value _orvexhd_options _orvexhd_valued
    local program
    program=$(_orvexhd_program)
    _orvexhd_word
    _orvexhd_read_options "$("$program" --help 2>/dev/null)"
    if _orvexhd_value_of; then
        case $_orvexhd_option in
        --port) _orvexhd_reply_ports "$_orvexhd_value" ;;
        --device | --snapshot | --record) _orvexhd_reply_files "$_orvexhd_value" ;;
        esac
    elif [[ $_orvexhd_current == -* ]]; then
        _orvexhd_reply "$_orvexhd_current" "${_orvexhd_options[@]}"
    fi
}

complete -F _orvexhd_cli orvexhd-cli
complete -F _orvexhd_preview orvexhd-preview
