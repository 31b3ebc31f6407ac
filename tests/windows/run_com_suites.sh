#!/usr/bin/env bash
# The Windows DLLs under Wine, in a fresh prefix of their own: registered with regsvr32, the
# registry checked, scripted from VBScript and JScript through cscript, checked by the native
# client, unregistered (twice), and the registry checked again.
#   run_com_suites.sh BUILD_DIR SERVER_DLL DATETIME_DLL CLIENT_EXE
# A cscript run counts only when it exits 0, prints "N passed, 0 failed" and reports no script
# error: the host exits 0 and prints nothing when a script stops on an error.
set -uo pipefail
build=$1 server=$2 datetime=$3 client=$4
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
export WINEPREFIX=$build/com-prefix WINEARCH=win64 WINEDEBUG=-all,fixme+wscript WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=/usr/lib/wine/wine64
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Stop the prefix's server at the end whatever happens, so nothing outlives the test.
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
folder=$WINEPREFIX/drive_c/Quorvel
mkdir -p "$folder" "$WINEPREFIX/drive_c/out"
cp "$server" "$folder/QuorvelXml.dll"
cp "$datetime" "$folder/QvDateTime.dll"
cp "$client" "$folder/com_client.exe"
cp "$here/suite.vbs" "$here/suite.js" "$folder/"
catalog='Z:'"$repo"'/examples/data/books.xml'

key_present() { "$wine" reg query "$1" >/dev/null 2>&1; }
xml=B986A466-FDA4-4DF5-A7DD-9C14A4DBE5C3 rss=DD3FAF12-7890-489C-B6DD-007EA082A406
atom=BBDF876B-1510-4155-81BE-449A49721884 dt=29EF5612-DA40-463F-8E8A-CCFC1B6D1A88
lib=574B8615-81B2-4E70-8348-D49163151D5E
class_keys=("HKCR\\CLSID\\{$xml}" "HKCR\\CLSID\\{$rss}" "HKCR\\CLSID\\{$atom}" "HKCR\\CLSID\\{$dt}"
            "HKCR\\QuorvelXml.QuorvelXml.1" "HKCR\\QuorvelXml.QuorvelXml" "HKCR\\Quorvel.Xml.1" "HKCR\\Quorvel.Xml"
            "HKCR\\Quorvel.Rss.1" "HKCR\\Quorvel.Rss" "HKCR\\Quorvel.Atom.1" "HKCR\\Quorvel.Atom" "HKCR\\TypeLib\\{$lib}")

for dll in QuorvelXml QvDateTime; do
  "$wine" regsvr32 /s "C:\\Quorvel\\$dll.dll" || fail "regsvr32 $dll.dll"
done
for key in "${class_keys[@]}"; do key_present "$key" || fail "registered: $key is missing"; done
path=$("$wine" reg query "HKCR\\CLSID\\{$rss}\\InprocServer32" /ve 2>/dev/null | tr -d '\r')
case "$path" in *'C:\Quorvel\QuorvelXml.dll'*) ;; *) fail "InprocServer32 of Rss: $path" ;; esac

run_script() {  # NAME ARGUMENTS...
  local name=$1; shift
  local out err rc
  out=$(cd "$folder" && "$wine" cscript "$name" "$@" 2>"$build/$name.stderr"); rc=$?
  err=$(cat "$build/$name.stderr")
  echo "$out" | tr -d '\r' | sed "s/^/  $name: /"
  if [ $rc -ne 0 ] || ! echo "$out" | tr -d '\r' | grep -Eq '^[0-9]+ passed, 0 failed$' ||
     echo "$err" | grep -Eq 'OnScriptError|ParseScriptText failed|Could not get script text'; then
    fail "$name (rc $rc) $err"
  fi
}
run_script suite.vbs "$catalog" 'C:\out'
run_script suite.js "$catalog"
(cd "$folder" && "$wine" com_client.exe --gtest_color=no) || fail "the native client"

for pass in first second; do
  for dll in QuorvelXml QvDateTime; do
    "$wine" regsvr32 /u /s "C:\\Quorvel\\$dll.dll" || fail "$pass regsvr32 /u $dll.dll"
  done
done
for key in "${class_keys[@]}"; do key_present "$key" && fail "unregistered: $key is still there"; done
key_present 'HKCR\CLSID' || fail "unregistered: the CLSID key itself went"

if [ $failures -ne 0 ]; then echo "$failures failures"; exit 1; fi
echo "The Windows DLLs: registered, scripted and unregistered."
