# shellcheck shell=bash
# Builds the release's packages from a built Korva1.exe, reproducibly: the
# same exe, version and time give the same bytes in any folder, under any
# time zone, umask and locale. Functions only: sourcing this file runs
# nothing. Used by scripts/package.sh and by the tests, which package other
# versions to try upgrades.

# Windows Installer knows Korva1 by this code, across all its versions:
# never change it.
KORVA_UPGRADE_CODE=5B2C7E9A-3D41-4F6B-9E08-7A1C4D2F6B31
korva_packaging=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../packaging" && pwd)

# Prints the packages' time, in seconds since 1970: SOURCE_DATE_EPOCH where
# it is set, else the time of the checkout ROOT's commit; fails without
# either.
korva_package_epoch() {
  local epoch=${SOURCE_DATE_EPOCH:-$(git -C "$1" log -1 --format=%ct 2>/dev/null || true)}
  [ -n "$epoch" ] || { echo "No commit to take the packages' time from: set SOURCE_DATE_EPOCH" >&2 && return 1; }
  echo "$epoch"
}

# Prints a UUID made from NAME in the namespace of the upgrade code (SHA-1,
# RFC 4122 version 5), in upper case as Windows Installer writes them.
korva_uuid() {
  /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$KORVA_UPGRADE_CODE" "$1"
}

# Copies FILEs into FOLDER with fixed modes and the time EPOCH (seconds), so
# that no umask or build time reaches an archive.
korva_stage() {
  local folder=$1 epoch=$2
  shift 2
  mkdir -p "$folder"
  install -m 644 "$@" "$folder"
  touch -d "@$epoch" "$folder"/*
}

# Runs COMMAND at the frozen time EPOCH, in UTC: wixl and msibuild write the
# clock into the summary, and wixl takes the cabinet's file times as local
# times.
korva_at_epoch() {
  local epoch=$1
  shift
  TZ=UTC faketime -f "$(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S')" "$@"
}

# Writes OUT.msi (an absolute path) for EXE with ICON as version VERSION at
# the time EPOCH. wixl builds it from Korva1.wxs; msibuild then adds the
# German interface (packaging/ui) and sets the code page 1252 for every text,
# the package code and the summary's German language, which wixl does not
# write. The product code follows from the version, the package code from
# the version and every input: two packages that differ in anything have two
# codes. Fails on any warning of wixl's: it leaves out what it cannot build.
korva_msi() {
  local exe=$1 icon=$2 version=$3 epoch=$4 out=$5 stage warnings status=0
  local subject="Korva1 – Studentendaten" author=Korva1-Entwicklung template="Intel;1031"
  stage=$(mktemp -d)
  korva_stage "$stage" "$epoch" "$exe" "$icon"
  # wixl finds sources only by relative names.
  warnings=$(cd "$stage" && korva_at_epoch "$epoch" wixl --arch x86 -o "$out" \
    -D "Version=$version" -D "ProductCode=$(korva_uuid "product $version")" -D "UpgradeCode=$KORVA_UPGRADE_CODE" \
    -D "Exe=${exe##*/}" -D "Icon=${icon##*/}" "$korva_packaging/Korva1.wxs" 2>&1) || status=$?
  rm -rf "$stage"
  if [ "$status" != 0 ] || [ -n "$warnings" ]; then
    echo "wixl $([ "$status" = 0 ] && echo warned || echo failed), building $out:" >&2
    echo "${warnings//$'\n'/$'\n'  }" >&2
    rm -f "$out"
    return 1
  fi
  # In one order in any locale: the tables' order shows in the bytes.
  local tables rows inputs inserts interface=() file
  mapfile -t tables < <(printf '%s\n' "$korva_packaging"/ui/*.idt | LC_ALL=C sort)
  mapfile -t rows < <(printf '%s\n' "$korva_packaging"/ui/rows/*.idt | LC_ALL=C sort)
  inputs=$( (for file in "$exe" "$icon" "${BASH_SOURCE[0]}" "$korva_packaging"/{Korva1.wxs,_ForceCodepage.idt} \
    "${tables[@]}" "${rows[@]}"; do sha256sum <"$file"; done && printf '%s\n' "$version" "$subject" "$author" "$template") |
    sha256sum | cut -d' ' -f1)
  # The code page first, for the texts that follow. The interface's own
  # tables are imported whole; rows for wixl's tables are inserted, since an
  # import replaces a whole table. The summary comes last.
  interface=(-i "$korva_packaging/_ForceCodepage.idt")
  for file in "${tables[@]}"; do interface+=(-i "$file"); done
  inserts=$(korva_idt_inserts "${rows[@]}") || { rm -f "$out" && return 1; }
  while IFS= read -r file; do interface+=(-q "$file"); done <<<"$inserts"
  korva_at_epoch "$epoch" msibuild "$out" "${interface[@]}" -s "$subject" "$author" "$template" \
    "{$(korva_uuid "package $inputs")}" || { rm -f "$out" && return 1; }
}

# Prints an SQL INSERT for each row of the IDT files, tables that wixl writes
# too. A column of type i or I is a number, any other a text. An empty field
# is left out (msibuild's SQL has no NULL), and SQL has no escape for the
# quote that ends a text.
korva_idt_inserts() {
  awk -F'\t' '
    FNR == 1 { split($0, names, "\t") }
    FNR == 2 { split($0, types, "\t") }
    FNR == 3 { table = $1 }
    FNR > 3 && NF {
      columns = values = ""
      for (i = 1; i <= NF; i++) {
        if ($i == "") continue
        if (types[i] ~ /^[iI]/) value = $i
        else if (index($i, "\047")) { print FILENAME ": a quote in " $i > "/dev/stderr"; exit 1 }
        else value = "\047" $i "\047"
        columns = columns (columns == "" ? "" : ", ") "`" names[i] "`"
        values = values (values == "" ? "" : ", ") value
      }
      print "INSERT INTO `" table "` (" columns ") VALUES (" values ")"
    }' "$@"
}

# Writes OUT.zip (an absolute path) with EXE and the short German text for
# people who take the program without installing it, as version VERSION at
# the time EPOCH.
korva_zip() {
  local exe=$1 version=$2 epoch=$3 out=$4 stage
  stage=$(mktemp -d)
  mkdir "$stage/text"
  # Windows-1252 with CR LF, as Notepad reads it on any Windows.
  sed "s/@VERSION@/$version/g; s/\$/\r/" "$korva_packaging/LIESMICH.txt" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$stage/text/LIESMICH.txt"
  korva_stage "$stage/zip" "$epoch" "$exe" "$stage/text/LIESMICH.txt"
  rm -f "$out"
  local status=0
  # -X: no owner or extra times; -D: no folder entries; the order is fixed.
  (cd "$stage/zip" && TZ=UTC zip -q -X -D "$out" Korva1.exe LIESMICH.txt) || status=$?
  rm -rf "$stage"
  return "$status"
}

# The Debian package's revision of a version: raise it for a new package of
# the same program, start again at 1 with a new version.
KORVA_DEB_REVISION=1
# The desktops and AppStream know Korva1 by this id: never change it.
KORVA_APP_ID=org.korva1.Korva1

# Prints the Debian package's file name for VERSION.
korva_deb_name() { echo "korva1_$1-${KORVA_DEB_REVISION}_amd64.deb"; }

# Writes OUT.deb for the x86-64 EXE and Korva1's fonts in FONTS (made by
# the build) as version VERSION at the time EPOCH, with dpkg-deb from the
# files in packaging/: the launcher, which sources the scripts' own
# wine-setup.sh and takes the fonts from /usr/share/korva1/fonts, the menu
# entry, icons drawn by res/make_icon.py, AppStream data, the man page,
# Debian's documents, and the maintainer scripts that make and remove the
# Wine prefix template.
# Modes are pinned (the umask would leak into them), files get the time
# EPOCH, and dpkg-deb takes the archive's times from SOURCE_DATE_EPOCH and
# owner root from --root-owner-group; the compression is named, as the
# environment can change the default.
korva_deb() {
  local exe=$1 fonts=$2 version=$3-$KORVA_DEB_REVISION epoch=$4 out=$5 stage root date size
  stage=$(mktemp -d)
  root="$stage/korva1"
  date=$(TZ=UTC date -d "@$epoch" +%F)
  korva_deb_tree "$exe" "$fonts" "$version" "$epoch" "$date" "$root" || { rm -rf "$stage" && return 1; }
  size=$(find "$root" -type f -printf '%s\n' | awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
  mkdir -m 755 "$root/DEBIAN"
  sed "s/@VERSION@/$version/; s/@SIZE@/$size/" "$korva_packaging/debian/control" >"$root/DEBIAN/control"
  (cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
  chmod 644 "$root/DEBIAN"/{control,md5sums}
  { install -m 755 "$korva_packaging"/debian/{postinst,postrm} "$root/DEBIAN" &&
    install -m 644 "$korva_packaging/debian/triggers" "$root/DEBIAN"; } || { rm -rf "$stage" && return 1; }
  find "$root" -exec touch -h -d "@$epoch" {} +
  local status=0
  SOURCE_DATE_EPOCH=$epoch dpkg-deb --root-owner-group -Zxz -z6 --build "$root" "$out" >/dev/null || status=$?
  rm -rf "$stage"
  return "$status"
}

# Stages the package's files in ROOT (made), for korva_deb.
korva_deb_tree() {
  local exe=$1 fonts=$2 version=$3 epoch=$4 date=$5 root=$6 size icons
  local share="$root/usr/share" doc="$root/usr/share/doc/korva1"
  install -D -m 644 "$exe" "$root/usr/lib/korva1/Korva1.exe" &&
    install -D -m 644 -t "$share/korva1/fonts" "$fonts/tahoma.ttf" "$fonts/tahomabd.ttf" &&
    install -D -m 755 "$korva_packaging/korva1" "$root/usr/bin/korva1" &&
    install -D -m 644 "$korva_packaging/../scripts/lib/wine-setup.sh" "$share/korva1/wine-setup.sh" &&
    install -D -m 644 "$korva_packaging/debian/$KORVA_APP_ID.desktop" "$share/applications/$KORVA_APP_ID.desktop" &&
    install -D -m 644 "$korva_packaging/debian/copyright" "$doc/copyright" &&
    install -D -m 644 "$korva_packaging/debian/lintian-overrides" "$share/lintian/overrides/korva1" &&
    mkdir -p "$share/metainfo" "$share/man/man1" || return
  sed "s/@VERSION@/${version%-*}/; s/@DATE@/$date/" "$korva_packaging/debian/$KORVA_APP_ID.metainfo.xml" \
    >"$share/metainfo/$KORVA_APP_ID.metainfo.xml" || return
  sed "s/@VERSION@/${version%-*}/; s/@DATE@/$date/" "$korva_packaging/korva1.1" | gzip -9n >"$share/man/man1/korva1.1.gz" &&
    sed "s/@VERSION@/$version/; s/@DATE@/$(LC_ALL=C TZ=UTC date -R -d "@$epoch")/" "$korva_packaging/debian/changelog" |
    gzip -9n >"$doc/changelog.Debian.gz" || return
  # A software centre wants at least 64 pixels.
  for size in 16 24 32 48 64 128 256; do
    icons="$share/icons/hicolor/${size}x$size/apps"
    mkdir -p "$icons" && /usr/bin/python3 "$korva_packaging/../res/make_icon.py" --png "$size" "$icons/$KORVA_APP_ID.png" ||
      return
  done
  find "$root" -type d -exec chmod 755 {} + && find "$root" -type f ! -path "$root/usr/bin/*" -exec chmod 644 {} +
}
