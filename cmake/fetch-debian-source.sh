#!/usr/bin/env bash
# Fetches and unpacks the source of one Debian package with "apt-get source", through a
# private apt configuration in a scratch folder (its own sources list, state and cache),
# so that the host's apt set-up is left as it is. The one deb-src line is for Debian 12
# (bookworm), main, on the archive that the host's apt configuration uses for it.
# Usage: fetch-debian-source.sh PACKAGE DESTINATION   (unpacks into DESTINATION/PACKAGE)
set -euo pipefail
package="$1"
destination="$2"
release=bookworm

uri=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
  awk -v release="$release" '$2 == release && $3 == "main" { print $1; exit }')
if [ -z "$uri" ]; then
  echo "no apt source for Debian $release main is configured on this host" >&2
  exit 1
fi

root="$destination/apt-root"
rm -rf "$root" "${destination:?}/$package"
mkdir -p "$root/etc/apt/sources.list.d" "$root/etc/apt/preferences.d" "$root/etc/apt/apt.conf.d" \
  "$root/state/lists/partial" "$root/cache/archives/partial" "$root/unpack"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $release main" \
  >"$root/etc/apt/sources.list"

options=(-o "Dir::Etc=$root/etc/apt" -o "Dir::Etc::SourceList=$root/etc/apt/sources.list"
  -o "Dir::Etc::SourceParts=$root/etc/apt/sources.list.d"
  -o "Dir::Etc::PreferencesParts=$root/etc/apt/preferences.d"
  -o "Dir::State=$root/state" -o "Dir::State::status=/var/lib/dpkg/status"
  -o "Dir::Cache=$root/cache" -o "APT::Sandbox::User=$(id -un)")
apt-get "${options[@]}" -qq update
(cd "$root/unpack" && apt-get "${options[@]}" -qq source "$package" >/dev/null)

unpacked=$(find "$root/unpack" -mindepth 1 -maxdepth 1 -type d | head -n 1)
if [ -z "$unpacked" ]; then
  echo "apt-get source $package unpacked nothing" >&2
  exit 1
fi
mv "$unpacked" "$destination/$package"
rm -rf "$root"
