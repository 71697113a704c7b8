#!/bin/sh
# Checks documents against PDF/A-1b with PDFBox Preflight (Debian's
# libpdfbox2-java; it knows no other PDF/A level). One Java start checks every
# file, since starting Java costs more than checking a small document.
#
#   preflight.sh FILE...
#
# Prints "FILE: valid" or "FILE: invalid" for each file, an invalid one
# followed by one line per finding: "  RULE: message", with the page (counted
# from 1) and the number of occurrences where Preflight gives them. Exit status:
# 0 when every file is valid, 1 when one is not, 2 when the check cannot run.
# PREFLIGHT_CLASSPATH replaces the jars' path, PREFLIGHT_JAVA the java command.
set -eu
[ $# -ge 1 ] || { sed -n '2,12p' "$0" >&2; exit 2; }

java=${PREFLIGHT_JAVA:-java}
jars=/usr/share/java
classpath=${PREFLIGHT_CLASSPATH:-$jars/preflight.jar:$jars/pdfbox2.jar:$jars/fontbox2.jar:$jars/xmpbox.jar:$jars/commons-logging.jar:$jars/javax.activation.jar:$jars/jaxb-api.jar}
command -v "$java" >/dev/null 2>&1 || { echo "preflight.sh: no $java (Debian: default-jre-headless)" >&2; exit 2; }
command -v python3 >/dev/null 2>&1 || { echo "preflight.sh: no python3" >&2; exit 2; }
old_ifs=$IFS
IFS=:
for jar in $classpath; do
  [ -r "$jar" ] || { echo "preflight.sh: no $jar (Debian: libpdfbox2-java libactivation-java libjaxb-api-java)" >&2; exit 2; }
done
IFS=$old_ifs

work=$(mktemp -d "${TMPDIR:-/tmp}/preflight.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Preflight's list mode skips a file it cannot open without a word, so each
# file is opened here first; the list holds absolute paths, one a line.
: >"$work/list"
for file in "$@"; do
  case $file in
    *"
"*) echo "preflight.sh: a file name holds a line break: $file" >&2; exit 2 ;;
  esac
  [ -f "$file" ] && [ -r "$file" ] || { echo "preflight.sh: cannot read $file" >&2; exit 2; }
  case $file in
    /*) printf '%s\n' "$file" ;;
    *) printf '%s/%s\n' "$PWD" "$file" ;;
  esac >>"$work/list"
done

# The group mode writes one report for the whole list beside it, each file's
# result in list order. Java's own warnings (font fallbacks) go to a log that
# is shown only when no report comes.
if ! "$java" -Djava.awt.headless=true -cp "$classpath" org.apache.pdfbox.preflight.Validator_A1b \
    xml group "$work/list" >"$work/java.log" 2>&1 || [ ! -s "$work/list.preflight.xml" ]; then
  cat "$work/java.log" >&2
  echo "preflight.sh: Preflight wrote no report" >&2
  exit 2
fi

python3 - "$work/list.preflight.xml" "$@" <<'EOF'
import os
import sys
import xml.etree.ElementTree as ET


def rule_key(code):
    return [int(part) if part.isdigit() else part for part in code.split(".")]


def finding_lines(result):
    findings = []
    for error in result.iter("error"):
        code = error.findtext("code", "?")
        text = f"  {code}: {error.findtext('details', '').strip()}"
        page = error.findtext("page")
        notes = [f"page {int(page) + 1}"] if page is not None and page.isdigit() else []
        count = int(error.get("count", "1"))
        if count > 1:
            notes.append(f"{count} times")
        if notes:
            text += f" ({', '.join(notes)})"
        findings.append((rule_key(code), int(page) if page and page.isdigit() else -1, text))
    return [text for _, _, text in sorted(findings)]


report, files = sys.argv[1], sys.argv[2:]
results = ET.parse(report).getroot().findall("preflight")
if len(results) != len(files):
    sys.exit(f"preflight.sh: {len(results)} results for {len(files)} files")
all_valid = True
for file, result in zip(files, results):
    if result.get("name") != os.path.basename(file):
        sys.exit(f"preflight.sh: the result for {file} names {result.get('name')}")
    valid = result.findtext("isValid", "").strip() == "true"
    all_valid = all_valid and valid
    print(f"{file}: {'valid' if valid else 'invalid'}")
    for line in [] if valid else finding_lines(result):
        print(line)
sys.exit(0 if all_valid else 1)
EOF
