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
  # apt's own lines (one per download and per package set up) show progress;
  # a first install on a fresh machine takes minutes.
  echo "$who: updating the package lists"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  echo "$who: installing ${#missing[@]} packages and what they depend on: ${missing[*]}"
  apt-get install -y -q --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}"
  echo "$who: ${#missing[@]} packages installed"
fi
