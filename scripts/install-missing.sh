#!/usr/bin/env bash
# Installs those of the named Debian packages that are not installed yet
# (run as root); quick when all are there.
#   install-missing.sh WHO PACKAGE...      WHO names the caller in the message
set -euo pipefail
who=$1
shift
missing=()
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "$who: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
