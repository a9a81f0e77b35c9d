# bash completion for korimo-cli: commands, each command's options, and
# .bmp and sound files (and directories) where the command line expects them.

# Files whose name ends in one of the comma-separated extensions $1 in either
# case, plus directories; any file when $1 is empty.
_korimo_cli_files() {
    local IFS=$'\n' ext
    if [[ -z $1 ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
    else
        COMPREPLY=($(compgen -d -- "$cur"))
        for ext in ${1//,/$'\n'}; do
            COMPREPLY+=($(compgen -f -X "!*.${ext,,}" -- "$cur") $(compgen -f -X "!*.${ext^^}" -- "$cur"))
        done
    fi
    compopt -o filenames 2>/dev/null || true
}

_korimo_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "info embed extract --help --version" -- "$cur"))
        return
    fi

    local command=${COMP_WORDS[1]} options files
    local password="--password-file --ask-password --password"
    case $command in
        info) options="$password --json --sealed --help" files="bmp" ;;
        embed) options="-o $password --memo --memo-file --replace --fit --sealed --help" files="bmp wav,flac,ogg,oga,opus,mp3" ;;
        extract) options="-o $password --memo-out --sealed --help" files="bmp" ;;
        *) return ;;
    esac

    case $prev in
        -o | --output)
            [[ $command == embed ]] && _korimo_cli_files bmp || _korimo_cli_files wav
            return ;;
        --password-file | --memo-file | --memo-out) _korimo_cli_files ""; return ;;
        --password | --memo) return ;;  # free text
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    # The files named so far decide which kind comes next.
    local i given=0
    for ((i = 2; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -o | --output | --password-file | --password | --memo | --memo-file | --memo-out) i=$((i + 1)) ;;
            -*) ;;
            *) given=$((given + 1)) ;;
        esac
    done
    local kinds=($files)
    if [[ $command == info ]]; then
        _korimo_cli_files bmp  # any number of carriers
    elif ((given < ${#kinds[@]})); then
        _korimo_cli_files "${kinds[given]}"
    else
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    fi
}
complete -F _korimo_cli korimo-cli
