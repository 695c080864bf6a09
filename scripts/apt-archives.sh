# shellcheck shell=bash
# Sourced by the scripts that write source lists of their own: where this
# machine's apt fetches Debian from, so that they use the same mirror.

# debian_archives [CODENAME]: prints the URI of Debian's main archive, then
# that of its security archive, one a line, as the machine's apt sources name
# them (the files apt-config gives: the one-line list and the parts folder's
# *.list and *.sources files, in apt's order; the first entry of each wins).
# CODENAME is the release (by default /etc/os-release's); the main archive is
# the entry with the suite CODENAME or CODENAME-updates, the security archive
# the one with CODENAME-security. Only entries with the component main and,
# where they name a key, one of Debian's archive keyrings count: other
# vendors' lists do not. DEBIAN_MIRROR and DEBIAN_SECURITY_MIRROR, when set,
# stand for either. Fails with a message on stderr when one is not found.
debian_archives() {
  local codename="${1:-}" list parts found f
  if [ -z "$codename" ]; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || { echo "debian_archives: /etc/os-release names no release" >&2; return 1; }
  fi
  eval "$(apt-config shell list Dir::Etc::SourceList/f parts Dir::Etc::SourceParts/d)"
  local files=()
  [ -f "${list:-}" ] && files+=("$list")
  if [ -d "${parts:-}" ]; then
    for f in "$parts"*; do
      case "$f" in *.list | *.sources) [ -f "$f" ] && files+=("$f") ;; esac
    done
  fi
  found=$(awk -v codename="$codename" '
    # One entry: keeps the first main and the first security URI.
    function entry(types, uri, suites, components, signedBy,    n, s, i) {
      if (types !~ /(^| )deb(-src)?( |$)/ || uri == "" || uri ~ /^cdrom:/) return
      if ((" " components " ") !~ / main /) return
      if (signedBy != "" && signedBy !~ /debian-archive-/) return
      n = split(suites, s, " ")
      for (i = 1; i <= n; ++i) {
        if (main == "" && (s[i] == codename || s[i] == codename "-updates")) main = uri
        if (security == "" && s[i] == codename "-security") security = uri
      }
    }
    function stanzaEnd(    k) {
      for (k in field) {
        gsub(/[ \t]+/, " ", field[k])
        sub(/^ /, "", field[k])
      }
      if (tolower(field["enabled"]) != "no") {
        split(field["uris"], u, " ")
        entry(field["types"], u[1], field["suites"], field["components"], field["signed-by"])
      }
      delete field
      name = ""
    }
    FNR == 1 && deb822 { stanzaEnd() }
    FNR == 1 { deb822 = FILENAME ~ /\.sources$/ }
    deb822 && /^#/ { next }
    deb822 && /^[ \t]*$/ { stanzaEnd(); next }
    deb822 && /^[ \t]/ { if (name != "") field[name] = field[name] " " $0; next }
    deb822 {
      name = tolower(substr($0, 1, index($0, ":") - 1))
      field[name] = substr($0, index($0, ":") + 1)
      next
    }
    {
      # type [ options ] uri suite components...
      sub(/#.*/, "")
      if (NF < 3) next
      options = ""
      if (match($0, /\[[^]]*\]/)) {
        options = substr($0, RSTART + 1, RLENGTH - 2)
        $0 = substr($0, 1, RSTART - 1) " " substr($0, RSTART + RLENGTH)
      }
      signedBy = ""
      if (match(options, /signed-by=[^ \t]*/)) signedBy = substr(options, RSTART + 10, RLENGTH - 10)
      components = ""
      for (i = 4; i <= NF; ++i) components = components " " $i
      entry($1, $2, $3, components, signedBy)
    }
    END {
      if (deb822) stanzaEnd()
      print main
      print security
    }' /dev/null "${files[@]}") || return 1
  local lines
  mapfile -t lines <<<"$found"
  local main=${DEBIAN_MIRROR:-${lines[0]:-}} security=${DEBIAN_SECURITY_MIRROR:-${lines[1]:-}}
  local missing=
  [ -n "$security" ] || missing="security archive (suite $codename-security)"
  [ -n "$main" ] || missing="main archive (suite $codename)"
  if [ -n "$missing" ]; then
    echo "debian_archives: apt's sources (${files[*]:-none}) name no Debian $missing;" \
      "DEBIAN_MIRROR and DEBIAN_SECURITY_MIRROR can give the archives' URIs" >&2
    return 1
  fi
  printf '%s\n%s\n' "$main" "$security"
}
