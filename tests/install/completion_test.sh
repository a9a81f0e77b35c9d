#!/usr/bin/env bash
# korimo-cli's bash completion: commands, each command's options, and the
# right kind of file for each place on the command line.
#
#   completion_test.sh path/to/korimo-cli.bash
set -euo pipefail
# shellcheck source=/dev/null
source "${1:?completion script}"
export LC_ALL=C  # the expected lists are in byte order

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cd "$dir"
touch photo.bmp SHOT.BMP voice.wav notes.txt
mkdir pictures
failed=0

# complete "WORDS..." EXPECTED: the last word is the one being completed.
check() {
  local line="$1" expected="$2"
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _korimo_cli || true  # its status means nothing to bash
  local got=""
  if ((${#COMPREPLY[@]})); then got="$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')"; fi
  if [ "$got" != "$expected" ]; then
    echo "FAIL: '$line' gave '$got', expected '$expected'" >&2
    failed=1
  fi
}

check "korimo-cli " "--help --version embed extract info "
check "korimo-cli e" "embed extract "
check "korimo-cli info " "SHOT.BMP photo.bmp pictures "
check "korimo-cli info photo.bmp " "SHOT.BMP photo.bmp pictures "
check "korimo-cli info photo.bmp --j" "--json "
check "korimo-cli embed photo.bmp " "pictures voice.wav "
check "korimo-cli embed photo.bmp voice.wav -" "--ask-password --fit --help --memo --memo-file --password --password-file --replace --sealed -o "
check "korimo-cli embed photo.bmp voice.wav -o " "SHOT.BMP photo.bmp pictures "
check "korimo-cli extract photo.bmp -o " "pictures voice.wav "
check "korimo-cli extract photo.bmp --memo-out " "SHOT.BMP notes.txt photo.bmp pictures voice.wav "
check "korimo-cli info photo.bmp --password-f" "--password-file "
check "korimo-cli info photo.bmp --password-file " "SHOT.BMP notes.txt photo.bmp pictures voice.wav "
check "korimo-cli extract --password-file pw photo.bmp -" "--ask-password --help --memo-out --password --password-file --sealed -o "
check "korimo-cli embed --password x " "SHOT.BMP photo.bmp pictures "
check "korimo-cli embed --memo " ""
exit $failed
