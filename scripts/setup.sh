#!/usr/bin/env bash
# Installs what the Windows build and its Wine test run need. Idempotent and quiet when all is there.
# Third-party sources built for the target go to a cache outside the repo (VELIN_CACHE).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${VELIN_CACHE:-$HOME/.cache/velin}
mkdir -p "$cache"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev cmake make
          wine wine64 xvfb xauth fonts-wqy-microhei fonts-wine locales xdotool imagemagick
          googletest dpkg-dev librsvg2-bin icoutils zip unzip xclip pandoc
          postfix dovecot-core dovecot-pop3d dovecot-lmtpd openssl
          nsis fp-utils-3.2.2)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source entries mirror the machine's own binary entries of the release's main suite (same
# addresses and components), so apt-get source follows whatever mirror this machine is set up with.
# Update and security suites are left out: their sources need not be served where the binaries are.
derive_src() {
  local f codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 0
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$(basename "$f")" != velin-src.sources ] || continue
    # deb822: every stanza whose Types has "deb", retyped as deb-src
    awk -v rel="$codename" 'BEGIN { RS=""; ORS="\n\n" }
         { deb=0; rel_ok=0; off=0; out=""
           n=split($0, lines, "\n")
           for (i=1; i<=n; i++) {
             l=lines[i]
             if (l ~ /^#/) continue
             if (l ~ /^Types:/) { if (l ~ /[ \t]deb([ \t]|$)/) deb=1; l="Types: deb-src" }
             if (l ~ /^Enabled:[ \t]*(no|false)/) off=1
             if (l ~ /^Suites:/) { if (l ~ ("[ \t]" rel "([ \t]|$)")) { l="Suites: " rel; rel_ok=1 } }
             out=out l "\n"
           }
           if (deb && rel_ok && !off) printf "%s\n", out }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # one-line form: "deb [opts] uri suite comps" -> deb822 stanza
    awk -v rel="$codename" '$1 == "deb" { i=2; opts=""
                       if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts=opts " " $i; i++ } opts=opts " " $i; i++ }
                       uri=$i; suite=$(i+1); comps=""
                       if (suite != rel) next
                       for (j=i+2; j<=NF && $j !~ /^#/; j++) comps=comps " " $j
                       printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n", uri, suite, comps
                       if (match(opts, /signed-by=[^] ]+/)) printf "Signed-By: %s\n", substr(opts, RSTART+10, RLENGTH-10)
                       printf "\n" }' "$f"
  done
}
src_list=/etc/apt/sources.list.d/velin-src.sources
need_update=0
src_text=$(derive_src)
if [ -z "$src_text" ]; then
  echo "setup: no Debian package sources are configured on this machine" >&2
  exit 1
fi
if [ ! -f "$src_list" ] || [ "$(cat "$src_list")" != "$src_text" ]; then
  printf '%s\n' "$src_text" | as_root tee "$src_list" >/dev/null
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  echo "setup: installing ${missing[*]:-source lists}"
  as_root apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  # The mail tests run private instances (scripts/mail-servers.sh): the system's postfix gets no
  # configuration, and neither it nor dovecot is left running.
  printf '%s\n' "postfix postfix/main_mailer_type select No configuration" \
    "postfix postfix/mailname string localhost" | as_root debconf-set-selections
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  for service in postfix dovecot; do
    as_root service "$service" stop >/dev/null 2>&1 || true
  done
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

fetch_source() { # package -> unpacked folder under $cache/src
  local pkg=$1 dir
  dir=$(find "$cache/src" -maxdepth 1 -type d -name "$2" 2>/dev/null | head -n1)
  if [ -z "$dir" ]; then
    mkdir -p "$cache/src"
    (cd "$cache/src" && apt-get source -qq "$pkg" >/dev/null 2>&1) || {
      as_root apt-get update -qq
      (cd "$cache/src" && apt-get source -qq "$pkg" >/dev/null)
    }
    dir=$(find "$cache/src" -maxdepth 1 -type d -name "$2" | head -n1)
  fi
  [ -n "$dir" ] || { echo "setup: could not get the source package $pkg" >&2; return 1; }
  echo "$dir"
}

for tool in dpkg-source; do command -v $tool >/dev/null || { echo "setup: $tool missing"; exit 1; }; done

# minizip and Crypto++ for the target, built once into $cache/prefix
prefix="$cache/prefix"
mkdir -p "$prefix/lib" "$prefix/include"
cc=x86_64-w64-mingw32-gcc-posix
cxx=x86_64-w64-mingw32-g++-posix

if [ ! -f "$prefix/lib/libminizip.a" ]; then
  zsrc=$(fetch_source zlib 'zlib-*')
  echo "setup: building minizip"
  b=$(mktemp -d)
  for f in zip unzip ioapi iowin32; do
    $cc -O2 -I"$zsrc/contrib/minizip" -c "$zsrc/contrib/minizip/$f.c" -o "$b/$f.o"
  done
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libminizip.a.tmp" "$b"/*.o
  mkdir -p "$prefix/include/minizip"
  cp "$zsrc"/contrib/minizip/{zip.h,unzip.h,ioapi.h,iowin32.h,crypt.h} "$prefix/include/minizip/"
  mv "$prefix/lib/libminizip.a.tmp" "$prefix/lib/libminizip.a"
  rm -rf "$b"
fi

# The whole library: the stored passwords need AES and MD5, and a hand-picked subset misses the
# template instantiations the library keeps in units of its own. The stamp names what was built, so
# a cache holding an older, partial build is built again.
cryptopp_kind="full-1"
if [ ! -f "$prefix/lib/libcryptopp.a" ] || [ "$(cat "$prefix/lib/libcryptopp.kind" 2>/dev/null)" != "$cryptopp_kind" ]; then
  csrc=$(fetch_source libcrypto++ 'libcrypto++-*')
  echo "setup: building Crypto++"
  b=$(mktemp -d)
  cp -a "$csrc"/. "$b"/
  make -C "$b" -f GNUmakefile-cross -j"$(nproc)" static \
    CXX=$cxx AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib \
    CXXFLAGS="-O2 -DNDEBUG -pipe" >/dev/null
  cp "$b/libcryptopp.a" "$prefix/lib/libcryptopp.a.tmp"
  rm -rf "$prefix/include/cryptopp"
  mkdir -p "$prefix/include/cryptopp"
  cp "$csrc"/*.h "$prefix/include/cryptopp/"
  mv "$prefix/lib/libcryptopp.a.tmp" "$prefix/lib/libcryptopp.a"
  echo "$cryptopp_kind" > "$prefix/lib/libcryptopp.kind"
  rm -rf "$b"
fi

# pugixml only serves the XML benchmark as a yardstick
if [ ! -f "$prefix/include/pugixml/pugixml.cpp" ]; then
  psrc=$(fetch_source pugixml 'pugixml-*')
  mkdir -p "$prefix/include/pugixml"
  cp "$psrc"/src/pugixml.{hpp,cpp} "$psrc"/src/pugiconfig.hpp "$prefix/include/pugixml/"
fi
