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
          googletest dpkg-dev librsvg2-bin icoutils zip unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/velin-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  as_root tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  echo "setup: installing ${missing[*]:-source lists}"
  as_root apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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

if [ ! -f "$prefix/lib/libcryptopp.a" ]; then
  csrc=$(fetch_source libcrypto++ 'libcrypto++-*')
  echo "setup: building Crypto++ (AES only)"
  b=$(mktemp -d)
  # Only what AES block processing pulls in; the whole library is not needed.
  units=(cryptlib cpu misc rijndael rijndael_simd rdtables allocate sse_simd algparam basecode filters
         fips140 hex queue mqueue hrtimer integer nbtheory asn algebra randpool osrng rng iterhash
         sha sha_simd modes des dessp strciphr)
  pids=()
  for u in "${units[@]}"; do
    [ -f "$csrc/$u.cpp" ] || continue
    flags="-O2 -DNDEBUG -DCRYPTOPP_DISABLE_ASM=0"
    case $u in
      rijndael_simd) flags="$flags -msse4.1 -maes" ;;
      sha_simd) flags="$flags -msse4.2 -msha" ;;
      sse_simd) flags="$flags -msse2" ;;
    esac
    $cxx $flags -I"$csrc" -c "$csrc/$u.cpp" -o "$b/$u.o" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
  done
  for p in "${pids[@]}"; do wait "$p"; done
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libcryptopp.a.tmp" "$b"/*.o
  mkdir -p "$prefix/include/cryptopp"
  cp "$csrc"/*.h "$prefix/include/cryptopp/"
  mv "$prefix/lib/libcryptopp.a.tmp" "$prefix/lib/libcryptopp.a"
  rm -rf "$b"
fi

# pugixml only serves the XML benchmark as a yardstick
if [ ! -f "$prefix/include/pugixml/pugixml.cpp" ]; then
  psrc=$(fetch_source pugixml 'pugixml-*')
  mkdir -p "$prefix/include/pugixml"
  cp "$psrc"/src/pugixml.{hpp,cpp} "$psrc"/src/pugiconfig.hpp "$prefix/include/pugixml/"
fi
