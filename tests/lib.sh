# What e2e.sh and builds.sh share: scenarios that fail as a whole, checks,
# and the Git commands that set them up. Sourced, with $root set.
set -u -o pipefail
shopt -s inherit_errexit

# scenario <title> [<argument>...] <<'EOF' ... EOF
# runs its body, one command a line, in a subshell that stops at the first
# command that fails, a check or a step that sets the scenario up: either
# fails the scenario, by its title, and shows that command. The arguments
# are $1 ... in the body. Processes it left running are ended. ONLY=<text>
# runs only the scenarios whose title holds that text.
failures=0 scenarios=0
scenario() {
  local title=$1 body status=0
  body=$(cat)
  shift
  [[ $title == *"${ONLY:-}"* ]] || return 0
  scenarios=$((scenarios + 1))
  # Not on the left of || or &&: there set -e would be ignored inside.
  (
    scenario=$title
    trap 'status=$?; set +e; trap - ERR; jobs -p | xargs -r kill 2>/dev/null; exit $status' EXIT
    trap 'echo "  [$title] failed: $BASH_COMMAND" >&2' ERR
    set -eE
    eval "$body"
  )
  status=$?
  [ "$status" = 0 ] && return
  echo "FAIL [$title] (status $status)" >&2
  failures=$((failures + 1))
}
# finish <suite>: the suite's verdict, after its scenarios.
finish() {
  [ "$scenarios" -gt 0 ] || { echo "$1: no scenario is named like '${ONLY:-}'" >&2; exit 1; }
  [ "$failures" -eq 0 ] || { echo "$1: $failures of $scenarios scenarios failed" >&2; exit 1; }
  echo "$1: all $scenarios scenarios passed"
}

fail() { echo "  [$scenario] $*" >&2; return 1; }
expect_eq() { [ "$2" == "$3" ] || fail "$1: got '$2', expected '$3'"; }
# until_ <command...>: waits for a sign, at most a minute.
until_() {
  local n
  for n in $(seq 1200); do "$@" && return; sleep 0.05; done
  false
}

git_() { git -C "$repo" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@"; }
# next_commit: a new HEAD that changes nothing of the projects.
next_commit() { date +%N >>"$repo/history"; git_ add history; git_ commit -qm next; }
head_hash() { git_ rev-parse --short HEAD; }
# replace_first <file> <text> <replacement>: in place, every other byte kept.
replace_first() { FROM=$2 TO=$3 perl -0777 -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$1"; }
